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

// How long a result may wait for the file, and how many may wait at once: beyond either it
// is answered busy and nothing is stored.
struct StoreLimits {
    std::chrono::milliseconds lock_wait{2000}; // another program holding the write lock
    size_t max_pending = 4096;                 // results queued for the writer
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
    // Opens or creates the file (readable by its owner only), with its tables, in WAL mode;
    // throws StoreOpenError unless it can be written and passes SQLite's quick check.
    explicit ResultsStore(const std::string& path, StoreLimits limits = {});
    // Answers what is still queued, then ends the writer.
    ~ResultsStore();
    ResultsStore(const ResultsStore&) = delete;
    ResultsStore& operator=(const ResultsStore&) = delete;

    // Queues the row for the writer, which stores every queued row in one transaction and
    // calls each done, on its own thread, once their commit is on disk (or with busy or
    // failed). done is called exactly once and must not block.
    void store_async(ResultRow row, int64_t received_at, std::function<void(StoreOutcome)> done);
    // The same, waiting for the outcome; throws SqliteError unless stored.
    StoredResult store(const ResultRow& row, int64_t received_at);
    // The classes with the most results first (at most max_classes), each with its best
    // per_class results in order of place.
    std::vector<ClassRecords> records(int per_class, int max_classes);
    int64_t result_count();
    // Grows with every new row this store writes, before its result is answered: what the
    // records show changes only then.
    uint64_t generation() const { return generation_.load(); }

  private:
    struct Pending {
        ResultRow row;
        int64_t received_at = 0;
        std::chrono::steady_clock::time_point queued;
        std::function<void(StoreOutcome)> done;
    };
    struct Writer;
    struct Reader;
    void write_batches();
    void write_batch(std::vector<Pending>& batch);

    StoreLimits limits_;
    std::atomic<uint64_t> generation_{0};
    std::unique_ptr<Writer> writer_;
    std::mutex read_mutex_;
    std::unique_ptr<Reader> reader_;

    std::mutex queue_mutex_;
    std::condition_variable queue_ready_;
    std::deque<Pending> queue_;
    size_t last_batch_ = 0; // the size of the batch the writer took last
    bool stopping_ = false;
    std::thread writer_thread_;
};
