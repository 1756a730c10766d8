// SPDX-License-Identifier: MIT
// Bends a reply's bytes as the fault switches ask: junk instead of text, a fixed size.
#pragma once

#include "sim/options.h"

#include <cstdint>
#include <string>

namespace tastomat::sim {

// Deterministic: the same seed gives the same junk, so a failing test can be rerun.
class ReplyShaper {
 public:
  explicit ReplyShaper(int seed) : state_(static_cast<std::uint32_t>(seed) * 2654435761u + 1u) {
    if (state_ == 0) {
      state_ = 1;  // xorshift stays at zero for good
    }
  }

  // With `junk`, 8 to 40 random bytes that hold at least one zero byte and one
  // byte above 127. With `oversize` N > 0, exactly N bytes: the reply cut, or
  // padded with 'x' (with more junk when junk is on).
  std::string shape(std::string reply, const Faults& faults);

 private:
  unsigned char nextByte();
  std::string junk(std::size_t length);

  std::uint32_t state_;
};

}  // namespace tastomat::sim
