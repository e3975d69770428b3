// Opening the store an address names: the one place that knows both backends.
#include "server/open_store.h"

#include "server/store/postgres/postgres_handles.h"
#include "server/store/postgres/postgres_store.h"
#include "server/store/sqlite/sqlite_store.h"

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
