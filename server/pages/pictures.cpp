// Where a result stands in its settings class: the share of the class it beats, and a small
// histogram of the class's accuracies drawn as inline SVG with a text alternative.
#include "server/pages/pictures.h"

#include "server/pages/shown_figures.h"
#include "server/row/utf8_text.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <stdexcept>

namespace {

double accuracy_of(int32_t lines, int32_t moves) { return 1000.0 * lines / moves; }

size_t bar_of(const AccuracyHistogram& histogram, double accuracy) {
    const size_t bars = histogram.bars.size();
    if (bars <= 1 || histogram.highest <= histogram.lowest) {
        return 0;
    }
    const double at =
        (accuracy - histogram.lowest) / (histogram.highest - histogram.lowest) * double(bars);
    // The highest accuracy is the right edge of the last bar, not the first of one more.
    return std::min(bars - 1, size_t(std::max(0.0, at)));
}

// A bar's edge in the captions: a tenth is enough to tell bars apart.
std::string edge_text(double accuracy) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", accuracy);
    return text;
}

std::string range_text(const AccuracyHistogram& histogram, size_t bar) {
    const size_t bars = histogram.bars.size();
    if (bars <= 1) {
        return edge_text(histogram.lowest);
    }
    const double width = (histogram.highest - histogram.lowest) / double(bars);
    const std::string low = edge_text(histogram.lowest + width * double(bar));
    const std::string high = edge_text(histogram.lowest + width * double(bar + 1));
    if (bar == 0 && histogram.beyond_lowest) {
        return u8str(u8"до ") + high;
    }
    if (bar == bars - 1 && histogram.beyond_highest) {
        return u8str(u8"от ") + low + u8str(u8" и выше");
    }
    return u8str(u8"от ") + low + u8str(u8" до ") + high;
}

// The fewest moves (from 1 up to 2^31, beyond any result) whose bar is left of bar: a binary
// search, since a bar never rises as the moves grow.
int64_t first_moves_left_of(const AccuracyHistogram& histogram, size_t bar) {
    int64_t low = 1;
    int64_t high = int64_t(1) << 31;
    while (low < high) {
        const int64_t middle = low + (high - low) / 2;
        if (bar_of(histogram, accuracy_of(histogram.lines, int32_t(middle))) < bar) {
            high = middle;
        } else {
            low = middle + 1;
        }
    }
    return low;
}

std::string coordinate(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

// The drawing's own units; the figure is as wide as the page allows, up to a limit in the
// style sheet, so a phone's 360 pixels show it at about its own size.
constexpr double view_width = 320;
constexpr double view_height = 160;
constexpr double plot_left = 10;
constexpr double plot_right = 310;
constexpr double plot_top = 24; // room above the tallest bar for the marker
constexpr double baseline = 116;
constexpr double lowest_visible = 2; // a bar of one result among thousands still shows

constexpr const char* bar_colour = "#9db4cf";
constexpr const char* marked_colour = "#c2410c";

} // namespace

std::optional<int> better_than_percent(int64_t place, int64_t class_size) {
    if (class_size <= 1) {
        return std::nullopt;
    }
    const int64_t below = class_size - std::clamp(place, int64_t(1), class_size);
    return int(below * 100 / (class_size - 1));
}

AccuracyHistogram accuracy_histogram(MovesLookup& moves, int32_t lines, int32_t marked_moves,
                                     int most_bars) {
    const int64_t total = moves.results();
    if (total <= 0) {
        return {};
    }
    // Fewest moves first: the best accuracy first, the worst last. A result made up by hand, far
    // beyond the rest, would otherwise squeeze every other into a bar or two: the range runs
    // between the results a fiftieth of the class in from either end.
    const int64_t spared = total / 50;
    const std::vector<int32_t> ends = moves.moves_at({spared, total - 1 - spared});
    AccuracyHistogram histogram;
    histogram.lines = lines;
    histogram.fewest_moves = ends.at(0);
    histogram.most_moves = ends.at(1);
    histogram.highest = accuracy_of(lines, histogram.fewest_moves);
    histogram.lowest = accuracy_of(lines, histogram.most_moves);
    const int64_t bars = moves.move_counts_between(histogram.fewest_moves, histogram.most_moves,
                                                   std::max(most_bars, 1));
    if (bars <= 0) {
        return {};
    }
    histogram.bars.assign(size_t(bars), 0);
    // A bar falls as the moves grow, so the results in a bar and those right of it are the
    // results below the fewest moves of the bars left of it: one count each.
    std::vector<int32_t> edges = {histogram.fewest_moves};
    const bool below_most = histogram.most_moves < std::numeric_limits<int32_t>::max();
    if (below_most) {
        edges.push_back(histogram.most_moves + 1);
    }
    std::vector<int64_t> firsts;
    for (size_t bar = 1; bar < histogram.bars.size(); ++bar) {
        firsts.push_back(first_moves_left_of(histogram, bar));
        if (firsts.back() <= std::numeric_limits<int32_t>::max()) {
            edges.push_back(int32_t(firsts.back()));
        }
    }
    const std::vector<int64_t> below = moves.results_below(edges);
    histogram.beyond_highest = below.at(0) > 0;
    histogram.beyond_lowest = below_most && below.at(1) < total;
    std::vector<int64_t> from_bar(histogram.bars.size() + 1, 0);
    from_bar[0] = total;
    for (size_t bar = 1, edge = below_most ? 2 : 1; bar < histogram.bars.size(); ++bar) {
        from_bar[bar] =
            firsts[bar - 1] <= std::numeric_limits<int32_t>::max() ? below.at(edge++) : total;
    }
    for (size_t bar = 0; bar < histogram.bars.size(); ++bar) {
        histogram.bars[bar] = from_bar[bar] - from_bar[bar + 1];
    }
    histogram.marked = bar_of(histogram, accuracy_of(lines, marked_moves));
    return histogram;
}

