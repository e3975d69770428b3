// Opening the store an address names, and the waiting form of storing.
#include "server/results_store.h"

#include "server/sqlite_store.h"

#include <future>

bool names_postgres(std::string_view where) {
    return where.starts_with("postgresql://") || where.starts_with("postgres://");
}

std::unique_ptr<ResultsStore> open_results_store(const std::string& where, StoreLimits limits) {
    if (names_postgres(where)) {
        throw StoreOpenError("PostgreSQL is not built into this service: " +
                             where.substr(0, where.find(':')));
    }
    return std::make_unique<SqliteStore>(where, limits);
}

StoredResult ResultsStore::store(const ResultRow& row, int64_t received_at) {
    std::promise<StoreOutcome> promise;
    std::future<StoreOutcome> outcome = promise.get_future();
    store_async(row, received_at,
                [&promise](StoreOutcome answer) { promise.set_value(std::move(answer)); });
    StoreOutcome answer = outcome.get();
    if (answer.status == StoreStatus::busy) {
        throw StoreError("the store is busy");
    }
    if (answer.status == StoreStatus::failed) {
        throw StoreError("the result was not stored");
    }
    return std::move(answer.result);
}
