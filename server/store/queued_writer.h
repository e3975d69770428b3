// A store's writer: a thread that takes the queued results in batches, has the backend store
// each batch in one transaction, and answers every result of it.
#pragma once

#include "server/store/results_store.h"
#include "server/store/store_outage.h"
#include "server/store/write_queue.h"

#include <thread>

// Why a backend stored nothing of a batch: busy, unavailable, failed or full, and the reason
// in one line.
struct BatchRefused : StoreError {
    BatchRefused(StoreStatus status, const std::string& reason)
        : StoreError(reason), status(status) {}
    StoreStatus status;
};

// What a backend does with a batch. The links given are distinct, in order of arrival.
class BatchBackend {
  public:
    virtual ~BatchBackend() = default;
    // Stores each row whose link is new in one transaction, durable when this returns, and
    // reads back every row as stored, each with new_row set when this stored it, its place
    // and class size as they are with the whole batch stored. Throws BatchRefused, with
    // nothing stored.
    virtual std::vector<StoredResult>
    store_batch(const std::vector<const PendingResult*>& rows) = 0;
};

class QueuedWriter {
  public:
    // Starts the thread; backend must outlive this.
    QueuedWriter(BatchBackend& backend, size_t max_pending);
    // Answers what is still queued, then ends the thread.
    ~QueuedWriter();
    QueuedWriter(const QueuedWriter&) = delete;
    QueuedWriter& operator=(const QueuedWriter&) = delete;

    // Queues the result, or answers it busy at once when the queue is full.
    void push(ResultRow row, int64_t received_at, std::function<void(StoreOutcome)> done);

  private:
    void write_batches();
    void write_batch(std::vector<PendingResult>& batch);

    BatchBackend& backend_;
    StoreOutage outage_; // the thread's
    WriteQueue queue_;
    std::thread thread_;
};
