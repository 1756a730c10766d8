// SPDX-License-Identifier: MIT
// The only window operations the board link may use: by ControlId, nothing else.
#pragma once

#include <cstdint>
#include <string>

namespace tastomat {

struct Rgb {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

inline constexpr Rgb red{255, 0, 0};
inline constexpr Rgb blue{0, 0, 255};

// Implemented by the platform for the window whose controls are live. A ControlId
// that names no control makes every call a no-op.
class Controls {
 public:
  virtual ~Controls() = default;
  virtual void setEnabled(int controlId, bool enabled) = 0;
  virtual void setText(int controlId, const std::string& text) = 0;
  virtual void setTextColour(int controlId, Rgb colour) = 0;
};

}  // namespace tastomat