AccuracyHistogram accuracy_histogram(const std::vector<MovesCount>& counts, int32_t lines,
                                     int32_t marked_moves, int most_bars) {
    CountedMoves moves(counts);
    return accuracy_histogram(moves, lines, marked_moves, most_bars);
}

int64_t CountedMoves::results() {
    int64_t total = 0;
    for (const MovesCount& count : counts_) {
        total += count.results;
    }
    return total;
}

std::vector<int32_t> CountedMoves::moves_at(const std::vector<int64_t>& places) {
    std::vector<int32_t> moves;
    for (const int64_t place : places) {
        int64_t before = 0;
        const auto at = std::find_if(counts_.begin(), counts_.end(), [&](const MovesCount& count) {
            before += count.results;
            return before > place;
        });
        if (place < 0 || at == counts_.end()) {
            throw std::out_of_range("no result at place " + std::to_string(place + 1));
        }
        moves.push_back(at->total_moves);
    }
    return moves;
}

std::vector<int64_t> CountedMoves::results_below(const std::vector<int32_t>& moves) {
    std::vector<int64_t> below;
    for (const int32_t m : moves) {
        int64_t fewer = 0;
        for (const MovesCount& count : counts_) {
            fewer += count.total_moves < m ? count.results : 0;
        }
        below.push_back(fewer);
    }
    return below;
}

int64_t CountedMoves::move_counts_between(int32_t low, int32_t high, int64_t most) {
    const int64_t within = std::count_if(counts_.begin(), counts_.end(), [&](const MovesCount& c) {
        return c.results > 0 && low <= c.total_moves && c.total_moves <= high;
    });
    return std::min(within, most);
}

WithResult::WithResult(MovesLookup& read, int32_t moves, bool new_row)
    : read_(read), moves_(moves),
      added_(new_row || read.move_counts_between(moves, moves, 1) == 0) {}

int64_t WithResult::results() { return read_.results() + (added_ ? 1 : 0); }

std::vector<int32_t> WithResult::moves_at(const std::vector<int64_t>& places) {
    if (!added_) {
        return read_.moves_at(places);
    }
    // The result stands first among its ties; the places after it are the read's one further.
    const int64_t own = read_.results_below({moves_}).at(0);
    std::vector<int64_t> read_places;
    for (const int64_t place : places) {
        if (place != own) {
            read_places.push_back(place < own ? place : place - 1);
        }
    }
    const std::vector<int32_t> read_moves = read_.moves_at(read_places);
    std::vector<int32_t> moves;
    moves.reserve(places.size());
    size_t next = 0;
    for (const int64_t place : places) {
        moves.push_back(place == own ? moves_ : read_moves.at(next++));
    }
    return moves;
}

std::vector<int64_t> WithResult::results_below(const std::vector<int32_t>& moves) {
    std::vector<int64_t> below = read_.results_below(moves);
    for (size_t i = 0; i < below.size(); ++i) {
        below[i] += added_ && moves_ < moves[i] ? 1 : 0;
    }
    return below;
}

int64_t WithResult::move_counts_between(int32_t low, int32_t high, int64_t most) {
    const int64_t read = read_.move_counts_between(low, high, most);
    const bool own_count = added_ && low <= moves_ && moves_ <= high &&
                           read_.move_counts_between(moves_, moves_, 1) == 0;
    return std::min(read + (own_count ? 1 : 0), most);
}

