// SPDX-License-Identifier: MIT
// The board's command texts, byte for byte.
#pragma once

#include <string>
#include <string_view>

namespace tastomat {

// Five bytes: space, backslash, 'r', backslash, 'n'. The board firmware expects
// these literal characters; no CR, LF or NUL byte is ever sent.
inline constexpr std::string_view CommandTerminator{" \\r\\n", 5};

inline constexpr std::string_view getAdc1Command{"GETADC 1 \\r\\n", 13};
inline constexpr std::string_view getAdc2Command{"GETADC 2 \\r\\n", 13};
inline constexpr std::string_view getPort1Command{"GETPORT 1 \\r\\n", 14};
inline constexpr std::string_view getPort2Command{"GETPORT 2 \\r\\n", 14};

// "setport <output>.<level>" + terminator; output 1..8, level 0 or 1 (the
// level is written as plain decimal, so any non-negative integer works).
std::string setportCommand(int output, int level);

}  // namespace tastomat
