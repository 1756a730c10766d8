// SPDX-License-Identifier: MIT
// The command texts against the hex bytes the board expects.
#include "board/commands.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>

namespace tastomat {
namespace {

std::string hex(std::string_view bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    char buf[4];
    std::snprintf(buf, sizeof buf, out.empty() ? "%02X" : " %02X", c);
    out += buf;
  }
  return out;
}

TEST(Commands, TerminatorIsFiveLiteralBytes) {
  EXPECT_EQ(hex(CommandTerminator), "20 5C 72 5C 6E");
}

TEST(Commands, EveryCommandMatchesItsWireBytes) {
  struct Case {
    std::string text;
    const char* wire;
  };
  const Case cases[] = {
      {setportCommand(7, 1), "73 65 74 70 6F 72 74 20 37 2E 31 20 5C 72 5C 6E"},
      {setportCommand(8, 0), "73 65 74 70 6F 72 74 20 38 2E 30 20 5C 72 5C 6E"},
      {setportCommand(1, 1), "73 65 74 70 6F 72 74 20 31 2E 31 20 5C 72 5C 6E"},
      {setportCommand(6, 0), "73 65 74 70 6F 72 74 20 36 2E 30 20 5C 72 5C 6E"},
      {std::string(getAdc1Command), "47 45 54 41 44 43 20 31 20 5C 72 5C 6E"},
      {std::string(getAdc2Command), "47 45 54 41 44 43 20 32 20 5C 72 5C 6E"},
      {std::string(getPort1Command), "47 45 54 50 4F 52 54 20 31 20 5C 72 5C 6E"},
      {std::string(getPort2Command), "47 45 54 50 4F 52 54 20 32 20 5C 72 5C 6E"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(hex(c.text), c.wire) << c.text;
    EXPECT_EQ(c.text.find_first_of(std::string_view("\r\n\0", 3)), std::string::npos);
  }
}

}  // namespace
}  // namespace tastomat
