// The results waiting for a store's writer: bounded, and taken in batches that gather what
// arrives together, so that they share one transaction and one sync.
#pragma once

#include "server/store/results_store.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

struct PendingResult {
    ResultRow row;
    int64_t received_at = 0;
    std::function<void(StoreOutcome)> done;
};

class WriteQueue {
  public:
    explicit WriteQueue(size_t max_pending) : max_pending_(max_pending) {}
    // Queues the result, or hands it back (false) when the queue is full or stopping: the
    // caller answers it busy.
    bool push(PendingResult& pending);
    // Waits for work and moves all of it into batch; false once stopped with nothing left.
    bool take(std::vector<PendingResult>& batch);
    // Wakes the writer to finish what is queued and end.
    void stop();

  private:
    const size_t max_pending_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<PendingResult> queue_;
    size_t last_batch_ = 0; // the size of the batch the writer took last
    bool stopping_ = false;
};
