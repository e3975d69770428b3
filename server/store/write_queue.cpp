// The results waiting for a store's writer: bounded, and taken in batches that gather what
// arrives together, so that they share one transaction and one sync.
#include "server/store/write_queue.h"

bool WriteQueue::push(PendingResult& pending) {
    const std::lock_guard lock(mutex_);
    if (queue_.size() >= max_pending_ || stopping_) {
        return false;
    }
    queue_.push_back(std::move(pending));
    // Woken only when there is work for it: the first result, or a batch as large as the
    // last, which it may be gathering for. Every other wake-up would be wasted.
    if (queue_.size() == 1 || queue_.size() == last_batch_) {
        ready_.notify_one();
    }
    return true;
}

bool WriteQueue::take(std::vector<PendingResult>& batch) {
    // The clients answered by the last commit send their next results a moment later; a
    // batch begun before they arrive would leave them a whole sync behind. So a batch smaller
    // than the last waits briefly for the rest, as a database's commit delay does: far less
    // than the sync it saves.
    constexpr auto gathering = std::chrono::microseconds(500);
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (queue_.empty()) {
        return false;
    }
    ready_.wait_for(lock, gathering, [this] { return stopping_ || queue_.size() >= last_batch_; });
    last_batch_ = queue_.size();
    batch.assign(std::make_move_iterator(queue_.begin()), std::make_move_iterator(queue_.end()));
    queue_.clear();
    return true;
}

void WriteQueue::stop() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    ready_.notify_one();
}
