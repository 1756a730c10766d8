// SPDX-License-Identifier: MIT
// Small statistics for the benchmark: percentiles of a sample, spread over runs.
#pragma once

#include <chrono>
#include <vector>

namespace tastomat::bench {

// Nearest-rank percentile (p in 0..100) of the values; 0 for none.
double percentile(std::vector<double> values, double p);
double maximum(const std::vector<double>& values);

// One figure over repeated runs: each run gives one value.
struct Spread {
  double median = 0;
  double min = 0;
  double max = 0;
  int runs = 0;
};

Spread spreadOf(const std::vector<double>& perRun);

// Milliseconds from one steady-clock time to another, as a fraction.
inline double msBetween(std::chrono::steady_clock::time_point from,
                        std::chrono::steady_clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

}  // namespace tastomat::bench
