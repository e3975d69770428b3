// Verified results in both stores: marked in every answer, counted in their class like any
// other, paged alone in order of moves and arrival, stored once per test, and a store made
// before the mark existed keeps its results, all unmarked.
#include "server/open_store.h"
#include "server/store/postgres/postgres_handles.h"
#include "server/store/running_tests.h"
#include "server/store/sqlite/sqlite_handles.h"
#include "tests/server/every_store.h"
#include "tests/server/result_links.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

namespace {

const TestSettings typical{42, 7, 5, 12};

// A result the referee counted in test n.
ResultRow verified(const std::string& nickname, int moves, int n,
                   const TestSettings& settings = typical) {
    char id[33];
    std::snprintf(id, sizeof id, "%032x", n);
    ResultRow row;
    row.link_key = verified_key_prefix + std::string(id);
    row.settings = settings;
    row.total_moves = moves;
    row.utf8_texts = {nickname, "ru", "Tver", "", "1990", "v@x.org"};
    row.verified = true;
    return row;
}

ResultRow linked(const std::string& nickname, int moves) {
    return read_result_link(typical_query(nickname, moves)).row.value();
}

std::string nicknames_of(const std::vector<PublishedResult>& results) {
    std::string nicknames;
    for (const PublishedResult& r : results) {
        nicknames += (nicknames.empty() ? "" : " ") + r.nickname + (r.verified ? "+" : "");
    }
    return nicknames;
}

struct VerifiedResultsTest : OnEveryStore {
    std::unique_ptr<ResultsStore> open(StoreLimits limits = {}) const {
        return open_results_store(where, limits);
    }
    // As a database of the version before the mark: no verified column, its index nor the
    // running tests.
    void make_former_version() const {
        const char* sql = "DROP INDEX results_verified_by_place; "
                          "ALTER TABLE results DROP COLUMN verified; DROP TABLE running_tests";
        if (GetParam() == StoreKind::sqlite) {
            SqliteConnection(where).execute(sql);
        } else {
            PostgresConnection(where, std::chrono::seconds(10)).execute(sql);
        }
    }
};

INSTANTIATE_TEST_SUITE_P(BothStores, VerifiedResultsTest,
                         testing::Values(StoreKind::sqlite, StoreKind::postgres), kind_name);

// Of one class, in order of arrival: links L1 (70 moves) and L2 (85), verified V1 (100), V2
// (80), V3 (100), V4 (90), V5 (80); V6 of another class. In order of place, V2 and V5 tie at
// 80 and V1 and V3 at 100, the earlier first.
std::unique_ptr<ResultsStore> mixed_class(const VerifiedResultsTest& test) {
    auto store = test.open();
    const ResultRow rows[] = {
        linked("L1", 70),       verified("V1", 100, 1),
        verified("V2", 80, 2),  linked("L2", 85),
        verified("V3", 100, 3), verified("V4", 90, 4),
        verified("V5", 80, 5),  verified("V6", 60, 6, {35, 7, 5, 12}),
    };
    int64_t received = 1765324800;
    for (const ResultRow& row : rows) {
        store->store(row, ++received);
    }
    return store;
}

TEST_P(VerifiedResultsTest, AClassPagesItsVerifiedResultsAloneByMovesThenArrival) {
    const auto store = mixed_class(*this);
    struct Page {
        int64_t first_place;
        int count;
        std::string nicknames;
    };
    const Page pages[] = {
        {0, 10, "V2+ V5+ V4+ V1+ V3+"},
        {1, 2, "V5+ V4+"}, // from within a tie
        {3, 10, "V1+ V3+"},
        {4, 1, "V3+"},
        {5, 10, ""},
        {-1, 10, ""},
        {0, 0, ""},
    };
    for (const Page& page : pages) {
        const ClassRecords got =
            store->verified_class_results(typical, page.first_place, page.count);
        EXPECT_EQ(got.settings, typical);
        EXPECT_EQ(got.class_size, 5);
        EXPECT_EQ(nicknames_of(got.results), page.nicknames) << page.first_place;
        for (size_t i = 0; i < got.results.size(); ++i) {
            EXPECT_EQ(got.results[i].place, page.first_place + 1 + int64_t(i));
        }
    }
    EXPECT_EQ(store->verified_class_results({35, 7, 5, 12}, 0, 10).class_size, 1);
    const ClassRecords none = store->verified_class_results({30, 7, 5, 12}, 0, 10);
    EXPECT_EQ(none.class_size, 0);
    EXPECT_TRUE(none.results.empty());
}

TEST_P(VerifiedResultsTest, VerifiedResultsCountInTheirClassAndEveryAnswerMarksThem) {
    const auto store = mixed_class(*this);
    const std::string all = "L1 V2+ V5+ L2 V4+ V1+ V3+";
    const ClassRecords page = store->class_results(typical, 0, 50);
    EXPECT_EQ(page.class_size, 7);
    EXPECT_EQ(nicknames_of(page.results), all);

    const std::vector<ClassRecords> records = store->records(4, 10);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].class_size, 7);
    EXPECT_EQ(nicknames_of(records[0].results), "L1 V2+ V5+ L2");
    EXPECT_EQ(nicknames_of(records[1].results), "V6+");

    std::vector<PublishedResult> published;
    store->each_published([&](const TestSettings& settings, const PublishedResult& r) {
        if (settings == typical) {
            published.push_back(r);
        }
    });
    EXPECT_EQ(nicknames_of(published), all);

    // A new verified result's answer: its place among all the class's results.
    const StoredResult stored = store->store(verified("V7", 85, 7), 1765411200);
    EXPECT_TRUE(stored.new_row);
    EXPECT_TRUE(stored.row.verified);
    EXPECT_EQ(stored.row.link_key, verified("", 0, 7).link_key);
    EXPECT_EQ(stored.place, 5) << "behind L2's 85, which came first";
    EXPECT_EQ(stored.class_size, 8);
    EXPECT_FALSE(store->store(linked("L3", 300), 1765411201).row.verified);
}

