// The waiting form of storing.
#include "server/store/results_store.h"

#include <future>

StoredResult ResultsStore::store(const ResultRow& row, int64_t received_at) {
    std::promise<StoreOutcome> promise;
    std::future<StoreOutcome> outcome = promise.get_future();
    store_async(row, received_at,
                [&promise](StoreOutcome answer) { promise.set_value(std::move(answer)); });
    StoreOutcome answer = outcome.get();
    if (answer.status == StoreStatus::busy) {
        throw StoreError("the store is busy");
    }
    if (answer.status == StoreStatus::full) {
        throw StoreError("the store is full");
    }
    if (answer.status == StoreStatus::unavailable) {
        throw StoreError("the database cannot be reached");
    }
    if (answer.status == StoreStatus::failed) {
        throw StoreError("the result was not stored");
    }
    return std::move(answer.result);
}
