// Where a result stands in its settings class: the share of the class it beats, and a small
// histogram of the class's accuracies drawn as inline SVG with a text alternative.
#pragma once

#include "server/results_store.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// However many distinct move counts a class has, its histogram has at most this many bars:
// each stays wide enough to see and to tap on a phone.
constexpr int most_histogram_bars = 20;

// The share, in whole percent rounded down, of the class's other results that stand below
// this one in its table; nothing for a class of one, which has none to compare with.
std::optional<int> better_than_percent(int64_t place, int64_t class_size);

// The class's accuracies in equal bars from its lowest to its highest, leaving out of the range
// at most a fiftieth of the class at either end (they are counted in the end bars).
struct AccuracyHistogram {
    int32_t lines = 0;        // of the class's settings
    int32_t fewest_moves = 0; // the highest accuracy
    int32_t most_moves = 0;   // the lowest
    double lowest = 0;        // lines per 1000 moves
    double highest = 0;       // equal to lowest when every result has the same move count
    // A few results far beyond the rest fall into the end bars instead of stretching the range.
    bool beyond_lowest = false;
    bool beyond_highest = false;
    std::vector<int64_t> bars;
    size_t marked = 0; // the bar of the result the page is about
};

// From a class's move counts (fewest first, as the store gives them) and the lines of its
// settings; the marked bar holds marked_moves.
AccuracyHistogram accuracy_histogram(const std::vector<MovesCount>& counts, int32_t lines,
                                     int32_t marked_moves, int most_bars = most_histogram_bars);

// The counts of a class as read before a result was stored, with that result in them: a new
// one is added, and one the read missed is too.
std::vector<MovesCount> with_result(std::vector<MovesCount> counts, int32_t moves, bool new_row);

// The figure for a result page: the SVG, its title and description, and a caption that says
// the same in words; nothing for a histogram without bars.
std::string histogram_figure(const AccuracyHistogram& histogram);
