// SPDX-License-Identifier: MIT
// The command language, the replies, the remote-control model and the reply faults.
#include "sim/protocol.h"
#include "sim/device_model.h"
#include "sim/reply_shaper.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace tastomat::sim {
namespace {

TEST(ParseCommand, KnownCommandsInAnyCase) {
  struct Case {
    const char* text;
    Command want;
  };
  const Case cases[] = {
      {"setport 7.1", {CommandKind::SetPort, 7, 1}}, {"SETPORT 1.0", {CommandKind::SetPort, 1, 0}},
      {"SetPort 8.1", {CommandKind::SetPort, 8, 1}}, {"GETADC 1", {CommandKind::GetAdc, 1, 0}},
      {"getadc 2", {CommandKind::GetAdc, 2, 0}},     {"GETPORT 1", {CommandKind::GetPort, 1, 0}},
      {"gEtPoRt 2", {CommandKind::GetPort, 2, 0}},   {"  GETADC\t2  ", {CommandKind::GetAdc, 2, 0}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(parseCommand(c.text), c.want) << c.text;
  }
}

TEST(ParseCommand, EverythingElseIsInvalid) {
  const char* cases[] = {
      "",
      "setport",
      "setport 9.1",
      "setport 0.1",
      "setport 7.2",
      "setport 7",
      "setport 7.",
      "setport .1",
      "setport 7.1 x",
      "setport -1.1",
      "setport 7,1",
      "setport 99999999999.1",
      "setport 7.1.1",
      "GETADC 3",
      "GETADC 0",
      "GETADC",
      "GETADC x",
      "GETADCS 1",
      "GETADC 1.0",
      "GETADC1",
      "GETPORT 3",
      "hello",
      "ACK",
  };
  for (const char* text : cases) {
    EXPECT_EQ(parseCommand(text).kind, CommandKind::Invalid) << text;
  }
}

TEST(CarryOut, RepliesAsTheBoard) {
  const BoardInputs inputs{512, 77, 1, 0};
  struct Case {
    const char* command;
    const char* reply;
  };
  const Case cases[] = {
      {"setport 1.1", "ACK\r\n"}, {"GETADC 1", "512\r\n"}, {"GETADC 2", "77\r\n"},
      {"GETPORT 1", "1\r\n"},     {"GETPORT 2", "0\r\n"},  {"setport 9.9", "NAK\r\n"},
      {"nonsense", "NAK\r\n"},
  };
  DeviceModel model;
  for (const Case& c : cases) {
    EXPECT_EQ(carryOut(parseCommand(c.command), inputs, model).reply, c.reply) << c.command;
  }
  EXPECT_TRUE(model.level(1));
}

// Plays "n.v" steps on a fresh model; gives "<step>: Device NN: EIN" per key press begun.
std::vector<std::string> play(const std::vector<std::string>& steps) {
  DeviceModel model;
  std::vector<std::string> presses;
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const Command command = parseCommand("setport " + steps[i]);
    for (const KeyPressed& key : model.setOutput(command.index, command.level == 1)) {
      presses.push_back(std::to_string(i + 1) + ": " + describe(key));
    }
  }
  return presses;
}

TEST(DeviceModel, KeyPressSequencesPressTheRightKeyOnce) {
  struct Case {
    const char* name;
    std::vector<std::string> steps;
    std::vector<std::string> presses;
  };
  const Case cases[] = {
      {"device 06 on",
       {"7.1", "8.0", "1.1", "4.1", "4.0", "1.0", "7.0", "8.0"},
       {"4: Device 06: EIN"}},
      {"device 01 off, remote 1",
       {"7.0", "8.0", "2.1", "3.1", "3.0", "2.0", "7.0", "8.0"},
       {"4: Device 01: AUS"}},
      {"remote 3", {"7.0", "8.1", "2.1", "5.1"}, {"4: Device 11: AUS"}},
      {"remote 4", {"7.1", "8.1", "1.1", "6.1"}, {"4: Device 16: EIN"}},
      {"row without channel", {"7.1", "8.0", "1.1", "1.0", "7.0", "8.0"}, {}},
      {"channel without row", {"4.1", "4.0", "2.0"}, {}},
      {"channel first, then row", {"4.1", "1.1"}, {"2: Device 02: EIN"}},
      {"setting a held key again is no new press",
       {"1.1", "3.1", "3.1", "1.1"},
       {"2: Device 01: EIN"}},
      {"released and pressed again",
       {"1.1", "3.1", "3.0", "3.1"},
       {"2: Device 01: EIN", "4: Device 01: EIN"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(play(c.steps), c.presses) << c.name;
  }
}

TEST(DeviceModel, OutputsSevenAndEightSelectTheRemote) {
  struct Case {
    bool level7, level8;
    int remote;
  };
  for (const Case& c :
       {Case{false, false, 1}, Case{true, false, 2}, Case{false, true, 3}, Case{true, true, 4}}) {
    DeviceModel model;
    model.setOutput(7, c.level7);
    model.setOutput(8, c.level8);
    EXPECT_EQ(model.remote(), c.remote);
  }
}

TEST(ReplyShaper, JunkHoldsZeroAndHighBytesAndRepeatsPerSeed) {
  Faults faults;
  faults.junk = true;
  ReplyShaper first(5);
  ReplyShaper again(5);
  for (int i = 0; i < 50; ++i) {
    const std::string junk = first.shape("ACK\r\n", faults);
    EXPECT_EQ(junk, again.shape("ACK\r\n", faults));
    EXPECT_GE(junk.size(), 8u);
    EXPECT_LE(junk.size(), 40u);
    EXPECT_NE(junk.find('\0'), std::string::npos);
    EXPECT_TRUE(std::any_of(junk.begin(), junk.end(),
                            [](char c) { return static_cast<unsigned char>(c) > 127; }));
  }
}

TEST(ReplyShaper, OversizeGivesExactlyThatManyBytes) {
  Faults faults;
  ReplyShaper shaper(1);
  faults.oversize = 150;
  const std::string padded = shaper.shape("512\r\n", faults);
  EXPECT_EQ(padded, "512\r\n" + std::string(145, 'x'));
  faults.oversize = 3;
  EXPECT_EQ(shaper.shape("512\r\n", faults), "512");
  faults.junk = true;
  faults.oversize = 4096;
  EXPECT_EQ(shaper.shape("ACK\r\n", faults).size(), 4096u);
}

}  // namespace
}  // namespace tastomat::sim
