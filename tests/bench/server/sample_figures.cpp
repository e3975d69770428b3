// The figures the service's benchmarks report of a sample: its mean, its median and its 90th
// percentile.
#include "tests/bench/server/sample_figures.h"

#include <algorithm>
#include <numeric>

double mean(const std::vector<double>& values) {
    return values.empty() ? 0 : std::accumulate(values.begin(), values.end(), 0.0) / values.size();
}

double median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const size_t half = values.size() / 2;
    return values.size() % 2 == 1 ? values[half] : (values[half - 1] + values[half]) / 2;
}

double percentile_90(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    // Rank ceil(0.9 n), counted from 1, in whole numbers.
    const size_t rank = (values.size() * 9 + 9) / 10;
    return values[rank - 1];
}
