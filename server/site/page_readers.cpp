// The threads that read the store for class pages and /records, with a bounded queue.
#include "server/site/page_readers.h"

#include <sys/resource.h>
#include <unistd.h>

#include <utility>

PageReaders::PageReaders(size_t threads, size_t max_queued, int niceness)
    : max_queued_(max_queued), niceness_(niceness) {
    for (size_t i = 0; i < threads; ++i) {
        threads_.emplace_back([this] { run(); });
    }
}

PageReaders::~PageReaders() { stop(); }

bool PageReaders::post(std::function<void()> job) {
    {
        const std::lock_guard lock(mutex_);
        if (stopping_ || queue_.size() >= max_queued_) {
            return false;
        }
        queue_.push_back(std::move(job));
    }
    ready_.notify_one();
    return true;
}

void PageReaders::stop() {
    std::deque<std::function<void()>> dropped;
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        dropped.swap(queue_);
    }
    ready_.notify_all();
    // Freed outside the lock: a job's captures may take locks of their own.
    dropped.clear();
    for (std::thread& thread : threads_) {
        if (thread.joinable()) {
            thread.join();
        }
    }
}

void PageReaders::run() {
    // Below the serving threads and the writer: when the CPU is short, a crowd of page reads
    // yields it to results and the fixed pages. Linux gives each thread a nice value of its own.
    if (niceness_ != 0) {
        setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), niceness_);
    }
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(mutex_);
            ready_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (stopping_) {
                return;
            }
            job = std::move(queue_.front());
            queue_.pop_front();
        }
        job();
    }
}
