// A store's writer: a thread that takes the queued results in batches, has the backend store
// each batch in one transaction, and answers every result of it.
#include "server/store/queued_writer.h"

#include "server/row/log_error.h"

#include <unordered_map>
#include <unordered_set>

namespace {

// Each result as the store stood when it arrived: the new results of the batch that came
// after it are neither ahead of it nor in its class yet, and the same link again is a repeat.
std::vector<StoreOutcome> as_arrived(const std::vector<PendingResult>& batch,
                                     const std::unordered_map<std::string, StoredResult>& stored) {
    struct Arrival {
        size_t position;
        TestSettings settings;
        int32_t total_moves;
    };
    std::vector<Arrival> new_arrivals;
    std::unordered_set<std::string> answered;
    for (size_t i = 0; i < batch.size(); ++i) {
        const ResultRow& row = batch[i].row;
        if (stored.at(row.link_key).new_row && answered.insert(row.link_key).second) {
            new_arrivals.push_back({i, row.settings, row.total_moves});
        }
    }
    answered.clear();
    std::vector<StoreOutcome> outcomes;
    outcomes.reserve(batch.size());
    for (size_t i = 0; i < batch.size(); ++i) {
        StoredResult result = stored.at(batch[i].row.link_key);
        result.new_row = result.new_row && answered.insert(result.row.link_key).second;
        for (const Arrival& later : new_arrivals) {
            if (later.position > i && later.settings == result.row.settings) {
                --result.class_size;
                result.place -= later.total_moves < result.row.total_moves ? 1 : 0;
            }
        }
        outcomes.push_back({StoreStatus::stored, std::move(result)});
    }
    return outcomes;
}

} // namespace

QueuedWriter::QueuedWriter(BatchBackend& backend, size_t max_pending)
    : backend_(backend), queue_(max_pending), thread_([this] { write_batches(); }) {}

QueuedWriter::~QueuedWriter() {
    queue_.stop();
    thread_.join();
}

void QueuedWriter::push(ResultRow row, int64_t received_at,
                        std::function<void(StoreOutcome)> done) {
    PendingResult pending{std::move(row), received_at, std::move(done)};
    if (!queue_.push(pending)) {
        pending.done({StoreStatus::busy, {}});
    }
}

// Takes whatever is queued as one batch; each result waits at most for the batch before it
// and its own.
void QueuedWriter::write_batches() {
    std::vector<PendingResult> batch;
    while (queue_.take(batch)) {
        write_batch(batch);
        batch.clear();
    }
}

void QueuedWriter::write_batch(std::vector<PendingResult>& batch) {
    // Each link once, at its first arrival.
    std::vector<const PendingResult*> firsts;
    std::unordered_set<std::string_view> keys;
    for (const PendingResult& pending : batch) {
        if (keys.insert(pending.row.link_key).second) {
            firsts.push_back(&pending);
        }
    }
    StoreStatus failure = StoreStatus::stored;
    std::unordered_map<std::string, StoredResult> stored;
    try {
        std::vector<StoredResult> results = backend_.store_batch(firsts);
        for (StoredResult& result : results) {
            std::string key = result.row.link_key;
            stored.emplace(std::move(key), std::move(result));
        }
    } catch (const BatchRefused& e) {
        failure = e.status;
        if (failure == StoreStatus::unavailable) {
            outage_.refused(batch.size(), e.what());
        } else if (failure == StoreStatus::failed) {
            log_error(e.what());
        }
    }
    if (failure != StoreStatus::unavailable) {
        outage_.reached();
    }
    if (failure != StoreStatus::stored) {
        for (PendingResult& pending : batch) {
            pending.done({failure, {}});
        }
        return;
    }
    std::vector<StoreOutcome> outcomes = as_arrived(batch, stored);
    for (size_t i = 0; i < batch.size(); ++i) {
        batch[i].done(std::move(outcomes[i]));
    }
}
