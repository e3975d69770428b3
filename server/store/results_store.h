// What the service asks of the place its results are kept: one interface, kept in SQLite (a
// file, the default) or PostgreSQL (a server several services share). Both keep the rules
// stated here, and share the writer, the row mapping and the places (the files beside this).
#pragma once

#include "server/row/result_row.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// Declared in running_tests.h, which only its users include.
class RunningTests;

// A result as the service answers it.
struct StoredResult {
    ResultRow row;
    int64_t received_at = 0; // seconds since 1970, UTC, of the first arrival
    bool new_row = false;    // false when the same link had been stored before
    int64_t place = 0;       // now: 1 for the best of its class; earlier first on a tie
    int64_t class_size = 0;  // results of its class now
};

// One line of a table of results: only what may be published.
struct PublishedResult {
    int64_t place = 0;
    std::string nickname;
    std::string country;
    std::string city;
    int32_t total_moves = 0;
    int64_t received_at = 0;
    bool verified = false; // counted by the service's referee, not sent by a link
};

// Results with the same settings are comparable: within one class the lines are the same, so
// fewer moves is the better accuracy.
struct ClassRecords {
    TestSettings settings{};
    int64_t class_size = 0;
    // The results read: a class's best on the records page, one page of it on its own pages.
    std::vector<PublishedResult> results;
};

// A class's verified results are counted, and paged, no further than this: their places are
// not kept in counts as the class's are, so a read of them walks their index, at most twice
// this far (its count, then the page's start). Each comes from a test played to its end on
// the referee, so a class gathers them slowly: 200 pages of 50.
constexpr int64_t verified_places_counted = 10000;

// How many results of a class share one move count.
struct MovesCount {
    int32_t total_moves = 0;
    int64_t results = 0;
};

// A class's results by their moves, fewest first, as one moment of the store shows them; each
// look-up reads a bounded part of the counts, however many move counts the class has.
class MovesLookup {
  public:
    virtual ~MovesLookup() = default;
    virtual int64_t results() = 0;
    // The moves of the result at each place (0 for the first; each below results()).
    virtual std::vector<int32_t> moves_at(const std::vector<int64_t>& places) = 0;
    // How many results have fewer moves than each of these.
    virtual std::vector<int64_t> results_below(const std::vector<int32_t>& moves) = 0;
    // How many distinct move counts the results have from low to high, both included, counted
    // no further than most.
    virtual int64_t move_counts_between(int32_t low, int32_t high, int64_t most) = 0;
};

// How long a result may wait for the store, and how many may wait at once: beyond either it
// is answered busy and nothing is stored. Each bound has the name of the service's option
// that sets it (--lock-wait for lock_wait).
struct StoreLimits {
    std::chrono::milliseconds lock_wait{2000}; // another program holding the write lock
    size_t max_pending = 4096;                 // results queued for the writer
    // The connections a service opens to the store: one writes, the others read, so that
    // reads wait neither for each other nor for the writer. A reader waits for a free one at
    // most db_timeout (PostgreSQL) or lock_wait (SQLite).
    size_t db_connections = 4;
    // PostgreSQL only: how long a service waits for any answer from it before it drops the
    // connection and answers failed.
    std::chrono::milliseconds db_timeout{10000};
    // The store's size (size_bytes) from which results are refused (full), so that a flood of
    // results cannot fill the disk. 2 GiB: about 1.3 million results of the largest size and
    // many millions of ordinary ones, a day and a half of the service-wide limit at the
    // largest size, and small enough that the file and a backup of it fit a small server.
    int64_t max_db_bytes = int64_t(2) << 30;
};

// busy: another program's lock or a full queue, for a moment; unavailable: the database
// cannot be reached or written (a lost or stopped server, a failing or full disk) until an
// operator or a restart mends it; failed: a fault that sending the result again would meet
// again; full: the store has reached limits.max_db_bytes. The same link is one row, so a result
// refused busy or unavailable may be sent again.
enum class StoreStatus { stored, busy, unavailable, failed, full };

struct StoreOutcome {
    StoreStatus status = StoreStatus::failed;
    StoredResult result; // when stored
};

// The store cannot be used: one line that says why.
struct StoreOpenError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A failure of a store that is open (lost connection, damaged page, full disk).
struct StoreError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Which of a player's texts names the results an operator erases.
enum class PlayerField { email, nickname };

class ResultsStore {
  public:
    virtual ~ResultsStore() = default;

    // Queues the row, and calls done exactly once, on a thread of the store, when its result
    // is durable: on the disk, whatever the database's own defaults (or with busy,
    // unavailable, failed or full, nothing stored). A link is stored once; each result is
    // answered with its place and class size as they were when it arrived, even when later
    // ones were stored in the same transaction. done must not block.
    virtual void store_async(ResultRow row, int64_t received_at,
                             std::function<void(StoreOutcome)> done) = 0;
    // The same, waiting for the outcome; throws StoreError unless stored.
    StoredResult store(const ResultRow& row, int64_t received_at);

    // The classes with the most results first (at most max_classes), each with its best
    // per_class results in order of place.
    virtual std::vector<ClassRecords> records(int per_class, int max_classes) = 0;
    // The results of one class in order of place, from place first_place + 1, at most count;
    // class_size and settings as in records.
    virtual ClassRecords class_results(const TestSettings& settings, int64_t first_place,
                                       int count) = 0;
    // The verified results of one class alone, in order of moves and then arrival, from place
    // first_place + 1 among them, at most count; class_size counts the verified ones, no
    // further than verified_places_counted, and no page goes beyond it.
    virtual ClassRecords verified_class_results(const TestSettings& settings, int64_t first_place,
                                                int count) = 0;
    // Calls look_up once with the moves of one class's results, in one snapshot.
    virtual void look_up_moves(const TestSettings& settings,
                               const std::function<void(MovesLookup&)>& look_up) = 0;
    virtual int64_t result_count() = 0;
    // The bytes the store takes as its bound counts them: for the SQLite file its pages in
    // use and its write-ahead log; for PostgreSQL its tables with their indexes.
    virtual int64_t size_bytes() = 0;
    // Changes whenever what the pages show may have changed, by this service or any other
    // program sharing the store, before the result that changed it is answered.
    virtual uint64_t generation() = 0;

    // For operators: erases every result whose text in field equals value (UTF-8; an e-mail
    // in any case of its Latin letters, as mail compares them, with other letters exactly,
    // and without blanks around it; a nickname exactly), returning how many; and calls each
    // for every result in order of class and place, with the public fields only.
    virtual int64_t erase_player(PlayerField field, std::string_view value) = 0;
    virtual void each_published(
        const std::function<void(const TestSettings&, const PublishedResult&)>& each) = 0;

    // Where the referee keeps its running tests, in the same database as the results.
    virtual RunningTests& running_tests() = 0;
};
