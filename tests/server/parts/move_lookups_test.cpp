// A class's results looked up by their moves on both stores: places and the results below a
// move count at the edges of every level of block counts, with ties and after deletes, a store
// of the earlier version counted once, the picture equal to the one drawn from every move
// count, reads side by side; and the bound on what finding a place reads.
#include "server/open_store.h"
#include "server/pages/pictures.h"
#include "server/store/move_blocks.h"
#include "server/store/postgres/postgres_handles.h"
#include "server/store/sqlite/sqlite_handles.h"
#include "tests/server/every_store.h"
#include "tests/server/result_links.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <map>
#include <numeric>

namespace {

constexpr TestSettings the_class{42, 7, 5, 12}; // 60 lines

ResultRow result(const std::string& nickname, int32_t moves) {
    const LinkReading reading = read_result_link(typical_query(nickname, moves));
    EXPECT_TRUE(reading.row) << reading.reason;
    return reading.row.value_or(ResultRow{});
}

// Results on both sides of the edges of each level (64, 4096, 2^18, 2^24), the fewest and the
// most moves a link may carry, and two ties: in order of place their nicknames run a to n.
// They arrive out of order, each tie's first first.
const std::pair<const char*, int32_t> across_blocks[] = {
    {"n", 2147483647}, {"g", 4096}, {"a", 60},       {"b", 63},     {"m", 16777216},
    {"k", 262144},     {"d", 64},   {"c", 63},       {"i", 4097},   {"e", 100},
    {"h", 4096},       {"f", 4095}, {"l", 16777215}, {"j", 262143},
};

// The same class as the list of counts it is, fewest moves first.
std::vector<MovesCount> across_blocks_counts() {
    std::map<int32_t, int64_t> counted;
    for (const auto& [nickname, moves] : across_blocks) {
        ++counted[moves];
    }
    std::vector<MovesCount> counts;
    for (const auto& [moves, results] : counted) {
        counts.push_back({moves, results});
    }
    return counts;
}

struct MoveLookups : OnEveryStore {
    std::unique_ptr<ResultsStore> open(StoreLimits limits = {}) const {
        return open_results_store(where, limits);
    }
    std::unique_ptr<ResultsStore> across_blocks_store() const {
        auto store = open();
        int64_t received = 1765324800;
        for (const auto& [nickname, moves] : across_blocks) {
            store->store(result(nickname, moves), ++received);
        }
        return store;
    }
    // The table of counts a store of the earlier version lacks, dropped as an operator would.
    void drop_block_counts() const {
        if (GetParam() == StoreKind::sqlite) {
            SqliteConnection(where).execute("DROP TABLE move_blocks");
        } else {
            PostgresConnection(where, std::chrono::seconds(10)).execute("DROP TABLE move_blocks");
        }
    }
};

INSTANTIATE_TEST_SUITE_P(BothStores, MoveLookups,
                         testing::Values(StoreKind::sqlite, StoreKind::postgres), kind_name);

struct Below {
    int32_t moves;
    int64_t results;
};

void expect_below(ResultsStore& store, const std::vector<Below>& cases) {
    std::vector<int32_t> moves;
    for (const Below& c : cases) {
        moves.push_back(c.moves);
    }
    store.look_up_moves(the_class, [&](MovesLookup& lookup) {
        const std::vector<int64_t> below = lookup.results_below(moves);
        ASSERT_EQ(below.size(), cases.size());
        for (size_t i = 0; i < cases.size(); ++i) {
            EXPECT_EQ(below[i], cases[i].results) << "below " << cases[i].moves;
        }
    });
}

// Every place's moves, and each page of three from every place, by nickname.
void expect_places(ResultsStore& store, const std::string& nicknames,
                   const std::vector<int32_t>& moves) {
    store.look_up_moves(the_class, [&](MovesLookup& lookup) {
        ASSERT_EQ(lookup.results(), int64_t(nicknames.size()));
        std::vector<int64_t> places(nicknames.size());
        std::iota(places.begin(), places.end(), 0);
        EXPECT_EQ(lookup.moves_at(places), moves);
    });
    for (size_t first = 0; first < nicknames.size(); ++first) {
        const ClassRecords page = store.class_results(the_class, int64_t(first), 3);
        std::string got;
        for (size_t i = 0; i < page.results.size(); ++i) {
            got += page.results[i].nickname;
            EXPECT_EQ(page.results[i].place, int64_t(first + i + 1));
            EXPECT_EQ(page.results[i].total_moves, moves[first + i]);
        }
        EXPECT_EQ(got, nicknames.substr(first, 3)) << "from place " << first + 1;
    }
}

void expect_same_histogram(const AccuracyHistogram& got, const AccuracyHistogram& expected,
                           const std::string& what) {
    EXPECT_EQ(got.lines, expected.lines) << what;
    EXPECT_EQ(got.fewest_moves, expected.fewest_moves) << what;
    EXPECT_EQ(got.most_moves, expected.most_moves) << what;
    EXPECT_DOUBLE_EQ(got.lowest, expected.lowest) << what;
    EXPECT_DOUBLE_EQ(got.highest, expected.highest) << what;
    EXPECT_EQ(got.beyond_lowest, expected.beyond_lowest) << what;
    EXPECT_EQ(got.beyond_highest, expected.beyond_highest) << what;
    EXPECT_EQ(got.bars, expected.bars) << what;
    EXPECT_EQ(got.marked, expected.marked) << what;
}

TEST_P(MoveLookups, PlacesAndResultsBelowAreExactAtTheEdgesOfEveryBlockWithTiesAndAfterDeletes) {
    const auto store = across_blocks_store();
    expect_places(*store, "abcdefghijklmn",
                  {60, 63, 63, 64, 100, 4095, 4096, 4096, 4097, 262143, 262144, 16777215, 16777216,
                   2147483647});
    expect_below(*store, {{1, 0},
                          {60, 0},
                          {61, 1},
                          {63, 1},
                          {64, 3},
                          {65, 4},
                          {4095, 5},
                          {4096, 6},
                          {4097, 8},
                          {4098, 9},
                          {262144, 10},
                          {262145, 11},
                          {16777216, 12},
                          {16777217, 13},
                          {2147483647, 13}});
    store->look_up_moves(the_class, [](MovesLookup& lookup) {
        EXPECT_EQ(lookup.move_counts_between(63, 4096, 100), 5) << "63, 64, 100, 4095, 4096";
        EXPECT_EQ(lookup.move_counts_between(63, 4096, 3), 3) << "counted no further";
        EXPECT_EQ(lookup.move_counts_between(1, 59, 100), 0);
        EXPECT_EQ(lookup.move_counts_between(4096, 4096, 100), 1) << "a tie is one move count";
        EXPECT_EQ(lookup.move_counts_between(1, 2147483647, 100), 12);
    });
    // The picture, whose bars' edges fall far apart here.
    for (const int32_t marked : {60, 4096, 2147483647}) {
        store->look_up_moves(the_class, [&](MovesLookup& read) {
            expect_same_histogram(accuracy_histogram(read, 60, marked),
                                  accuracy_histogram(across_blocks_counts(), 60, marked),
                                  "marked " + std::to_string(marked));
        });
    }
    store->look_up_moves({42, 6, 5, 12}, [](MovesLookup& lookup) {
        EXPECT_EQ(lookup.results(), 0);
        EXPECT_EQ(lookup.results_below({2147483647}), std::vector<int64_t>{0});
    });

    // One of a tie, one alone at a block's edge, and the most moves there can be.
    for (const char* erased : {"b", "i", "n"}) {
        EXPECT_EQ(store->erase_player(PlayerField::nickname, erased), 1);
    }
    expect_places(*store, "acdefghjklm",
                  {60, 63, 64, 100, 4095, 4096, 4096, 262143, 262144, 16777215, 16777216});
    expect_below(*store, {{64, 2}, {4097, 7}, {4098, 7}, {2147483647, 11}});
    store->look_up_moves(the_class, [](MovesLookup& lookup) {
        EXPECT_EQ(lookup.move_counts_between(4097, 4097, 100), 0);
        EXPECT_EQ(lookup.move_counts_between(63, 63, 100), 1);
    });
    EXPECT_EQ(store->store(result("o", 4097), 1765324900).place, 8);
}

TEST_P(MoveLookups, AStoreOfTheEarlierVersionGetsItsBlockCountsOnce) {
    across_blocks_store();
    drop_block_counts();
    {
        const auto store = open();
        expect_below(*store, {{64, 3}, {4097, 8}, {2147483647, 13}});
        EXPECT_EQ(store->store(result("o", 65), 1765324900).place, 5)
            << "behind d's 64, ahead of e's 100";
    }
    const auto reopened = open();
    expect_places(*reopened, "abcdoefghijklmn",
                  {60, 63, 63, 64, 65, 100, 4095, 4096, 4096, 4097, 262143, 262144, 16777215,
                   16777216, 2147483647});
    expect_below(*reopened, {{2147483647, 14}}); // counted once, not again at the next start
}

TEST_P(MoveLookups, ThePictureFromTheStoreIsTheOneDrawnFromEveryMoveCount) {
    // A hundred players from 300 to 399 moves, three ties, and one far beyond: the end bars
    // take a few, as the pictures' own worked example shows.
    const auto store = open();
    std::vector<MovesCount> counts = {{60, 1}};
    store->store(result("far", 60), 1765324800);
    for (int32_t moves = 300; moves < 400; ++moves) {
        const int32_t ties = moves % 37 == 0 ? 3 : 1;
        counts.push_back({moves, ties});
        for (int32_t tie = 0; tie < ties; ++tie) {
            store->store(result("p" + std::to_string(moves) + "-" + std::to_string(tie), moves),
                         1765324801 + moves * 3 + tie);
        }
    }
    struct Case {
        int32_t marked;
        bool new_row;
        std::vector<MovesCount> drawn; // the counts with the result as the page shows it
    };
    std::vector<MovesCount> with_new_tie = counts;
    ++with_new_tie[1 + 333 - 300].results;
    std::vector<MovesCount> with_new_far = counts;
    with_new_far.push_back({5000, 1});
    const Case cases[] = {
        {350, false, counts},        // sent before, and read
        {333, true, with_new_tie},   // new, beside a tie
        {5000, true, with_new_far},  // new, far beyond: the range keeps to the rest
        {5000, false, with_new_far}, // sent before, stored after the read
    };
    for (const Case& c : cases) {
        const std::string what = std::to_string(c.marked) + (c.new_row ? " new" : " before");
        store->look_up_moves(the_class, [&](MovesLookup& read) {
            WithResult drawn(read, c.marked, c.new_row);
            expect_same_histogram(accuracy_histogram(drawn, 60, c.marked),
                                  accuracy_histogram(c.drawn, 60, c.marked), what);
        });
    }
}

TEST_P(MoveLookups, ReadsRunSideBySideAndWaitABoundedTimeBeyondTheConnections) {
    StoreLimits limits;
    limits.db_connections = 3; // the writer's, and two to read with
    limits.lock_wait = std::chrono::milliseconds(300);
    limits.db_timeout = std::chrono::milliseconds(1000);
    const auto store = open(limits);
    store->store(result("one", 100), 1765324800);
    // Another read while one is open: each waits for the other at most the bound.
    const auto read_beside = [](ResultsStore& s) {
        return std::async(std::launch::async,
                          [&s] { return s.class_results(the_class, 0, 10).class_size; });
    };
    store->look_up_moves(the_class, [&](MovesLookup&) {
        std::future<int64_t> beside = read_beside(*store);
        ASSERT_EQ(beside.wait_for(std::chrono::seconds(60)), std::future_status::ready);
        EXPECT_EQ(beside.get(), 1) << "read on a second connection";
    });
    limits.db_connections = 2; // one to read with
    const auto narrow = open(limits);
    narrow->look_up_moves(the_class, [&](MovesLookup&) {
        std::future<int64_t> beside = read_beside(*narrow);
        ASSERT_EQ(beside.wait_for(std::chrono::seconds(60)), std::future_status::ready);
        EXPECT_THROW(beside.get(), StoreError) << "busy once the bound has passed";
    });
    EXPECT_EQ(narrow->class_results(the_class, 0, 10).class_size, 1) << "and free again after";
}

// The counts of a list of moves, read as a store would, recording each range it is asked for.
class RecordingBlocks final : public MoveBlocksReader {
  public:
    explicit RecordingBlocks(std::vector<int32_t> moves) : moves_(std::move(moves)) {}
    std::vector<int64_t> results_below(const std::vector<int32_t>& moves) override {
        std::vector<int64_t> below;
        for (const int32_t m : moves) {
            below.push_back(
                std::count_if(moves_.begin(), moves_.end(), [&](int32_t own) { return own < m; }));
        }
        return below;
    }
    std::vector<std::vector<BlockCount>> blocks(const std::vector<BlockRange>& ranges,
                                                int64_t most) override {
        ++reads;
        std::vector<std::vector<BlockCount>> found;
        for (const BlockRange& range : ranges) {
            widest = std::max(widest, range.high - range.low);
            std::map<int64_t, int64_t> counted;
            for (const int32_t m : moves_) {
                const int64_t block = m >> range.shift;
                if (range.low <= block && block < range.high) {
                    ++counted[block];
                }
            }
            std::vector<BlockCount>& rows = found.emplace_back();
            for (const auto& [block, results] : counted) {
                if (int64_t(rows.size()) < most) {
                    rows.push_back({block, results});
                }
            }
        }
        return found;
    }
    int reads = 0;
    int64_t widest = 0;

