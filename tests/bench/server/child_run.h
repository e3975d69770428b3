// A program run as a child process for the service's benchmarks: its standard output read when
// it ends, its standard error passed through.
#pragma once

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

class ChildRun {
  public:
    // Starts the program (found on the PATH unless it names a path) with the arguments; it is
    // killed if it still runs most after its start, so that a hung child cannot hang the run.
    ChildRun(const std::string& program, const std::vector<std::string>& arguments,
             std::chrono::seconds most);
    ~ChildRun(); // interrupts it if it still runs, and waits for its end
    ChildRun(const ChildRun&) = delete;
    ChildRun& operator=(const ChildRun&) = delete;

    bool started() const { return pid_ > 0; }
    // SIGINT: wrk stops at once and reports what it measured so far.
    void interrupt() const;
    // Everything it printed, once it has ended, or been killed at its bound.
    std::string output();
    // Whether it exited with 0, once output() has been read.
    bool succeeded() const { return exit_code_ == 0; }

  private:
    pid_t pid_ = -1;
    std::chrono::steady_clock::time_point deadline_;
    int output_ = -1;
    int exit_code_ = -1;
};

// The program's output when it ends with 0; throws BenchFailure otherwise.
std::string output_of(const std::string& program, const std::vector<std::string>& arguments,
                      std::chrono::seconds most);

// What stops a benchmark: a part that could not run, or figures that show results lost.
struct BenchFailure {
    std::string why;
};
