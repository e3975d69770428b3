// The store on a real file: one row per link, the place within a settings class, the records
// of each class, every field kept.
#include "server/results_store.h"
#include "tests/server/result_links.h"
#include "tests/server/stored_rows.h"
#include "tests/support/service_process.h"

#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <fstream>
#include <functional>
#include <future>
#include <set>
#include <sys/resource.h>
#include <thread>

namespace {

ResultRow row_of(const std::vector<std::string>& fields) {
    const LinkReading reading = read_result_link(query_of_fields(fields));
    EXPECT_TRUE(reading.row) << reading.reason;
    return reading.row.value_or(ResultRow{});
}

// A result of 42 balls, 7 colours, 5 × 12 lines unless the settings field is given.
ResultRow result(const std::string& nickname, int moves, const char* balls = "42",
                 const char* colours = "7", const char* rounds_and_lines = "5 12") {
    std::vector<std::string> fields = typical_fields();
    fields[0] = balls;
    fields[1] = colours;
    fields[2] = rounds_and_lines;
    fields[3] = std::to_string(moves);
    fields[4] = nickname;
    return row_of(fields);
}

// A row as the store takes it, made directly: the store checks nothing of it.
ResultRow made_row(const std::string& key, int32_t moves, int32_t balls = 42) {
    ResultRow row;
    row.link_key = key;
    row.initial_ball_count = balls;
    row.colour_count = 7;
    row.round_count = 5;
    row.lines_per_round = 12;
    row.total_moves = moves;
    row.nickname = key;
    row.country = "ru";
    row.city = "City";
    return row;
}

using Clock = std::chrono::steady_clock;

// Waits, boundedly, until the count reaches its goal.
bool reached(const std::atomic<int>& count, int goal) {
    for (int waited = 0; count < goal && waited < 1000; ++waited) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return count >= goal;
}

struct StoreTest : testing::Test {
    TemporaryFolder folder;
    std::string db = folder.path("results.sqlite");
};

TEST_F(StoreTest, PlaceIsFewerMovesFirstThenEarlierArrivalWithinTheSettings) {
    ResultsStore store(db);
    struct Step {
        ResultRow row;
        int64_t place, class_size;
        bool new_row;
    };
    const Step steps[] = {
        {result("A", 100), 1, 1, true},
        {result("B", 80), 1, 2, true},
        {result("C", 100), 3, 3, true}, // ties with A, which came first
        {result("D", 65, "42", "6"), 1, 1, true},
        {result("E", 90), 2, 4, true},
        {result("F", 70, "42", "7", "5 11"), 1, 1, true}, // other lines: another class
        {result("G", 70, "43"), 1, 1, true},
        {result("A", 100), 3, 4, false}, // sent again: behind B and E, ahead of C
    };
    int64_t received = 1765324800;
    for (const Step& step : steps) {
        const StoredResult stored = store.store(step.row, ++received);
        EXPECT_EQ(stored.place, step.place) << step.row.nickname;
        EXPECT_EQ(stored.class_size, step.class_size) << step.row.nickname;
        EXPECT_EQ(stored.new_row, step.new_row) << step.row.nickname;
    }
    EXPECT_EQ(store.result_count(), 7);
}

TEST_F(StoreTest, ResultsSentTogetherAreEachStoredOnceWithTheirOwnPlace) {
    // Enough at once that the writer takes several in one transaction.
    constexpr int sent = 200;
    ResultsStore store(db);
    std::atomic<int> answered{0};
    std::vector<StoreOutcome> outcomes(sent);
    for (int i = 0; i < sent; ++i) {
        // Moves 300 down to 101: each new result is the best so far, and one link twice.
        const int moves = i == sent - 1 ? 300 : 300 - i;
        store.store_async(result("p" + std::to_string(moves), moves), 1765324800 + i,
                          [&, i](StoreOutcome outcome) {
                              outcomes[size_t(i)] = std::move(outcome);
                              ++answered;
                          });
    }
    for (int waited = 0; answered < sent && waited < 3000; ++waited) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(answered.load(), sent);
    for (int i = 0; i < sent - 1; ++i) {
        ASSERT_EQ(outcomes[size_t(i)].status, StoreStatus::stored) << i;
        EXPECT_EQ(outcomes[size_t(i)].result.place, 1) << i;
        EXPECT_EQ(outcomes[size_t(i)].result.class_size, i + 1) << i;
    }
    const StoreOutcome& again = outcomes.back();
    EXPECT_FALSE(again.result.new_row);
    EXPECT_EQ(again.result.received_at, 1765324800) << "the first arrival's time";
    EXPECT_EQ(again.result.place, sent - 1) << "its place now, behind every later result";
    EXPECT_EQ(store.result_count(), sent - 1);
    EXPECT_EQ(store.generation(), uint64_t(sent - 1));
}

TEST_F(StoreTest, AResultWaitsABoundedTimeForALockAnotherProgramHolds) {
    ResultsStore store(db, {std::chrono::milliseconds(300), 4096});
    SqliteConnection other(db);
    other.execute("BEGIN IMMEDIATE");
    const auto start = std::chrono::steady_clock::now();
    try {
        store.store(result("waits", 100), 1765324800);
        ADD_FAILURE() << "stored while another program held the lock";
    } catch (const SqliteError& e) {
        EXPECT_EQ(e.code, SQLITE_BUSY);
    }
    // Generous: only that it ends, not how fast.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(store.result_count(), 0);
    EXPECT_EQ(store.records(10, 100).size(), 0u) << "the records still read meanwhile";
    other.execute("ROLLBACK");
    EXPECT_TRUE(store.store(result("waits", 100), 1765324801).new_row);
}

TEST_F(StoreTest, AFullQueueAnswersBusyAtOnceAndStoresNothingOfIt) {
    ResultsStore store(db, {std::chrono::milliseconds(2000), 1});
    SqliteConnection other(db);
    other.execute("BEGIN IMMEDIATE");
    // The first is taken by the writer, which waits for the lock; the second fills the queue.
    std::atomic<int> busy{0};
    std::atomic<int> answered{0};
    for (int i = 0; i < 5; ++i) {
        store.store_async(result("q" + std::to_string(i), 100 + i), 1765324800,
                          [&](StoreOutcome outcome) {
                              busy += outcome.status == StoreStatus::busy ? 1 : 0;
                              ++answered;
                          });
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_GE(busy.load(), 3) << "beyond the one taken and the one queued, busy at once";
    other.execute("ROLLBACK");
    for (int waited = 0; answered < 5 && waited < 1000; ++waited) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(answered.load(), 5);
    EXPECT_EQ(store.result_count(), 5 - busy.load());
}

TEST_F(StoreTest, TheFileAndItsCompanionsAreTheOwnersAlone) {
    {
        ResultsStore store(db);
        store.store(result("private", 100), 1765324800);
        for (const char* suffix : {"", "-wal", "-shm"}) {
            struct stat status {};
            ASSERT_EQ(stat((db + suffix).c_str(), &status), 0) << suffix;
            EXPECT_EQ(status.st_mode & 0777, 0600u) << suffix;
        }
    }
    // A file the operator made keeps the mode the operator gave it.
    const std::string own = folder.path("own.sqlite");
    std::ofstream(own).close();
    chmod(own.c_str(), 0640);
    ResultsStore store(own);
    struct stat status {};
    ASSERT_EQ(stat(own.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
}

TEST_F(StoreTest, AFileThatIsDamagedOrNoDatabaseIsRefusedWithOneLine) {
    {
        ResultsStore store(db);
        for (int i = 0; i < 300; ++i) {
            store.store(result("r" + std::to_string(i), 100 + i), 1765324800);
        }
    }
    // Garbage over the fourth page: a page of the table or its indexes.
    {
        std::fstream file(db, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(3 * 4096);
        const std::string garbage(4096, '\x5a');
        file.write(garbage.data(), std::streamsize(garbage.size()));
    }
    const std::string not_a_database = folder.path("notes.txt");
    std::ofstream(not_a_database) << std::string(8192, 'n');
    for (const std::string& path : {db, not_a_database}) {
        try {
            ResultsStore store(path);
            ADD_FAILURE() << path << " was opened";
        } catch (const StoreOpenError& e) {
            const std::string what = e.what();
            EXPECT_NE(what.find(path + " is damaged"), std::string::npos) << what;
            EXPECT_EQ(what.find('\n'), std::string::npos) << what;
        }
    }
}

TEST_F(StoreTest, AFileThatCannotBeWrittenIsRefusedBeforeAnyResultComes) {
    { ResultsStore made(db); }
    chmod(db.c_str(), 0444);
    // Root writes whatever the mode says: the check runs as an ordinary user then.
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0) {
            chmod(folder.path("").c_str(), 0755);
            if (setgid(65534) != 0 || setuid(65534) != 0) {
                _exit(3);
            }
        }
        try {
            ResultsStore store(db);
        } catch (const StoreOpenError& e) {
            _exit(std::string(e.what()).find("cannot") == 0 ? 0 : 2);
        }
        _exit(1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: opened; 2: another reason; 3: no ordinary user";
}

TEST_F(StoreTest, AFileAnotherProgramHoldsAtTheStartIsRefusedAfterTheWait) {
    { ResultsStore made(db); }
    SqliteConnection other(db);
    other.execute("BEGIN IMMEDIATE");
    try {
        ResultsStore store(db, {std::chrono::milliseconds(200), 4096});
        ADD_FAILURE() << "opened";
    } catch (const StoreOpenError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "cannot write " + db + ": another program held it for 200 ms");
    }
    other.execute("ROLLBACK");
    const std::string nowhere = folder.path("missing/results.sqlite");
    try {
        ResultsStore store(nowhere);
        ADD_FAILURE() << "opened";
    } catch (const StoreOpenError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "cannot create " + nowhere + ": No such file or directory");
    }
}

TEST_F(StoreTest, AFileOfTheFormerVersionGetsItsCountsOnce) {
    {
        SqliteConnection old(db);
        old.execute(R"sql(
            CREATE TABLE results (id INTEGER PRIMARY KEY, link_key TEXT NOT NULL UNIQUE,
                received_at INTEGER NOT NULL, initial_ball_count INTEGER NOT NULL,
                colour_count INTEGER NOT NULL, round_count INTEGER NOT NULL,
                lines_per_round INTEGER NOT NULL, total_moves INTEGER NOT NULL,
                nickname TEXT NOT NULL, country TEXT NOT NULL, city TEXT NOT NULL,
                hidden_text TEXT NOT NULL, birth_year TEXT NOT NULL, email TEXT NOT NULL);
            INSERT INTO results VALUES
                (1, 'a', 1, 42, 7, 5, 12, 200, 'old1', '', '', '', '', ''),
                (2, 'b', 2, 42, 7, 5, 12, 150, 'old2', '', '', '', '', ''),
                (3, 'c', 3, 35, 7, 5, 12, 150, 'old3', '', '', '', '', '');)sql");
    }
    {
        ResultsStore store(db);
        EXPECT_EQ(store.result_count(), 3);
        const StoredResult stored = store.store(result("new", 180), 4);
        EXPECT_EQ(stored.place, 2) << "behind old2's 150, ahead of old1's 200";
        EXPECT_EQ(stored.class_size, 3);
    }
    ResultsStore reopened(db);
    EXPECT_EQ(reopened.result_count(), 4) << "counted once, not again at the next start";
    // An operator's delete keeps the counts true.
    SqliteConnection(db).execute("DELETE FROM results WHERE nickname = 'old2'");
    const std::vector<ClassRecords> classes = reopened.records(10, 100);
    ASSERT_EQ(classes.size(), 2u);
    EXPECT_EQ(classes[0].class_size, 2);
    EXPECT_EQ(classes[0].best[0].nickname, "new");
    EXPECT_EQ(reopened.store(result("later", 170), 5).place, 1);
}

TEST_F(StoreTest, TheSameLinkIsOneRowAnsweredAlikeEachTime) {
    ResultsStore store(db);
    const ResultRow row = result("Twice", 345);
    const StoredResult first = store.store(row, 1765324800);
    const uint64_t generation = store.generation();
    const StoredResult second = store.store(row, 1765411199);
    EXPECT_TRUE(first.new_row);
    EXPECT_FALSE(second.new_row);
    EXPECT_EQ(second.received_at, 1765324800) << "the first arrival's time";
    EXPECT_EQ(second.place, first.place);
    EXPECT_EQ(second.class_size, 1);
    EXPECT_EQ(second.row.nickname, "Twice");
    EXPECT_EQ(store.result_count(), 1);
    EXPECT_EQ(store.generation(), generation) << "nothing new to show";
}

TEST_F(StoreTest, KeepsEveryFieldInWalModeAndOpensTheFileAgain) {
    {
        ResultsStore store(db);
        store.store(row_of(typical_fields()), 1765324800);
    }
    const std::string key = query_of_fields(typical_fields());
    const std::map<std::string, std::string> expected = {{"initial_ball_count", "42"},
                                                         {"colour_count", "7"},
                                                         {"round_count", "5"},
                                                         {"lines_per_round", "12"},
                                                         {"total_moves", "345"},
                                                         {"nickname", "Tester"},
                                                         {"country", "ru"},
                                                         {"city", utf8_text(u8"Москва")},
                                                         {"hidden_text", "hidden"},
                                                         {"birth_year", "1990"},
                                                         {"email", "t@x.org"},
                                                         {"received_at", "1765324800"}};
    EXPECT_EQ(stored_row(db, key), expected);

    ResultsStore reopened(db);
    EXPECT_EQ(reopened.result_count(), 1);
    EXPECT_FALSE(reopened.store(row_of(typical_fields()), 1765411199).new_row);
    SqliteConnection connection(db);
    const SqliteStatement mode(connection, "PRAGMA journal_mode");
    SqliteQuery query(mode);
    ASSERT_TRUE(query.step());
    EXPECT_EQ(query.text(0), "wal");
}

TEST_F(StoreTest, RecordsShowTheBestOfEachClassMostPlayedClassFirst) {
    ResultsStore store(db);
    int64_t received = 1765324800;
    // Twelve results of 42 balls with moves 300, 290, ... 190, and two of 35 balls.
    for (int i = 0; i < 12; ++i) {
        store.store(result("p" + std::to_string(i), 300 - 10 * i), ++received);
    }
    store.store(result("slow", 500, "35"), ++received);
    store.store(result("fast", 400, "35"), ++received);

    const std::vector<ClassRecords> classes = store.records(10, 100);
    ASSERT_EQ(classes.size(), 2u);
    EXPECT_EQ(classes[0].settings, (SettingsClass{42, 7, 5, 12}));
    EXPECT_EQ(classes[0].class_size, 12);
    ASSERT_EQ(classes[0].best.size(), 10u);
    for (int i = 0; i < 10; ++i) {
        const PublishedResult& r = classes[0].best[size_t(i)];
        EXPECT_EQ(r.place, i + 1);
        EXPECT_EQ(r.nickname, "p" + std::to_string(11 - i));
        EXPECT_EQ(r.total_moves, 190 + 10 * i);
        EXPECT_EQ(r.city, utf8_text(u8"Москва"));
        EXPECT_EQ(r.received_at, 1765324800 + 12 - i);
    }
    EXPECT_EQ(classes[1].settings, (SettingsClass{35, 7, 5, 12}));
    ASSERT_EQ(classes[1].best.size(), 2u);
    EXPECT_EQ(classes[1].best[0].nickname, "fast");
    EXPECT_EQ(classes[1].best[1].nickname, "slow");

    const std::vector<ClassRecords> first_only = store.records(10, 1);
    ASSERT_EQ(first_only.size(), 1u);
    EXPECT_EQ(first_only[0].class_size, 12);
    EXPECT_EQ(store.records(3, 100)[0].best.size(), 3u);
}

TEST_F(StoreTest, PlacesAgreeWithACountOfTheResultsWhateverTheirMoves) {
    ResultsStore store(db);
    // Moves about every bucket edge of the counts (256, 65536 and 2^24 moves apart), the
    // largest a link may carry, and ties, in a mixed order.
    const std::vector<int32_t> edges = {
        1,        2,        255,      256,      257,           511,       512,  65535, 65536, 65537,
        16777215, 16777216, 16777217, 33554432, INT32_MAX - 1, INT32_MAX, 1000, 1000,  70000, 300};
    std::vector<int32_t> arrived;
    uint32_t random = 12345;
    for (int i = 0; i < 240; ++i) {
        random = random * 1103515245u + 12345u;
        int64_t moves = edges[size_t(i) < edges.size() ? size_t(i) : (random >> 8) % edges.size()];
        moves = std::clamp<int64_t>(moves + int64_t(random >> 29) % 3 - 1, 1, INT32_MAX);
        const StoredResult stored =
            store.store(made_row("k" + std::to_string(i), int32_t(moves)), 1765324800 + i);
        int64_t ahead = 0;
        for (const int32_t other : arrived) {
            ahead += other <= moves ? 1 : 0; // every tie came earlier
        }
        ASSERT_TRUE(stored.new_row);
        ASSERT_EQ(stored.place, ahead + 1) << i << ": " << moves;
        ASSERT_EQ(stored.class_size, i + 1);
        arrived.push_back(int32_t(moves));
    }
    // Each link again has its place now: behind the results after it with fewer moves.
    for (size_t i = 0; i < arrived.size(); i += 7) {
        int64_t ahead = 0;
        for (size_t j = 0; j < arrived.size(); ++j) {
            ahead += arrived[j] < arrived[i] || (arrived[j] == arrived[i] && j < i) ? 1 : 0;
        }
        const StoredResult again = store.store(made_row("k" + std::to_string(i), 5), 1800000000);
        EXPECT_FALSE(again.new_row);
        EXPECT_EQ(again.row.total_moves, arrived[i]) << "the result as first stored";
        EXPECT_EQ(again.place, ahead + 1) << i;
        EXPECT_EQ(again.place, place_in_file(db, "k" + std::to_string(i)));
    }
}

TEST_F(StoreTest, ALinkSentAgainShowsItsFirstArrivalAndItsPlaceNow) {
    ResultsStore store(db);
    const StoredResult first = store.store(made_row("first", 300), 1765324800);
    EXPECT_EQ(first.place, 1);
    EXPECT_EQ(first.class_size, 1);
    store.store(made_row("better", 200), 1765324900);
    const StoredResult again = store.store(made_row("first", 300), 1765411200);
    EXPECT_FALSE(again.new_row);
    EXPECT_EQ(again.received_at, 1765324800);
    EXPECT_EQ(again.place, 2) << "1 of 1 when it came, 2 of 2 now";
    EXPECT_EQ(again.class_size, 2);
}

TEST_F(StoreTest, AnOperatorsDeletesAndChangesKeepThePlacesTrue) {
    ResultsStore store(db);
    for (int i = 0; i < 40; ++i) {
        // Moves 300 apart: across the first level's buckets.
        store.store(made_row("k" + std::to_string(i), 100 + (i * 37) % 20 * 300), 1765324800);
    }
    {
        SqliteConnection operator_connection(db);
        operator_connection.execute("DELETE FROM results WHERE link_key IN ('k3', 'k10', 'k11')");
        operator_connection.execute("UPDATE results SET total_moves = 70000 WHERE link_key = 'k5'");
        operator_connection.execute(
            "UPDATE results SET total_moves = 400 WHERE link_key IN ('k7', 'k8', 'k9')");
        operator_connection.execute(
            "UPDATE results SET initial_ball_count = 43 WHERE link_key = 'k6'");
    }
    for (int i = 0; i < 40; ++i) {
        if (i == 3 || i == 10 || i == 11) {
            continue;
        }
        const std::string key = "k" + std::to_string(i);
        const StoredResult again = store.store(made_row(key, 100), 1800000000);
        EXPECT_FALSE(again.new_row) << key;
        EXPECT_EQ(again.place, place_in_file(db, key)) << key;
        EXPECT_EQ(again.class_size, i == 6 ? 1 : 36) << key;
    }
    const StoredResult back = store.store(made_row("k3", 1000), 1800000000);
    EXPECT_TRUE(back.new_row) << "a deleted link is a new result";
    EXPECT_EQ(back.place, place_in_file(db, "k3"));
    EXPECT_EQ(back.class_size, 37);
}

TEST_F(StoreTest, CountsThatDisagreeWithTheResultsAreMadeAgainAtTheNextStart) {
    {
        ResultsStore store(db);
        store.store(made_row("k0", 100), 1765324800);
        store.store(made_row("k1", 200), 1765324801);
    }
    // A replace deletes without its delete trigger (SQLite's recursive triggers are off): the
    // counts still hold the result it replaced.
    SqliteConnection(db).execute(R"sql(
        INSERT OR REPLACE INTO results SELECT id, link_key, received_at, initial_ball_count,
            colour_count, round_count, lines_per_round, 50, nickname, country, city,
            hidden_text, birth_year, email FROM results WHERE link_key = 'k1')sql");
    ResultsStore reopened(db);
    EXPECT_EQ(reopened.result_count(), 2);
    const StoredResult stored = reopened.store(made_row("k2", 150), 1765324802);
    EXPECT_EQ(stored.place, 3) << "behind 50 and 100; the replaced 200 is gone";
    EXPECT_EQ(stored.class_size, 3);
}

TEST_F(StoreTest, AFileWithCountsOfAnEarlierShapeIsCountedAgain) {
    {
        SqliteConnection old(db);
        old.execute(R"sql(
            CREATE TABLE results (id INTEGER PRIMARY KEY, link_key TEXT NOT NULL UNIQUE,
                received_at INTEGER NOT NULL, initial_ball_count INTEGER NOT NULL,
                colour_count INTEGER NOT NULL, round_count INTEGER NOT NULL,
                lines_per_round INTEGER NOT NULL, total_moves INTEGER NOT NULL,
                nickname TEXT NOT NULL, country TEXT NOT NULL, city TEXT NOT NULL,
                hidden_text TEXT NOT NULL, birth_year TEXT NOT NULL, email TEXT NOT NULL);
            CREATE TABLE class_counts (initial_ball_count, colour_count, round_count,
                lines_per_round, result_count);
            CREATE TABLE move_counts (initial_ball_count, colour_count, round_count,
                lines_per_round, total_moves, result_count);
            INSERT INTO class_counts VALUES (42, 7, 5, 12, 99);
            INSERT INTO results VALUES
                (1, 'a', 1, 42, 7, 5, 12, 200, 'old1', '', '', '', '', ''),
                (2, 'b', 2, 42, 7, 5, 12, 150, 'old2', '', '', '', '', '');)sql");
    }
    ResultsStore store(db);
    EXPECT_EQ(store.result_count(), 2);
    const StoredResult stored = store.store(made_row("new", 180), 3);
    EXPECT_EQ(stored.place, 2);
    EXPECT_EQ(stored.class_size, 3);
}

TEST_F(StoreTest, AFileOfALaterVersionIsRefusedWithOneLine) {
    { ResultsStore made(db); }
    SqliteConnection(db).execute("PRAGMA user_version = 99");
    try {
        ResultsStore store(db);
        ADD_FAILURE() << "opened";
    } catch (const StoreOpenError& e) {
        const std::string what = e.what();
        EXPECT_EQ(what.find(db + " was made by a later version"), 0u) << what;
        EXPECT_EQ(what.find('\n'), std::string::npos) << what;
    }
}

TEST_F(StoreTest, AResultThatWaitedItsWholeTimeInTheQueueIsBusyUntried) {
    ResultsStore store(db, {std::chrono::milliseconds(100), 4096});
    std::atomic<int> answered{0};
    StoreStatus first = StoreStatus::failed;
    StoreStatus second = StoreStatus::failed;
    // The first answer holds the writer (as no done may), with the file free: the second
    // waits in the queue meanwhile, longer than its 100 ms.
    store.store_async(made_row("first", 100), 1765324800, [&](const StoreOutcome& outcome) {
        first = outcome.status;
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        ++answered;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    store.store_async(made_row("second", 100), 1765324800, [&](const StoreOutcome& outcome) {
        second = outcome.status;
        ++answered;
    });
    ASSERT_TRUE(reached(answered, 2));
    EXPECT_EQ(first, StoreStatus::stored);
    EXPECT_EQ(second, StoreStatus::busy);
    EXPECT_EQ(store.result_count(), 1);
    EXPECT_TRUE(stored_row(db, "second").empty());
    EXPECT_TRUE(store.store(made_row("second", 100), 1765324801).new_row)
        << "tried when sent again";
}

TEST_F(StoreTest, EachResultWaitsForAHeldLockOnlyItsOwnTime) {
    constexpr auto wait = std::chrono::milliseconds(300);
    ResultsStore store(db, {wait, 4096});
    SqliteConnection other(db);
    other.execute("BEGIN IMMEDIATE");
    // Results arriving through more than one wait: each is answered busy within its own
    // wait, not its own and the one of the batch before it.
    constexpr int sent = 16;
    std::vector<Clock::duration> waited(sent);
    std::vector<StoreStatus> statuses(sent, StoreStatus::stored);
    std::atomic<int> answered{0};
    for (int i = 0; i < sent; ++i) {
        const Clock::time_point start = Clock::now();
        store.store_async(made_row("w" + std::to_string(i), 100), 1765324800,
                          [&, i, start](const StoreOutcome& outcome) {
                              waited[size_t(i)] = Clock::now() - start;
                              statuses[size_t(i)] = outcome.status;
                              ++answered;
                          });
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
    }
    ASSERT_TRUE(reached(answered, sent));
    for (int i = 0; i < sent; ++i) {
        EXPECT_EQ(statuses[size_t(i)], StoreStatus::busy) << i;
        // Generous for a loaded machine, and still well short of two waits.
        EXPECT_LT(waited[size_t(i)], wait + std::chrono::milliseconds(200)) << i;
    }
    other.execute("ROLLBACK");
    EXPECT_EQ(stored_count(db), 0);
}

TEST_F(StoreTest, ReadsGoOnWhileTheWriterWaitsForTheLock) {
    ResultsStore store(db, {std::chrono::milliseconds(3000), 4096});
    store.store(made_row("before", 100), 1765324800);
    SqliteConnection other(db);
    other.execute("BEGIN IMMEDIATE");
    std::promise<StoreStatus> status;
    store.store_async(made_row("waits", 90), 1765324801,
                      [&status](const StoreOutcome& outcome) { status.set_value(outcome.status); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100)); // the writer is waiting now
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(store.result_count(), 1);
    const std::vector<ClassRecords> classes = store.records(10, 100);
    ASSERT_EQ(classes.size(), 1u);
    EXPECT_EQ(classes[0].best[0].nickname, "before");
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1000)) << "not behind the writer";
    other.execute("ROLLBACK");
    EXPECT_EQ(status.get_future().get(), StoreStatus::stored) << "stored once the lock is free";
    EXPECT_EQ(store.records(10, 100)[0].best[0].nickname, "waits");
}

TEST_F(StoreTest, AWriterKilledAtAnyMomentKeepsEveryAnsweredResult) {
    // Enough results that the WAL is checkpointed and started again from its beginning more
    // than once before the kill: the WAL is checkpointed every 1000 pages and started again
    // past 16384, and a result takes about three pages.
    constexpr uint32_t before_kill = 30000;
    int answers[2];
    ASSERT_EQ(pipe(answers), 0);
    const pid_t child = fork();
    if (child == 0) {
        close(answers[0]);
        ResultsStore store(db);
        // 32 clients, each sending its next result once answered; each answer goes to the
        // parent as the number of the result, once stored.
        std::atomic<uint32_t> next{0};
        std::function<void()> send = [&] {
            const uint32_t n = next++;
            store.store_async(made_row("r" + std::to_string(n), int32_t(100 + n % 5000)),
                              1765324800, [&, n](const StoreOutcome& outcome) {
                                  if (outcome.status == StoreStatus::stored &&
                                      write(answers[1], &n, sizeof n) != sizeof n) {
                                      _exit(20);
                                  }
                                  send();
                              });
        };
        for (int client = 0; client < 32; ++client) {
            send();
        }
        std::this_thread::sleep_for(std::chrono::seconds(600));
        _exit(21);
    }
    close(answers[1]);
    std::vector<uint32_t> answered;
    uint32_t n = 0;
    while (answered.size() < before_kill && read(answers[0], &n, sizeof n) == sizeof n) {
        answered.push_back(n);
    }
    kill(child, SIGKILL);
    while (read(answers[0], &n, sizeof n) == sizeof n) {
        answered.push_back(n); // answered before it died
    }
    close(answers[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer ended on its own: " << WEXITSTATUS(status);
    ASSERT_GE(answered.size(), size_t(before_kill));

    std::set<std::string> stored;
    {
        SqliteConnection connection(db);
        const SqliteStatement keys(connection, "SELECT link_key FROM results");
        SqliteQuery query(keys);
        while (query.step()) {
            stored.insert(query.text(0));
        }
    }
    size_t lost = 0;
    for (const uint32_t answer : answered) {
        lost += stored.count("r" + std::to_string(answer)) == 0 ? 1 : 0;
    }
    EXPECT_EQ(lost, 0u) << "of " << answered.size() << " answered";
    EXPECT_LE(stored.size(), answered.size() + 32) << "at most one unanswered a client";
    // The file is sound and its counts true: it opens, and a new result has its true place.
    ResultsStore reopened(db);
    EXPECT_EQ(reopened.result_count(), int64_t(stored.size()));
    const StoredResult after = reopened.store(made_row("after", 2600), 1800000000);
    EXPECT_EQ(after.place, place_in_file(db, "after"));
    EXPECT_EQ(after.class_size, int64_t(stored.size()) + 1);
}

TEST_F(StoreTest, AFailedWriteAnswersFailedAndStoresNothing) {
    // A file size limit makes every write past the files' current ends fail, as a full disk
    // would. It is the whole process's, so a child process runs the store under it.
    const pid_t child = fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        ResultsStore store(db);
        store.store(made_row("before", 100), 1765324800);
        struct stat wal {};
        if (stat((db + "-wal").c_str(), &wal) != 0) {
            _exit(10);
        }
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        const rlim_t unlimited = limit.rlim_cur;
        limit.rlim_cur = rlim_t(wal.st_size);
        setrlimit(RLIMIT_FSIZE, &limit);
        // Many, so that their pages cannot fit where the WAL has room.
        std::atomic<int> answered{0};
        std::atomic<int> failed{0};
        for (int i = 0; i < 50; ++i) {
            store.store_async(made_row("full" + std::to_string(i), 100), 1765324800,
                              [&](const StoreOutcome& outcome) {
                                  failed += outcome.status == StoreStatus::failed ? 1 : 0;
                                  ++answered;
                              });
        }
        if (!reached(answered, 50)) {
            _exit(11);
        }
        limit.rlim_cur = unlimited;
        setrlimit(RLIMIT_FSIZE, &limit);
        if (failed != 50) {
            _exit(12);
        }
        if (store.result_count() != 1 || stored_count(db) != 1) {
            _exit(13);
        }
        // The disk has room again: the store goes on.
        if (!store.store(made_row("after", 100), 1765324801).new_row || stored_count(db) != 2) {
            _exit(14);
        }
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "10-14: the step that failed";
}

} // namespace
