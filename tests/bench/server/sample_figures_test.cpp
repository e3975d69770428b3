// The benchmark's figures of a sample, against answers worked by hand.
#include "tests/bench/server/sample_figures.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Sample {
    std::vector<double> values;
    double mean;
    double median;
    double percentile_90;
};

TEST(SampleFigures, MeanMedianAndNinetiethPercentile) {
    const Sample samples[] = {
        {{7}, 7, 7, 7},
        // Two rates: the mean is their sum halved.
        {{100, 300}, 200, 200, 300},
        // Unsorted and odd: the middle one; rank ceil(2.7) = 3.
        {{5, 1, 3}, 3, 3, 5},
        // Even: the two middle ones' mean; rank 9 of 10.
        {{10, 9, 8, 7, 6, 5, 4, 3, 2, 1}, 5.5, 5.5, 9},
        // Rank ceil(9.9) = 10 of 11: the largest of the others.
        {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 1045}, 100, 6, 10},
    };
    for (const Sample& sample : samples) {
        EXPECT_DOUBLE_EQ(mean(sample.values), sample.mean);
        EXPECT_DOUBLE_EQ(median(sample.values), sample.median);
        EXPECT_DOUBLE_EQ(percentile_90(sample.values), sample.percentile_90);
    }
}

} // namespace
