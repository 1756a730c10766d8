// SPDX-License-Identifier: MIT
// The benchmark's one table: each figure as median, min and max, beside its goal.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tastomat::bench {

struct Goal {
  double limit = 0;
  bool atLeast = false;  // the figure must reach the limit (else: stay within it)
  std::string text;
};

struct Row {
  std::string figure;
  std::string unit;             // "ms", "%", "MB", "x"
  std::vector<double> samples;  // one per run (or per press, per query: see `over`)
  std::string over;             // what one sample is: "runs", "presses", ...
  std::optional<Goal> goal;
  std::string note;  // shown instead of the figures when there are no samples
};

// "yes" when every sample meets the goal, "mostly (k of n)" when the median
// does, "no" otherwise, "" without a goal or samples.
std::string verdict(const Row& row);

// A Markdown table.
std::string renderTable(const std::vector<Row>& rows);

}  // namespace tastomat::bench
