// SPDX-License-Identifier: MIT
// Pause errors of key presses, as the stand-in board's timestamps see them.
#pragma once

#include <string>
#include <vector>

#include "tests/support/boardsim_process.h"

namespace tastomat::bench {

struct PressGaps {
  int presses = 0;
  // Each gap between two commands of one press, minus its nominal pause, in ms.
  std::vector<double> errorsMs;
  std::string problem;  // non-empty: the log did not hold whole presses
};

// Every press is eight setport commands in a row (a group action's presses
// follow each other directly, so a run of setports is cut into eights). The
// nominal pauses after steps 1 to 7 are half, half, half, whole, half, half, half.
PressGaps pressGaps(const std::vector<SimLogEntry>& commands, int pressDurationMs);

}  // namespace tastomat::bench