TEST_P(VerifiedResultsTest, OneTestIsStoredOnceAndAnsweredWithItsFirstPlaceAgain) {
    const auto store = mixed_class(*this);
    const StoredResult first = store->store(verified("V7", 85, 7), 1765411200);
    store->store(linked("L3", 75), 1765411201); // ahead of it now
    // The same test's result again, even with other figures: the row stored first.
    const StoredResult again = store->store(verified("other", 20, 7), 1765411202);
    EXPECT_FALSE(again.new_row);
    EXPECT_EQ(again.received_at, 1765411200);
    EXPECT_EQ(again.row.utf8_texts.nickname, "V7");
    EXPECT_EQ(again.row.total_moves, 85);
    EXPECT_TRUE(again.row.verified);
    EXPECT_EQ(again.place, first.place + 1);
    EXPECT_EQ(again.class_size, 9);
    EXPECT_EQ(store->verified_class_results(typical, 0, 50).class_size, 6);
}

TEST_P(VerifiedResultsTest, AClassIsCountedAndPagedNoFurtherThanTheBound) {
    StoreLimits limits;
    limits.max_pending = size_t(verified_places_counted) + 10;
    const auto store = open(limits);
    const int64_t stored = verified_places_counted + 1;
    std::atomic<int64_t> answered{0};
    for (int64_t n = 0; n < stored; ++n) {
        // One move more each: the last is the one beyond the bound.
        store->store_async(verified("n" + std::to_string(n), int(100 + n), int(n)), 1765324800,
                           [&](StoreOutcome) { ++answered; });
    }
    for (int waited = 0; answered < stored && waited < 12000; ++waited) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(store->result_count(), stored);
    const ClassRecords last =
        store->verified_class_results(typical, verified_places_counted - 1, 50);
    EXPECT_EQ(last.class_size, verified_places_counted);
    EXPECT_EQ(nicknames_of(last.results), "n" + std::to_string(verified_places_counted - 1) + "+")
        << "the last page ends at the bound";
    EXPECT_TRUE(
        store->verified_class_results(typical, verified_places_counted, 50).results.empty());
    EXPECT_EQ(store->class_results(typical, 0, 1).class_size, stored) << "the class counts all";
}

TEST_P(VerifiedResultsTest, AStoreOfTheFormerVersionKeepsItsResultsAllUnmarked) {
    {
        const auto store = open();
        store->store(linked("L1", 70), 1765324800);
        store->store(verified("V1", 80, 1), 1765324801); // marked, until the mark goes
        store->store(linked("L2", 90), 1765324802);
    }
    make_former_version();
    for (int start = 0; start < 2; ++start) { // made once, then found made
        const auto store = open();
        EXPECT_EQ(store->result_count(), 3 + start);
        EXPECT_EQ(nicknames_of(store->class_results(typical, 0, 50).results),
                  start == 0 ? "L1 V1 L2" : "L1 V1 L2 V2+");
        EXPECT_EQ(store->verified_class_results(typical, 0, 50).class_size, start);
        if (start == 0) {
            EXPECT_EQ(store->store(verified("V2", 100, 2), 1765324803).place, 4);
            EXPECT_EQ(store->running_tests().add({"t", "10.0.0.1", 0, "s", 1000}, 1, 1, 0),
                      TestAdmission::admitted);
        } else {
            EXPECT_TRUE(store->running_tests().find("t", 0));
        }
    }
}

} // namespace
