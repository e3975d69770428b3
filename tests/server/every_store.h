// A fixture for what both stores must do alike: each test runs once on a new SQLite file and
// once on a new PostgreSQL database of the tests' own cluster.
#pragma once

#include "tests/support/postgres_cluster.h"
#include "tests/support/service_process.h"

#include <gtest/gtest.h>

#include <string>

enum class StoreKind { sqlite, postgres };

inline std::string kind_name(const testing::TestParamInfo<StoreKind>& info) {
    return info.param == StoreKind::sqlite ? "Sqlite" : "Postgres";
}

struct OnEveryStore : testing::TestWithParam<StoreKind> {
    TemporaryFolder folder;
    std::string where; // the --db of the store

    void SetUp() override {
        where = GetParam() == StoreKind::sqlite ? folder.path("results.sqlite")
                                                : new_postgres_database();
        ASSERT_FALSE(where.empty());
    }
};
