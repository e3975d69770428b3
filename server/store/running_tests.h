// Where the referee keeps its running tests between requests: in the store, so that a test
// outlives a restart of the service and any of several services sharing the store can answer
// its next request. The state is the referee's own encoding, opaque here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct RunningTestRecord {
    std::string id;         // 32 lowercase hexadecimal digits from a cryptographic source
    std::string address;    // who started it, as the per-address bound counts clients
    int32_t answered = 0;   // requests answered: the version a change must name
    std::string state;      // bytes, never shown to anyone
    int64_t touched_at = 0; // seconds since 1970, UTC, of its start or last answered request
};

enum class TestAdmission { admitted, address_full, service_full };

// Thread-safe: the referee's threads call it at once. Every call throws StoreError when the
// store fails. A test untouched since idle_before (seconds since 1970) is expired: it is
// neither found nor counted, and may be removed at any time.
class RunningTests {
  public:
    virtual ~RunningTests() = default;
    // Adds the test unless its address already runs per_address tests or all addresses run
    // in_all; two services sharing the store never admit more than the bounds between them.
    virtual TestAdmission add(const RunningTestRecord& test, int64_t per_address, int64_t in_all,
                              int64_t idle_before) = 0;
    virtual std::optional<RunningTestRecord> find(std::string_view id, int64_t idle_before) = 0;
    // Stores test's answered, state and touched_at if its stored answered is still
    // expected_answered; false when another request changed it first, or it has gone. Needs
    // not wait for the disk: a change lost in a crash is played again alike (see the referee).
    virtual bool replace(const RunningTestRecord& test, int32_t expected_answered) = 0;
    // Removes the expired tests; returns how many.
    virtual int64_t remove_idle(int64_t idle_before) = 0;
};
