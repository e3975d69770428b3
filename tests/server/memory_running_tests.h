// Running tests kept in memory, by the interface's rules, for the tests of what stands above
// the store; a switch makes every call fail as a lost store does.
#pragma once

#include "server/store/results_store.h"
#include "server/store/running_tests.h"

#include <map>
#include <mutex>

class MemoryRunningTests : public RunningTests {
  public:
    TestAdmission add(const RunningTestRecord& test, int64_t per_address, int64_t in_all,
                      int64_t idle_before) override {
        const std::lock_guard lock(mutex_);
        fail_if_lost();
        int64_t here = 0;
        int64_t all = 0;
        for (const auto& [id, kept] : tests_) {
            if (kept.touched_at >= idle_before) {
                ++all;
                here += kept.address == test.address;
            }
        }
        if (here >= per_address) {
            return TestAdmission::address_full;
        }
        if (all >= in_all) {
            return TestAdmission::service_full;
        }
        tests_[test.id] = test;
        return TestAdmission::admitted;
    }
    std::optional<RunningTestRecord> find(std::string_view id, int64_t idle_before) override {
        const std::lock_guard lock(mutex_);
        fail_if_lost();
        const auto found = tests_.find(std::string(id));
        if (found == tests_.end() || found->second.touched_at < idle_before) {
            return std::nullopt;
        }
        return found->second;
    }
    bool replace(const RunningTestRecord& test, int32_t expected_answered) override {
        const std::lock_guard lock(mutex_);
        fail_if_lost();
        const auto found = tests_.find(test.id);
        if (found == tests_.end() || found->second.answered != expected_answered) {
            return false;
        }
        found->second.answered = test.answered;
        found->second.state = test.state;
        found->second.touched_at = test.touched_at;
        return true;
    }
    int64_t remove_idle(int64_t idle_before) override {
        const std::lock_guard lock(mutex_);
        fail_if_lost();
        return int64_t(std::erase_if(tests_, [idle_before](const auto& entry) {
            return entry.second.touched_at < idle_before;
        }));
    }

    size_t size() {
        const std::lock_guard lock(mutex_);
        return tests_.size();
    }
    void set_lost(bool lost) {
        const std::lock_guard lock(mutex_);
        lost_ = lost;
    }

  private:
    void fail_if_lost() const {
        if (lost_) {
            throw StoreError("the database cannot be reached");
        }
    }
    std::mutex mutex_;
    std::map<std::string, RunningTestRecord> tests_;
    bool lost_ = false;
};
