// The store on a real file: one row per link, the place within a settings class, the records
// of each class, every field kept.
#include "server/sqlite_store.h"
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
#include <fstream>
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

struct StoreTest : testing::Test {
    TemporaryFolder folder;
    std::string db = folder.path("results.sqlite");
};

TEST_F(StoreTest, PlaceIsFewerMovesFirstThenEarlierArrivalWithinTheSettings) {
    SqliteStore store(db);
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
        EXPECT_EQ(stored.place, step.place) << step.row.utf8_texts.nickname;
        EXPECT_EQ(stored.class_size, step.class_size) << step.row.utf8_texts.nickname;
        EXPECT_EQ(stored.new_row, step.new_row) << step.row.utf8_texts.nickname;
    }
    EXPECT_EQ(store.result_count(), 7);
}

TEST_F(StoreTest, ResultsSentTogetherAreEachStoredOnceWithTheirOwnPlace) {
    // Enough at once that the writer takes several in one transaction.
    constexpr int sent = 200;
    SqliteStore store(db);
    const uint64_t generation = store.generation();
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
    EXPECT_NE(store.generation(), generation);
}

TEST_F(StoreTest, AResultWaitsABoundedTimeForALockAnotherProgramHolds) {
    SqliteStore store(db, {std::chrono::milliseconds(300), 4096});
    SqliteConnection other(db);
    other.execute("BEGIN IMMEDIATE");
    const auto start = std::chrono::steady_clock::now();
    try {
        store.store(result("waits", 100), 1765324800);
        ADD_FAILURE() << "stored while another program held the lock";
    } catch (const StoreError& e) {
        EXPECT_STREQ(e.what(), "the store is busy");
    }
    // Generous: only that it ends, not how fast.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(store.result_count(), 0);
    EXPECT_EQ(store.records(10, 100).size(), 0u) << "the records still read meanwhile";
    other.execute("ROLLBACK");
    EXPECT_TRUE(store.store(result("waits", 100), 1765324801).new_row);
}

TEST_F(StoreTest, AFullQueueAnswersBusyAtOnceAndStoresNothingOfIt) {
    SqliteStore store(db, {std::chrono::milliseconds(2000), 1});
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
        SqliteStore store(db);
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
    SqliteStore store(own);
    struct stat status {};
    ASSERT_EQ(stat(own.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
}

TEST_F(StoreTest, AFileThatIsDamagedOrNoDatabaseIsRefusedWithOneLine) {
    {
        SqliteStore store(db);
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
            SqliteStore store(path);
            ADD_FAILURE() << path << " was opened";
        } catch (const StoreOpenError& e) {
            const std::string what = e.what();
            EXPECT_NE(what.find(path + " is damaged"), std::string::npos) << what;
            EXPECT_EQ(what.find('\n'), std::string::npos) << what;
        }
    }
}

TEST_F(StoreTest, AFileThatCannotBeWrittenIsRefusedBeforeAnyResultComes) {
    { SqliteStore made(db); }
    chmod(db.c_str(), 0444);
    // Root writes whatever the mode says: the check runs as an ordinary user then.
    const pid_t child = fork();
    if (child == 0) {
        // A child that hangs ends itself, so the wait below is bounded.
        alarm(30);
        if (geteuid() == 0) {
            chmod(folder.path("").c_str(), 0755);
            if (setgid(65534) != 0 || setuid(65534) != 0) {
                _exit(3);
            }
        }
        try {
            SqliteStore store(db);
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
        SqliteStore store(db);
        EXPECT_EQ(store.result_count(), 3);
        const StoredResult stored = store.store(result("new", 180), 4);
        EXPECT_EQ(stored.place, 2) << "behind old2's 150, ahead of old1's 200";
        EXPECT_EQ(stored.class_size, 3);
    }
    SqliteStore reopened(db);
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
    SqliteStore store(db);
    const ResultRow row = result("Twice", 345);
    const StoredResult first = store.store(row, 1765324800);
    const uint64_t generation = store.generation();
    const StoredResult second = store.store(row, 1765411199);
    EXPECT_TRUE(first.new_row);
    EXPECT_FALSE(second.new_row);
    EXPECT_EQ(second.received_at, 1765324800) << "the first arrival's time";
    EXPECT_EQ(second.place, first.place);
    EXPECT_EQ(second.class_size, 1);
    EXPECT_EQ(second.row.utf8_texts.nickname, "Twice");
    EXPECT_EQ(store.result_count(), 1);
    EXPECT_EQ(store.generation(), generation) << "nothing new to show";
}

TEST_F(StoreTest, KeepsEveryFieldInWalModeAndOpensTheFileAgain) {
    {
        SqliteStore store(db);
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

    SqliteStore reopened(db);
    EXPECT_EQ(reopened.result_count(), 1);
    EXPECT_FALSE(reopened.store(row_of(typical_fields()), 1765411199).new_row);
    SqliteConnection connection(db);
    const SqliteStatement mode(connection, "PRAGMA journal_mode");
    SqliteQuery query(mode);
    ASSERT_TRUE(query.step());
    EXPECT_EQ(query.text(0), "wal");
}

TEST_F(StoreTest, RecordsShowTheBestOfEachClassMostPlayedClassFirst) {
    SqliteStore store(db);
    int64_t received = 1765324800;
    // Twelve results of 42 balls with moves 300, 290, ... 190, and two of 35 balls.
    for (int i = 0; i < 12; ++i) {
        store.store(result("p" + std::to_string(i), 300 - 10 * i), ++received);
    }
    store.store(result("slow", 500, "35"), ++received);
    store.store(result("fast", 400, "35"), ++received);

    const std::vector<ClassRecords> classes = store.records(10, 100);
    ASSERT_EQ(classes.size(), 2u);
    EXPECT_EQ(classes[0].settings, (TestSettings{42, 7, 5, 12}));
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
    EXPECT_EQ(classes[1].settings, (TestSettings{35, 7, 5, 12}));
    ASSERT_EQ(classes[1].best.size(), 2u);
    EXPECT_EQ(classes[1].best[0].nickname, "fast");
    EXPECT_EQ(classes[1].best[1].nickname, "slow");

    const std::vector<ClassRecords> first_only = store.records(10, 1);
    ASSERT_EQ(first_only.size(), 1u);
    EXPECT_EQ(first_only[0].class_size, 12);
    EXPECT_EQ(store.records(3, 100)[0].best.size(), 3u);
}

} // namespace
