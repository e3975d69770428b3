// The results in one SQLite file: results stored by one writer that commits together what
// arrives together, their places, and the best results of each settings class.
#pragma once

#include "server/result_row.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

// The settings that make results comparable: within one class the lines are the same, so
// fewer moves is the better accuracy.
struct SettingsClass {
    int32_t initial_ball_count = 0;
    int32_t colour_count = 0;
    int32_t round_count = 0;
    int32_t lines_per_round = 0;
    bool operator==(const SettingsClass&) const = default;
};

SettingsClass settings_class_of(const ResultRow& row);

// A result as the service answers it.
struct StoredResult {
    ResultRow row;
    int64_t received_at = 0; // seconds since 1970, UTC, of the first arrival
    bool new_row = false;    // false when the same link had been stored before
    int64_t place = 0;       // now: 1 for the best of its class; earlier first on a tie
    int64_t class_size = 0;  // results of its class now
};

// One line of the records table: only what may be published.
struct PublishedResult {
    int64_t place = 0;
    std::string nickname;
    std::string country;
    std::string city;
    int32_t total_moves = 0;
    int64_t received_at = 0;
};

struct ClassRecords {
    SettingsClass settings;
    int64_t class_size = 0;
    std::vector<PublishedResult> best;
};

// How long a result may wait, and how many may wait at once: beyond either it is answered
// busy and nothing of it is stored.
struct StoreLimits {
    // From its arrival to its transaction: a result queued longer is not tried, and a batch
    // waits for another program's write lock (an operator's sqlite3) only until its oldest
    // result has waited this long. Counted in whole milliseconds: with 0 a result is tried if
    // the writer takes it within a millisecond, and never waits for the lock.
    std::chrono::milliseconds lock_wait{2000};
    size_t max_pending = 4096; // results queued for the writer; a result beyond is busy at once
};

enum class StoreStatus { stored, busy, failed };

struct StoreOutcome {
    StoreStatus status = StoreStatus::failed;
    StoredResult result; // when stored
};

// The file cannot be used: one line that says why.
struct StoreOpenError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class ResultsStore {
  public:
    // Opens or creates the file (a new one readable by its owner only), makes or completes its
    // tables, in WAL mode with full synchronisation; throws StoreOpenError unless the file can
    // be written and passes SQLite's quick check.
    explicit ResultsStore(const std::string& path, StoreLimits limits = {});
    // Answers what is still queued (storing it), then ends the store's threads.
    ~ResultsStore();
    ResultsStore(const ResultsStore&) = delete;
    ResultsStore& operator=(const ResultsStore&) = delete;

    // Queues the row for the writer, which stores the queued rows together in one
    // transaction and calls each done, on its own thread, once their commit is on disk (or
    // with busy or failed, and then nothing of it is stored). done is called exactly once; it
    // must not block, and must not call store().
    void store_async(ResultRow row, int64_t received_at, std::function<void(StoreOutcome)> done);
    // The same, waiting for the outcome; throws SqliteError unless stored (its code is
    // SQLITE_BUSY for busy, SQLITE_ERROR for failed). Not to be called from a done (that
    // throws std::logic_error).
    StoredResult store(const ResultRow& row, int64_t received_at);
    // The classes with the most results first (at most max_classes), each with its best
    // per_class results in order of place. Never waits for the writer.
    std::vector<ClassRecords> records(int per_class, int max_classes);
    int64_t result_count();
    // Grows with every new row this store writes, before its result is answered: what the
    // records show changes only then.
    uint64_t generation() const;

  private:
    struct State;
    std::unique_ptr<State> state_;
};