std::string histogram_figure(const AccuracyHistogram& histogram) {
    if (histogram.bars.empty()) {
        return {};
    }
    // The ends of the range exactly as the tables write them.
    const std::string lowest_text = shown_accuracy(histogram.lines, histogram.most_moves);
    const std::string highest_text = shown_accuracy(histogram.lines, histogram.fewest_moves);
    const std::string beyond = histogram.beyond_lowest || histogram.beyond_highest
                                   ? u8str(u8" Крайние столбцы вмещают и редкие результаты за "
                                           u8"этими пределами.")
                                   : std::string();
    int64_t total = 0;
    int64_t tallest = 1;
    for (const int64_t bar : histogram.bars) {
        total += bar;
        tallest = std::max(tallest, bar);
    }
    const size_t bars = histogram.bars.size();
    const int64_t marked_results = histogram.bars[histogram.marked];
    const std::string marked_range = range_text(histogram, histogram.marked);

    std::string counts_text;
    for (size_t i = 0; i < bars; ++i) {
        counts_text += (i ? ", " : "") + std::to_string(histogram.bars[i]);
    }
    const std::string description =
        u8str(u8"Гистограмма точности результатов с теми же настройками (всего ") +
        std::to_string(total) + u8str(u8"), от ") + lowest_text + u8str(u8" до ") + highest_text +
        u8str(u8" линий на 1000 ходов; столбцов ") + std::to_string(bars) +
        u8str(u8", слева направо результатов в них: ") + counts_text + "." + beyond +
        u8str(u8" Ваш результат — в столбце ") + std::to_string(histogram.marked + 1) + " (" +
        marked_range + u8str(u8"), в нём результатов: ") + std::to_string(marked_results) + ".";

    std::string svg = u8str(u8"<figure class=\"chart\">\n<svg viewBox=\"0 0 ") +
                      coordinate(view_width) + " " + coordinate(view_height) +
                      u8str(u8"\" width=\"100%\" role=\"img\" aria-labelledby=\"chart-title "
                            u8"chart-desc\" font-size=\"12\">\n"
                            u8"<title id=\"chart-title\">Точность результатов с теми же "
                            u8"настройками</title>\n<desc id=\"chart-desc\">") +
                      description + "</desc>\n";
    const double slot = (plot_right - plot_left) / double(bars);
    const double gap = std::min(2.0, slot * 0.15);
    for (size_t i = 0; i < bars; ++i) {
        const int64_t results = histogram.bars[i];
        double height = (baseline - plot_top) * double(results) / double(tallest);
        if (results > 0) {
            height = std::max(height, lowest_visible);
        }
        svg += "<rect x=\"" + coordinate(plot_left + slot * double(i) + gap / 2) + "\" y=\"" +
               coordinate(baseline - height) + "\" width=\"" + coordinate(slot - gap) +
               "\" height=\"" + coordinate(height) + "\" fill=\"" +
               (i == histogram.marked ? marked_colour : bar_colour) + "\"><title>" +
               range_text(histogram, i) + ": " + std::to_string(results) + "</title></rect>\n";
    }
    const double marked_height =
        std::max((baseline - plot_top) * double(marked_results) / double(tallest), lowest_visible);
    const double marker_x = std::clamp(plot_left + slot * (double(histogram.marked) + 0.5),
                                       plot_left + 12, plot_right - 12);
    svg += "<text x=\"" + coordinate(marker_x) + "\" y=\"" +
           coordinate(baseline - marked_height - 6) + "\" text-anchor=\"middle\" fill=\"" +
           marked_colour + u8str(u8"\" font-weight=\"700\">вы</text>\n");
    svg += "<line x1=\"" + coordinate(plot_left) + "\" y1=\"" + coordinate(baseline + 0.5) +
           "\" x2=\"" + coordinate(plot_right) + "\" y2=\"" + coordinate(baseline + 0.5) +
           "\" stroke=\"#5a6472\"/>\n";
    // The extremes under the ends of the axis: the worst at the left, the best at the right.
    const std::string labels_y = coordinate(baseline + 18);
    svg += "<text x=\"" + coordinate(plot_left) + "\" y=\"" + labels_y + "\" fill=\"#5a6472\">" +
           (histogram.beyond_lowest ? u8str(u8"≤ ") : "") + lowest_text + "</text>\n";
    svg += "<text x=\"" + coordinate(plot_right) + "\" y=\"" + labels_y +
           "\" text-anchor=\"end\" fill=\"#5a6472\">" +
           (histogram.beyond_highest ? u8str(u8"≥ ") : "") + highest_text + "</text>\n";
    svg += u8str(u8"<text x=\"160\" y=\"152\" text-anchor=\"middle\" fill=\"#5a6472\">хуже ← "
                 u8"линий на 1000 ходов → лучше</text>\n</svg>\n");
    svg += u8str(u8"<figcaption>Точность результатов с теми же настройками (всего ") +
           std::to_string(total) + u8str(u8"), от ") + lowest_text + u8str(u8" до ") +
           highest_text + u8str(u8" линий на 1000 ходов.") + beyond +
           u8str(u8" Ваш столбец выделен: ") + marked_range + u8str(u8", результатов в нём: ") +
           std::to_string(marked_results) + ".</figcaption>\n</figure>\n";
    return svg;
}
