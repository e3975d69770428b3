// Where a result stands in its class: the share it beats, the bars of the class's accuracies
// with the result's own marked, and the SVG and words that show them.
#include "server/pages/pictures.h"
#include "tests/support/record_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <optional>

namespace {

size_t count_of(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// The counts a look-up shows, read back from the moves at every place.
std::vector<MovesCount> counts_shown(MovesLookup& moves) {
    std::vector<int64_t> places(size_t(moves.results()));
    std::iota(places.begin(), places.end(), 0);
    std::vector<MovesCount> counts;
    for (const int32_t m : moves.moves_at(places)) {
        if (counts.empty() || counts.back().total_moves != m) {
            counts.push_back({m, 0});
        }
        ++counts.back().results;
    }
    return counts;
}

TEST(Pictures, TheShareBeatenCountsTheOthersBelowInTheTable) {
    struct Case {
        int64_t place;
        int64_t class_size;
        std::optional<int> percent;
    };
    const Case cases[] = {
        {1, 1, std::nullopt}, // alone: nothing to compare with
        {1, 0, std::nullopt},
        {1, 2, 100},
        {2, 2, 0},
        {2, 3, 50},
        {2, 5, 75},
        {1, 1000, 100},
        {2, 1000, 99}, // rounded down: only the first is
                       // better than all
        {999, 1000, 0},
        {1000, 1000, 0},
        {7, 7, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(better_than_percent(c.place, c.class_size), c.percent)
            << c.place << " of " << c.class_size;
    }
}

TEST(Pictures, BarsSplitTheAccuracyRangeEquallyAndMarkTheResultsBar) {
    // 60 lines: 240 moves is 250.000, 300 is 200.000, 345 is 173.913 and 600 is 100.000;
    // four bars of 37.5 from 100 to 250.
    const std::vector<MovesCount> counts = {{240, 1}, {300, 2}, {345, 1}, {600, 1}};
    const AccuracyHistogram histogram = accuracy_histogram(counts, 60, 345);
    EXPECT_DOUBLE_EQ(histogram.lowest, 100.0);
    EXPECT_DOUBLE_EQ(histogram.highest, 250.0);
    EXPECT_EQ(histogram.bars, (std::vector<int64_t>{1, 1, 2, 1}));
    EXPECT_EQ(histogram.marked, 1u);
    EXPECT_EQ(accuracy_histogram(counts, 60, 240).marked, 3u) << "the best is in the last bar";
    EXPECT_EQ(accuracy_histogram(counts, 60, 600).marked, 0u);
}

TEST(Pictures, AnyNumberOfMoveCountsMakesAtMostTheBoundOfBars) {
    struct Case {
        const char* what;
        std::vector<MovesCount> counts;
        size_t bars;
    };
    std::vector<MovesCount> many;
    for (int32_t moves = 60; moves < 100060; ++moves) {
        many.push_back({moves, 1 + moves % 3});
    }
    const Case cases[] = {
        {"none", {}, 0},
        {"one move count", {{345, 9}}, 1},
        {"two far apart", {{60, 1}, {2000000000, 1}}, 2},
        {"100000 move counts", many, size_t(most_histogram_bars)},
    };
    for (const Case& c : cases) {
        const AccuracyHistogram histogram =
            accuracy_histogram(c.counts, 60, c.counts.empty() ? 60 : c.counts.back().total_moves);
        EXPECT_EQ(histogram.bars.size(), c.bars) << c.what;
        int64_t results = 0;
        for (const MovesCount& count : c.counts) {
            results += count.results;
        }
        EXPECT_EQ(std::accumulate(histogram.bars.begin(), histogram.bars.end(), int64_t(0)),
                  results)
            << c.what << ": every result in some bar";
        if (!c.counts.empty()) {
            EXPECT_EQ(histogram.marked, 0u) << c.what << ": the most moves, the first bar";
            EXPECT_GT(histogram.bars[histogram.marked], 0) << c.what;
        }
    }
}

TEST(Pictures, AFewResultsFarFromTheRestGoToTheEndBarsInsteadOfStretchingTheRange) {
    // 100 players with 300 to 399 moves for 60 lines, and one link made by hand with 60 (1000.000).
    // A fiftieth of the 101, two results, may be left out at each end: the range is 301 moves
    // (199.336) to 397 (151.133, as the program writes it from a float), and the bars spread the
    // hundred instead of holding them in one.
    std::vector<MovesCount> counts = {{60, 1}};
    for (int32_t moves = 300; moves < 400; ++moves) {
        counts.push_back({moves, 1});
    }
    const AccuracyHistogram histogram = accuracy_histogram(counts, 60, 350);
    EXPECT_EQ(histogram.fewest_moves, 301);
    EXPECT_EQ(histogram.most_moves, 397);
    EXPECT_TRUE(histogram.beyond_highest);
    EXPECT_TRUE(histogram.beyond_lowest);
    ASSERT_EQ(histogram.bars.size(), size_t(most_histogram_bars));
    EXPECT_EQ(std::accumulate(histogram.bars.begin(), histogram.bars.end(), int64_t(0)), 101);
    EXPECT_LE(*std::max_element(histogram.bars.begin(), histogram.bars.end()), 10);
    EXPECT_GE(histogram.bars.back(), 3) << "300, 301 and the one made by hand";

    const std::string figure = histogram_figure(histogram);
    for (const std::string& said : {utf8_text(u8"≤ 151.133"), utf8_text(u8"≥ 199.336"),
                                    utf8_text(u8" и выше:"), utf8_text(u8"Крайние столбцы")}) {
        EXPECT_NE(figure.find(said), std::string::npos) << said;
    }
    // Fewer than fifty results: nothing is left out, however far.
    counts.resize(40);
    const AccuracyHistogram small = accuracy_histogram(counts, 60, 350);
    EXPECT_EQ(small.fewest_moves, 60);
    EXPECT_FALSE(small.beyond_highest || small.beyond_lowest);
}

TEST(Pictures, OnlyAnEndWithResultsBeyondItIsOpenInTheBarsWords) {
    // 60 lines. Ten results tie at one end, so nothing is left out there; a fiftieth of the
    // class (two of 110) is left out at the other end, one of them made by hand far away.
    std::vector<MovesCount> cut_below = {{300, 10}};
    std::vector<MovesCount> cut_above = {{60, 1}};
    for (int32_t moves = 301; moves < 400; ++moves) {
        cut_below.push_back({moves, 1});
    }
    for (int32_t moves = 300; moves < 399; ++moves) {
        cut_above.push_back({moves, 1});
    }
    cut_below.push_back({6000, 1});
    cut_above.push_back({399, 10});
    struct Case {
        const char* what;
        std::vector<MovesCount> counts;
        const char8_t* first_bar; // the worst accuracies, at the left
        const char8_t* last_bar;  // the best, at the right
    };
    const Case cases[] = {
        // 398 moves (150.754) to 300 (200.000), bars of 2.462.
        {"cut off only below", cut_below, u8"до 153.2", u8"от 197.5 до 200.0"},
        // 399 moves (150.376) to 301 (199.336), bars of 2.448.
        {"cut off only above", cut_above, u8"от 150.4 до 152.8", u8"от 196.9 и выше"},
        // Too few to leave any out: 400 moves (150.000) to 300 (200.000), two bars.
        {"nothing cut off", {{300, 1}, {400, 1}}, u8"от 150.0 до 175.0", u8"от 175.0 до 200.0"},
    };
    for (const Case& c : cases) {
        const std::string figure = histogram_figure(accuracy_histogram(c.counts, 60, 350));
        const size_t first = figure.find("<title>", figure.find("<rect "));
        const size_t last = figure.find("<title>", figure.rfind("<rect "));
        EXPECT_EQ(figure.substr(first + 7, figure.find(':', first) - first - 7),
                  utf8_text(c.first_bar))
            << c.what;
        EXPECT_EQ(figure.substr(last + 7, figure.find(':', last) - last - 7), utf8_text(c.last_bar))
            << c.what;
    }
}

TEST(Pictures, TheResultJoinsTheCountsReadBeforeItWasStored) {
    const std::vector<MovesCount> before = {{240, 1}, {345, 2}};
    struct Case {
        const char* what;
        int32_t moves;
        bool new_row;
        std::vector<MovesCount> after;
    };
    const Case cases[] = {
        {"new, beside others", 345, true, {{240, 1}, {345, 3}}},
        {"new, a move count of its own", 300, true, {{240, 1}, {300, 1}, {345, 2}}},
        {"new, the best", 100, true, {{100, 1}, {240, 1}, {345, 2}}},
        {"new, the worst", 900, true, {{240, 1}, {345, 2}, {900, 1}}},
        {"sent before, already counted", 345, false, {{240, 1}, {345, 2}}},
        {"sent before, stored after the read", 600, false, {{240, 1}, {345, 2}, {600, 1}}},
    };
    for (const Case& c : cases) {
        CountedMoves read(before);
        WithResult with_it(read, c.moves, c.new_row);
        const std::vector<MovesCount> after = counts_shown(with_it);
        ASSERT_EQ(after.size(), c.after.size()) << c.what;
        EXPECT_EQ(with_it.move_counts_between(1, 1000, 100), int64_t(c.after.size())) << c.what;
        EXPECT_EQ(with_it.results_below({301}), std::vector<int64_t>{c.moves < 301 ? 2 : 1})
            << c.what;
        for (size_t i = 0; i < after.size(); ++i) {
            EXPECT_EQ(after[i].total_moves, c.after[i].total_moves) << c.what;
            EXPECT_EQ(after[i].results, c.after[i].results) << c.what;
        }
    }
}

TEST(Pictures, TheFigureIsAScalableSvgWithItsBarMarkedAndSaidInWords) {
    const std::vector<MovesCount> counts = {{240, 1}, {300, 2}, {345, 1}, {600, 1}};
    const std::string figure = histogram_figure(accuracy_histogram(counts, 60, 345));
    // Fits any width: drawn in its own units, as wide as its container.
    EXPECT_NE(figure.find("<svg viewBox=\"0 0 320.00 160.00\" width=\"100%\""), std::string::npos);
    EXPECT_NE(figure.find("role=\"img\" aria-labelledby=\"chart-title chart-desc\""),
              std::string::npos);
    EXPECT_EQ(count_of(figure, "<title id=\"chart-title\">"), 1u);
    EXPECT_EQ(count_of(figure, "<desc id=\"chart-desc\">"), 1u);
    EXPECT_EQ(count_of(figure, "<rect "), 4u);
    EXPECT_EQ(count_of(figure, "fill=\"#c2410c\"><title>"), 1u) << "one bar marked";
    // The marked bar is the second (137.5 to 175, with 173.913), as the words say too.
    const size_t second_bar = figure.find("<rect ", figure.find("<rect ") + 1);
    EXPECT_EQ(figure.find("fill=\"#c2410c\"><title>"), figure.find("fill=", second_bar));
    for (const char* said : {"1, 1, 2, 1", "137.5", "175.0", "100.000", "250.000"}) {
        EXPECT_NE(figure.find(said), std::string::npos) << said;
    }
    EXPECT_NE(figure.find("<figcaption>"), std::string::npos) << "the words beside the picture";
    EXPECT_EQ(figure.find("<script"), std::string::npos);
    EXPECT_EQ(histogram_figure(accuracy_histogram({}, 60, 345)), "");
}

} // namespace
