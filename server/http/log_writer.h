// Lines written to a descriptor by a thread of their own through a bounded buffer, so that a
// reader that stops reading (a pipe nobody drains, a stuck journal) never holds the caller.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

class LogWriter {
  public:
    // Says how many lines were dropped, as one whole line of the log.
    using DroppedNote = std::function<std::string(size_t dropped)>;

    // Writes to descriptor, keeping at most max_bytes of lines waiting (queued or being
    // written); note makes the line that tells of dropped ones.
    LogWriter(int descriptor, size_t max_bytes, DroppedNote note);
    // Writes what is waiting for as long as the descriptor takes it within stop_patience,
    // then ends the thread.
    ~LogWriter();
    LogWriter(const LogWriter&) = delete;
    LogWriter& operator=(const LogWriter&) = delete;

    // Queues one whole line, or drops and counts it when the buffer is full. Never waits for
    // the descriptor.
    void write(std::string_view line);

    // How long the lines waiting at a stop may take to be written.
    static constexpr std::chrono::seconds stop_patience{2};

  private:
    void run();
    // Writes text whole lines at a time, within the deadline once stopping; the bytes written,
    // fewer when the descriptor refused the rest or the time ran out.
    size_t write_out(std::string_view text);

    const int descriptor_;
    const size_t max_bytes_;
    const DroppedNote note_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::string queued_;
    size_t in_flight_ = 0; // the part of the writer's taken lines not yet written
    size_t dropped_ = 0;
    bool stopping_ = false;
    std::chrono::steady_clock::time_point stop_deadline_{};
    std::thread thread_;
};
