// SPDX-License-Identifier: MIT
// Small statistics for the benchmark: percentiles of a sample, spread over runs.
#include "bench/stats.h"

#include <algorithm>
#include <cmath>

namespace tastomat::bench {

double percentile(std::vector<double> values, double p) {
  if (values.empty()) {
    return 0;
  }
  std::sort(values.begin(), values.end());
  const auto rank =
      static_cast<std::size_t>(std::ceil(p / 100.0 * static_cast<double>(values.size())));
  return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

double maximum(const std::vector<double>& values) {
  return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

Spread spreadOf(const std::vector<double>& perRun) {
  Spread spread;
  if (perRun.empty()) {
    return spread;
  }
  std::vector<double> sorted = perRun;
  std::sort(sorted.begin(), sorted.end());
  const std::size_t n = sorted.size();
  spread.median = n % 2 == 1 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
  spread.min = sorted.front();
  spread.max = sorted.back();
  spread.runs = static_cast<int>(n);
  return spread;
}

}  // namespace tastomat::bench
