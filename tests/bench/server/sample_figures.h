// The figures the service's benchmarks report of a sample: its mean, its median and its 90th
// percentile.
#pragma once

#include <vector>

double mean(const std::vector<double>& values);
// The middle value, or the mean of the two middle ones.
double median(std::vector<double> values);
// The smallest value that at least nine values in ten are not above (the nearest rank).
double percentile_90(std::vector<double> values);
