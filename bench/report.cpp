// SPDX-License-Identifier: MIT
// The benchmark's one table: each figure as median, min and max, beside its goal.
#include "bench/report.h"

#include <algorithm>
#include <cstdio>

#include "bench/stats.h"

namespace tastomat::bench {
namespace {

bool meets(const Goal& goal, double value) {
  return goal.atLeast ? value >= goal.limit : value <= goal.limit;
}

std::string number(double value, const std::string& unit) {
  char text[64];
  const char* format = unit == "MB" || unit == "x" ? "%.1f %s" : "%.3f %s";
  std::snprintf(text, sizeof text, format, value, unit.c_str());
  return text;
}

}  // namespace

std::string verdict(const Row& row) {
  if (!row.goal || row.samples.empty()) {
    return "";
  }
  const auto met = std::count_if(row.samples.begin(), row.samples.end(),
                                 [&](double v) { return meets(*row.goal, v); });
  const auto n = static_cast<long>(row.samples.size());
  if (met == n) {
    return "yes";
  }
  if (meets(*row.goal, spreadOf(row.samples).median)) {
    return "mostly (" + std::to_string(met) + " of " + std::to_string(n) + ")";
  }
  return "no";
}

std::string renderTable(const std::vector<Row>& rows) {
  std::string out =
      "| figure | median | min | max | samples | goal | met |\n"
      "|---|---:|---:|---:|---|---|---|\n";
  for (const Row& row : rows) {
    const std::string goal = row.goal ? row.goal->text : "";
    if (row.samples.empty()) {
      out += "| " + row.figure + " | " + row.note + " | | | | " + goal + " | |\n";
      continue;
    }
    const Spread spread = spreadOf(row.samples);
    out += "| " + row.figure + " | " + number(spread.median, row.unit) + " | " +
           number(spread.min, row.unit) + " | " + number(spread.max, row.unit) + " | " +
           std::to_string(spread.runs) + " " + row.over + " | " + goal + " | " + verdict(row) +
           " |\n";
  }
  return out;
}

}  // namespace tastomat::bench
