// The referee's running tests in the SQLite file, on a connection of their own.
#include "server/store/sqlite/sqlite_running_tests.h"

#include "server/store/results_store.h"

#include <sqlite3.h>

#include <algorithm>

namespace {

// The index by address counts one address's tests, and the one by time counts them all and
// finds the expired ones, each without reading the tests themselves.
constexpr const char* running_tests_table = R"sql(
CREATE TABLE IF NOT EXISTS running_tests (
    id TEXT PRIMARY KEY,
    address TEXT NOT NULL,
    answered INTEGER NOT NULL,
    state BLOB NOT NULL,
    touched_at INTEGER NOT NULL
);
CREATE INDEX IF NOT EXISTS running_tests_by_address ON running_tests (address, touched_at);
CREATE INDEX IF NOT EXISTS running_tests_by_touch ON running_tests (touched_at);
)sql";

// Counted no further than the bound, so that an admission reads at most the bounds' worth of
// the indexes.
constexpr const char* count_at_address = R"sql(
SELECT count(*) FROM (SELECT 1 FROM running_tests WHERE address = ?1 AND touched_at >= ?2
    LIMIT ?3))sql";
constexpr const char* count_in_all = R"sql(
SELECT count(*) FROM (SELECT 1 FROM running_tests WHERE touched_at >= ?1 LIMIT ?2))sql";

} // namespace

void make_sqlite_running_tests(SqliteConnection& connection) {
    connection.execute(running_tests_table);
}

SqliteRunningTests::SqliteRunningTests(SqliteConnection connection,
                                       std::chrono::milliseconds lock_wait)
    : lock_wait_(lock_wait), connection_([&] {
          // A move lost in a crash is played again alike, so the tests' commits need not wait
          // for the disk: NORMAL syncs the log only at checkpoints. It is this connection's
          // alone, so the results keep FULL.
          connection.execute("PRAGMA synchronous = NORMAL");
          return std::move(connection);
      }()),
      at_address_(connection_, count_at_address), in_all_(connection_, count_in_all),
      insert_(connection_, "INSERT INTO running_tests (id, address, answered, state, touched_at) "
                           "VALUES (?1, ?2, ?3, ?4, ?5)"),
      find_(connection_, "SELECT address, answered, state, touched_at FROM running_tests "
                         "WHERE id = ?1 AND touched_at >= ?2"),
      replace_(connection_, "UPDATE running_tests SET answered = ?1, state = ?2, touched_at = ?3 "
                            "WHERE id = ?4 AND answered = ?5"),
      remove_idle_(connection_, "DELETE FROM running_tests WHERE touched_at < ?1") {}

template <typename Use> auto SqliteRunningTests::holding(Use use) {
    const std::unique_lock held(mutex_, lock_wait_);
    if (!held.owns_lock()) {
        throw StoreError("the store is busy");
    }
    try {
        return use();
    } catch (const SqliteError& e) {
        throw StoreError(e.code == SQLITE_BUSY || e.code == SQLITE_LOCKED ? "the store is busy"
                                                                          : e.what());
    }
}

TestAdmission SqliteRunningTests::add(const RunningTestRecord& test, int64_t per_address,
                                  int64_t in_all, int64_t idle_before) {
    return holding([&] {
        // The write lock from the first count on, so that two services on the file count
        // one after the other.
        SqliteTransaction transaction(connection_);
        {
            SqliteQuery count(at_address_);
            count.bind(1, test.address)
                .bind(2, idle_before)
                .bind(3, std::max<int64_t>(per_address, 0));
            count.step();
            if (count.integer(0) >= per_address) {
                return TestAdmission::address_full;
            }
        }
        {
            SqliteQuery count(in_all_);
            count.bind(1, idle_before).bind(2, std::max<int64_t>(in_all, 0));
            count.step();
            if (count.integer(0) >= in_all) {
                return TestAdmission::service_full;
            }
        }
        {
            SqliteQuery insert(insert_);
            insert.bind(1, test.id).bind(2, test.address).bind(3, test.answered);
            insert.bind_blob(4, test.state).bind(5, test.touched_at);
            insert.step();
        }
        transaction.commit();
        return TestAdmission::admitted;
    });
}

std::optional<RunningTestRecord> SqliteRunningTests::find(std::string_view id,
                                                          int64_t idle_before) {
    return holding([&]() -> std::optional<RunningTestRecord> {
        SqliteQuery query(find_);
        query.bind(1, std::string(id)).bind(2, idle_before);
        if (!query.step()) {
            return std::nullopt;
        }
        return RunningTestRecord{std::string(id), query.text(0), int32_t(query.integer(1)),
                                 query.blob(2), query.integer(3)};
    });
}

bool SqliteRunningTests::replace(const RunningTestRecord& test, int32_t expected_answered) {
    return holding([&] {
        SqliteQuery query(replace_);
        query.bind(1, test.answered).bind_blob(2, test.state).bind(3, test.touched_at);
        query.bind(4, test.id).bind(5, expected_answered);
        query.step();
        return connection_.changes() > 0;
    });
}

int64_t SqliteRunningTests::remove_idle(int64_t idle_before) {
    return holding([&] {
        SqliteQuery query(remove_idle_);
        query.bind(1, idle_before);
        query.step();
        return connection_.changes();
    });
}
