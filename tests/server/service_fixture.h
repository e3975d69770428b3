// A fixture with the real service running on a free port and a database file of its own.
#pragma once

#include "tests/support/service_process.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

struct ServiceTest : testing::Test {
    TemporaryFolder folder;
    std::string db = folder.path("results.sqlite");
    std::unique_ptr<ServiceProcess> service;
    // Further options of the service, set by a fixture's constructor.
    std::vector<std::string> options;

    void SetUp() override {
        start();
        ASSERT_TRUE(service->started()) << "the service did not say which port it took";
    }
    void start() {
        service = std::make_unique<ServiceProcess>(TRIVELLE_RESULTS_SERVICE, db, options);
    }
    Answer get(const std::string& path) const { return ::get(*service, path); }
};
