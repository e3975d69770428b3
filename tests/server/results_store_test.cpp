// The store on a real file: one row per link, the place within a settings class, the records
// of each class, every field kept.
#include "server/results_store.h"
#include "tests/server/result_links.h"
#include "tests/server/stored_rows.h"
#include "tests/support/service_process.h"

#include <gtest/gtest.h>

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

} // namespace
