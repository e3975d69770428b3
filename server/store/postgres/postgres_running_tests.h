// The referee's running tests in PostgreSQL, on connections the store lends.
#pragma once

#include "server/store/postgres/postgres_lender.h"
#include "server/store/running_tests.h"

// Makes the table and its indexes in the connection's open transaction.
void make_postgres_running_tests(PostgresConnection& connection);

class PostgresRunningTests final : public RunningTests {
  public:
    explicit PostgresRunningTests(PostgresLender& lender) : lender_(lender) {}

    TestAdmission add(const RunningTestRecord& test, int64_t per_address, int64_t in_all,
                  int64_t idle_before) override;
    std::optional<RunningTestRecord> find(std::string_view id, int64_t idle_before) override;
    bool replace(const RunningTestRecord& test, int32_t expected_answered) override;
    int64_t remove_idle(int64_t idle_before) override;

  private:
    PostgresLender& lender_;
};
