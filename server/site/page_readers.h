// The threads that read the store for class pages and /records: a crowd reading deep pages
// waits here, holding neither a serving thread nor more than these threads' share of the CPU.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// How much lower the page readers' CPU priority is than the rest of the service's.
constexpr int page_reader_niceness = 10;

class PageReaders {
  public:
    // threads: fewer than the store's reading connections, so that a result finds one free.
    // max_queued: jobs waiting for a thread; one more is refused at once. niceness: how much
    // lower their CPU priority is (the referee's threads, which serve players, use 0).
    PageReaders(size_t threads, size_t max_queued, int niceness = page_reader_niceness);
    ~PageReaders();
    PageReaders(const PageReaders&) = delete;
    PageReaders& operator=(const PageReaders&) = delete;

    // Queues the job, or refuses it (false) when the queue is full or the pool stopped: the
    // caller answers busy. A job must not throw.
    bool post(std::function<void()> job);
    // Lets the running jobs finish, drops the queued ones unrun and joins the threads.
    void stop();

  private:
    void run();

    const size_t max_queued_;
    const int niceness_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::function<void()>> queue_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};
