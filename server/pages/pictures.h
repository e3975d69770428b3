// Where a result stands in its settings class: the share of the class it beats, and a small
// histogram of the class's accuracies drawn as inline SVG with a text alternative.
#pragma once

#include "server/store/results_store.h"

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

// From the look-ups of a class's results and the lines of its settings; the marked bar holds
// marked_moves. A few look-ups, each bounded, whatever the class's spread.
AccuracyHistogram accuracy_histogram(MovesLookup& moves, int32_t lines, int32_t marked_moves,
                                     int most_bars = most_histogram_bars);
// The same from a class's move counts, fewest first.
AccuracyHistogram accuracy_histogram(const std::vector<MovesCount>& counts, int32_t lines,
                                     int32_t marked_moves, int most_bars = most_histogram_bars);

// The look-ups over a list of move counts, fewest first, each a walk along it.
class CountedMoves final : public MovesLookup {
  public:
    explicit CountedMoves(std::vector<MovesCount> counts) : counts_(std::move(counts)) {}
    int64_t results() override;
    std::vector<int32_t> moves_at(const std::vector<int64_t>& places) override;
    std::vector<int64_t> results_below(const std::vector<int32_t>& moves) override;
    int64_t move_counts_between(int32_t low, int32_t high, int64_t most) override;

  private:
    std::vector<MovesCount> counts_;
};

// A class as looked up before a result was stored, with that result in it: a new one is
// added, and one the look-up missed is too.
class WithResult final : public MovesLookup {
  public:
    WithResult(MovesLookup& read, int32_t moves, bool new_row);
    int64_t results() override;
    std::vector<int32_t> moves_at(const std::vector<int64_t>& places) override;
    std::vector<int64_t> results_below(const std::vector<int32_t>& moves) override;
    int64_t move_counts_between(int32_t low, int32_t high, int64_t most) override;
    // Whether the result is one more than the look-up shows.
    bool added() const { return added_; }

  private:
    MovesLookup& read_;
    int32_t moves_;
    bool added_;
};

// The figure for a result page: the SVG, its title and description, and a caption that says
// the same in words; nothing for a histogram without bars.
std::string histogram_figure(const AccuracyHistogram& histogram);
