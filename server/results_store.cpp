// Opening the store an address names, and the waiting form of storing.
#include "server/results_store.h"

#include "server/postgres_handles.h"
#include "server/postgres_store.h"
#include "server/sqlite_store.h"

#include <future>

bool names_postgres(std::string_view where) {
    return where.starts_with("postgresql://") || where.starts_with("postgres://");
}

std::unique_ptr<ResultsStore> open_results_store(const std::string& where, StoreLimits limits) {
    if (names_postgres(where)) {
        return std::make_unique<PostgresStore>(where, limits);
    }
    return std::make_unique<SqliteStore>(where, limits);
}

std::string shown_store(const std::string& where) {
    return names_postgres(where) ? shown_uri(where) : where;
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
