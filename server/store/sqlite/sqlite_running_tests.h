// The referee's running tests in the SQLite file, on a connection of their own.
#pragma once

#include "server/store/running_tests.h"
#include "server/store/sqlite/sqlite_handles.h"

#include <chrono>
#include <mutex>

// Makes the table and its indexes unless they are there, in the connection's open
// transaction.
void make_sqlite_running_tests(SqliteConnection& connection);

class SqliteRunningTests final : public RunningTests {
  public:
    // connection: open on the store's file, whose tables are made. A call waits at most
    // lock_wait for the connection, which another thread may be using, and at most its busy
    // timeout for another connection's write lock on the file.
    SqliteRunningTests(SqliteConnection connection, std::chrono::milliseconds lock_wait);

    TestAdmission add(const RunningTestRecord& test, int64_t per_address, int64_t in_all,
                  int64_t idle_before) override;
    std::optional<RunningTestRecord> find(std::string_view id, int64_t idle_before) override;
    bool replace(const RunningTestRecord& test, int32_t expected_answered) override;
    int64_t remove_idle(int64_t idle_before) override;

  private:
    // Runs use with the connection held; SQLite's failures become StoreError.
    template <typename Use> auto holding(Use use);

    std::chrono::milliseconds lock_wait_;
    std::timed_mutex mutex_;
    SqliteConnection connection_;
    SqliteStatement at_address_;
    SqliteStatement in_all_;
    SqliteStatement insert_;
    SqliteStatement find_;
    SqliteStatement replace_;
    SqliteStatement remove_idle_;
};
