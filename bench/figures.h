// SPDX-License-Identifier: MIT
// The whole benchmark: every run against boardsim on loopback, then the table.
#pragma once

#include <string>

namespace tastomat::bench {

struct BenchOptions {
  bool quick = false;       // skip the 5000 ms presses, fewer runs, 10 s idle
  std::string shellScript;  // scripts/bench, which holds the plain shell loop
};

// Prints the table to stdout (progress to stderr). 0 unless a run failed.
int runBenchmark(const BenchOptions& options);

}  // namespace tastomat::bench