  private:
    std::vector<int32_t> moves_;
};

TEST(MoveBlocks, AnyPlaceIsFoundInFiveReadsOfAtMost128BlocksEach) {
    // Moves from 60 up to the most there can be, each with a tie, so that every level has
    // blocks to walk.
    std::vector<int32_t> moves;
    for (int64_t m = 60; m <= 2147483647; m = m * 9 / 8 + 1) {
        moves.push_back(int32_t(m));
        moves.push_back(int32_t(m)); // and a tie each
    }
    moves.push_back(2147483647);
    const std::vector<int64_t> places = {
        0, 1, 2, 77, int64_t(moves.size()) - 2, int64_t(moves.size()) - 1};
    RecordingBlocks reader(moves);
    const std::vector<MovesPlace> found = find_places(reader, places);
    EXPECT_EQ(reader.reads, move_block_levels + 1) << "one read a level, every place at once";
    EXPECT_LE(reader.widest, 128);
    ASSERT_EQ(found.size(), places.size());
    for (size_t i = 0; i < places.size(); ++i) {
        const int32_t expected = moves[size_t(places[i])];
        EXPECT_EQ(found[i].moves, expected) << "place " << places[i];
        EXPECT_EQ(found[i].below, reader.results_below({expected})[0]) << "place " << places[i];
    }
    EXPECT_THROW(find_places(reader, {int64_t(moves.size())}), StoreError)
        << "a place past the class";
}

} // namespace
