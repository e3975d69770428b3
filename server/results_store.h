// The results in one SQLite file: storing a result in its own transaction, its place, and the
// best results of each settings class.
#pragma once

#include "server/result_row.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
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
    int64_t place = 0;       // 1 for the best of its class; earlier first on a tie
    int64_t class_size = 0;  // results of its class
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

class ResultsStore {
  public:
    // Opens or creates the file, in WAL mode, with its table and index.
    explicit ResultsStore(const std::string& path);
    ~ResultsStore();
    ResultsStore(const ResultsStore&) = delete;
    ResultsStore& operator=(const ResultsStore&) = delete;

    // Stores the row unless its link is stored already, and reads back the stored result and
    // its place, in one transaction.
    StoredResult store(const ResultRow& row, int64_t received_at);
    // The classes with the most results first (at most max_classes), each with its best
    // per_class results in order of place.
    std::vector<ClassRecords> records(int per_class, int max_classes);
    int64_t result_count();
    // Grows with every new row this store writes: what the records show changes only then.
    uint64_t generation() const { return generation_.load(); }

  private:
    struct Writer;
    struct Reader;
    std::atomic<uint64_t> generation_{0};
    std::mutex write_mutex_;
    std::unique_ptr<Writer> writer_;
    std::mutex read_mutex_;
    std::unique_ptr<Reader> reader_;
};
