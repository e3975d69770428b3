// A store's running tests for the fake stores, which keep none.
#include "tests/server/no_running_tests.h"

#include "server/store/running_tests.h"

namespace {

struct NoRunningTests final : RunningTests {
    TestAdmission add(const RunningTestRecord&, int64_t, int64_t, int64_t) override {
        return TestAdmission::service_full;
    }
    std::optional<RunningTestRecord> find(std::string_view, int64_t) override { return {}; }
    bool replace(const RunningTestRecord&, int32_t) override { return false; }
    int64_t remove_idle(int64_t) override { return 0; }
};

} // namespace

RunningTests& no_running_tests() {
    static NoRunningTests none;
    return none;
}
