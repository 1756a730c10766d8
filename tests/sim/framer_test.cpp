// SPDX-License-Identifier: MIT
// Command framing: the three terminators, pieces, garbage and over-long lines.
#include "sim/framer.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace tastomat::sim {
namespace {

using namespace std::string_literals;

struct Expected {
  std::string text;
  Terminator terminator;
};

std::vector<Expected> summary(const std::vector<Frame>& frames) {
  std::vector<Expected> out;
  for (const Frame& f : frames) {
    out.push_back({f.text, f.terminator});
  }
  return out;
}

bool operator==(const Expected& a, const Expected& b) {
  return a.text == b.text && a.terminator == b.terminator;
}

void PrintTo(const Expected& e, std::ostream* os) {
  *os << '"' << e.text << "\"/" << static_cast<int>(e.terminator);
}

struct Case {
  const char* name;
  std::string bytes;
  std::vector<Expected> frames;
};

const std::vector<Case>& cases() {
  static const std::vector<Case> table = {
      {"board terminator", "GETADC 1 \\r\\n", {{"GETADC 1", Terminator::Board}}},
      {"two commands",
       "setport 7.1 \\r\\nsetport 8.0 \\r\\n",
       {{"setport 7.1", Terminator::Board}, {"setport 8.0", Terminator::Board}}},
      {"CR LF", "GETPORT 2\r\n", {{"GETPORT 2", Terminator::CrLf}}},
      {"LF", "getport 2\n", {{"getport 2", Terminator::Lf}}},
      {"unfinished terminator", "GETADC 1 \\r", {}},
      {"literal \\r\\n without the space is no terminator", "GETADC 1\\r\\n", {}},
      {"lone CR stays in the text", "a\rb\n", {{"a\rb", Terminator::Lf}}},
      {"empty command", " \\r\\n", {{"", Terminator::Board}}},
      {"binary bytes", "\0\xff\x80 \\r\\n"s, {{"\0\xff\x80"s, Terminator::Board}}},
      {"board terminator then LF", "x \\r\\n\n", {{"x", Terminator::Board}, {"", Terminator::Lf}}},
      {"the space may follow text that ends in a backslash",
       "\\ \\r\\n",
       {{"\\", Terminator::Board}}},
  };
  return table;
}

TEST(CommandFramer, FramesEveryCaseWholeAndInEveryTwoPieces) {
  for (const Case& c : cases()) {
    SCOPED_TRACE(c.name);
    CommandFramer whole;
    EXPECT_EQ(summary(whole.feed(c.bytes)), c.frames);
    for (std::size_t cut = 1; cut < c.bytes.size(); ++cut) {
      CommandFramer framer;
      std::vector<Frame> frames = framer.feed(c.bytes.substr(0, cut));
      for (Frame& f : framer.feed(c.bytes.substr(cut))) {
        frames.push_back(std::move(f));
      }
      EXPECT_EQ(summary(frames), c.frames) << "cut at " << cut;
    }
  }
}

TEST(CommandFramer, FramesByteByByte) {
  const std::string stream = "setport 7.1 \\r\\nGETADC 2\r\nGETPORT 1\n";
  CommandFramer framer;
  std::vector<Frame> frames;
  for (char c : stream) {
    for (Frame& f : framer.feed(std::string(1, c))) {
      frames.push_back(std::move(f));
    }
  }
  const std::vector<Expected> want = {{"setport 7.1", Terminator::Board},
                                      {"GETADC 2", Terminator::CrLf},
                                      {"GETPORT 1", Terminator::Lf}};
  EXPECT_EQ(summary(frames), want);
}

TEST(CommandFramer, CapsALongLineAndCountsWhatItDropped) {
  CommandFramer framer(16);
  EXPECT_TRUE(framer.feed(std::string(10'000, 'A')).empty());
  EXPECT_EQ(framer.pendingBytes(), 16u);
  const std::vector<Frame> frames = framer.feed(" \\r\\nGETADC 1 \\r\\n");
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].text, std::string(16, 'A'));
  EXPECT_EQ(frames[0].droppedBytes, 10'000u - 16u);
  EXPECT_EQ(frames[1].text, "GETADC 1");
  EXPECT_EQ(frames[1].droppedBytes, 0u);
}

TEST(CommandFramer, TerminatorStraddlingTheCapIsNotPartOfTheText) {
  for (std::size_t length = 10; length <= 17; ++length) {
    CommandFramer framer(16);
    const std::vector<Frame> frames = framer.feed(std::string(length, 'B') + " \\r\\n");
    ASSERT_EQ(frames.size(), 1u) << length;
    EXPECT_EQ(frames[0].text, std::string(std::min<std::size_t>(length, 16), 'B')) << length;
    EXPECT_EQ(frames[0].droppedBytes, length > 16 ? length - 16 : 0) << length;
  }
}

TEST(CommandFramer, RandomGarbageNeverGrowsTheBufferAndAValidCommandFollows) {
  std::mt19937 random(7);
  CommandFramer framer(64);
  for (int chunk = 0; chunk < 200; ++chunk) {
    std::string bytes(1 + random() % 2000, '\0');
    for (char& c : bytes) {
      c = static_cast<char>(random());
    }
    framer.feed(bytes);
    ASSERT_LE(framer.pendingBytes(), 64u);
  }
  framer.feed("\n");
  const std::vector<Frame> frames = framer.feed("GETADC 1 \\r\\n");
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].text, "GETADC 1");
}

}  // namespace
}  // namespace tastomat::sim
