// SPDX-License-Identifier: MIT
// Pause errors of key presses, as the stand-in board's timestamps see them.
#include "bench/press_gaps.h"

#include <array>
#include <string_view>

namespace tastomat::bench {
namespace {

constexpr std::size_t stepsPerPress = 8;

bool isSetport(const SimLogEntry& entry) {
  return std::string_view(entry.text).starts_with("setport ");
}

// Steps 1, 2, 7 and 8 set the remote-control selection: outputs 7 and 8.
bool looksLikePress(const std::vector<SimLogEntry>& commands, std::size_t first) {
  const auto output = [&](std::size_t step) { return commands[first + step].text.substr(8, 2); };
  return output(0) == "7." && output(1) == "8." && output(6) == "7." && output(7) == "8.";
}

}  // namespace

PressGaps pressGaps(const std::vector<SimLogEntry>& commands, int pressDurationMs) {
  const int half = pressDurationMs / 2;
  const std::array<int, stepsPerPress - 1> nominalMs{half, half, half, pressDurationMs,
                                                     half, half, half};
  PressGaps result;
  std::size_t i = 0;
  while (i < commands.size()) {
    if (!isSetport(commands[i])) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < commands.size() && isSetport(commands[end])) {
      ++end;
    }
    if ((end - i) % stepsPerPress != 0) {
      result.problem = std::to_string(end - i) + " setport commands in a row, not whole presses";
      return result;
    }
    for (std::size_t first = i; first < end; first += stepsPerPress) {
      if (!looksLikePress(commands, first)) {
        result.problem = "a run of eight setports that is not a key press: " + commands[first].text;
        return result;
      }
      ++result.presses;
      for (std::size_t step = 0; step + 1 < stepsPerPress; ++step) {
        const double gapMs =
            static_cast<double>(commands[first + step + 1].usec - commands[first + step].usec) /
            1000.0;
        result.errorsMs.push_back(gapMs - nominalMs[step]);
      }
    }
    i = end;
  }
  return result;
}

}  // namespace tastomat::bench
