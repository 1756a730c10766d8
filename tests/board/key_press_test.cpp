// SPDX-License-Identifier: MIT
// KeyPressSequencer: the eight commands on the wire, their pauses, the button around them.
#include "board/key_press.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board/commands.h"
#include "loopback_board.h"
#include "syscall_spy.h"

namespace tastomat {
namespace {

using test::Clock;
using test::LoopbackPeer;
using test::LoopbackServer;
using test::msSince;
using test::Received;

std::vector<std::string> setports(std::initializer_list<const char*> arguments) {
  std::vector<std::string> commands;
  for (const char* argument : arguments) {
    commands.push_back(std::string("setport ") + argument + std::string(CommandTerminator));
  }
  return commands;
}

std::vector<std::string> asVector(const std::array<std::string, 8>& commands) {
  return {commands.begin(), commands.end()};
}

// Device 06 on: remote control 2, channel 2, EIN row.
constexpr KeyPress device06On{56, 1, 0, 1, 4, 0, 0};

TEST(KeyPress, CommandsFollowRemoteRowAndChannel) {
  struct Case {
    KeyPress keyPress;
    std::vector<std::string> wire;
  };
  const Case cases[] = {
      {device06On, setports({"7.1", "8.0", "1.1", "4.1", "4.0", "1.0", "7.0", "8.0"})},
      {{47, 0, 0, 1, 3, 0, 0}, setports({"7.0", "8.0", "1.1", "3.1", "3.0", "1.0", "7.0", "8.0"})},
      {{62, 1, 0, 2, 6, 0, 0}, setports({"7.1", "8.0", "2.1", "6.1", "6.0", "2.0", "7.0", "8.0"})},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(asVector(pressCommands(c.keyPress)), c.wire) << "button " << c.keyPress.button;
  }
}

TEST(KeyPress, OnAndOffDifferOnlyInTheRowSteps) {
  KeyPress off = device06On;
  off.rowOutput = 2;
  const auto on = pressCommands(device06On);
  const auto offCommands = pressCommands(off);
  for (std::size_t step = 0; step < on.size(); ++step) {
    if (step == 2 || step == 5) {
      EXPECT_NE(on[step], offCommands[step]);
    } else {
      EXPECT_EQ(on[step], offCommands[step]) << "step " << step + 1;
    }
  }
  EXPECT_EQ(offCommands[2], setportCommand(2, 1));
  EXPECT_EQ(offCommands[5], setportCommand(2, 0));
}

TEST(KeyPress, SendsEightCommandsWithTheirPausesWhileTheButtonIsDisabled) {
  std::vector<Received> log;
  LoopbackServer server(test::answering(log, [](const std::string&) { return "OK\r\n"; }));
  BoardConnection connection = test::connectTo(server);
  ReplyArea replies{};
  test::RecordingControls controls;

  const int halfPressMs = 50;
  const int pressDurationMs = 100;
  press(device06On, connection, replies, halfPressMs, pressDurationMs, controls);
  closeConnection(connection);
  server.join();

  std::vector<std::string> received;
  for (const auto& r : log) {
    received.push_back(r.command);
  }
  EXPECT_EQ(received, asVector(pressCommands(device06On)));
  ASSERT_EQ(log.size(), 8u);
  const int pauseMs[] = {50, 50, 50, 100, 50, 50, 50};
  for (std::size_t step = 0; step < 7; ++step) {
    const double gap = test::msBetween(log[step].at, log[step + 1].at);
    EXPECT_GE(gap, pauseMs[step] - 1) << "after step " << step + 1;
    EXPECT_LT(gap, pauseMs[step] + 50) << "after step " << step + 1;
  }
  ASSERT_EQ(controls.calls, (std::vector<std::string>{"enable 56 0", "enable 56 1"}));
  EXPECT_LE(controls.times[0], log.front().at);
  EXPECT_GE(controls.times[1], log.back().at);
  // No pause after the eighth reply: the button comes back at once.
  EXPECT_LT(test::msBetween(log.back().at, controls.times[1]), halfPressMs - 5);
}

TEST(KeyPress, DeadOrSilentBoardStillGetsEveryStepAndPause) {
  enum class Board { reset, silent, none };
  for (const Board board : {Board::reset, Board::silent, Board::none}) {
    LoopbackServer server([board](LoopbackPeer& peer) {
      if (board == Board::reset) {
        peer.readCommand();
        peer.reset();
      } else {
        peer.awaitClientClose();
      }
    });
    BoardConnection connection;
    if (board != Board::none) {
      connection = test::connectTo(server, 20);
    }
    if (board == Board::reset) {
      ReplyArea scratch{};
      sendCommand(connection, getAdc1Command);
      EXPECT_TRUE(readReply(connection, scratch).empty());  // the reset has arrived
      server.join();
    }
    ReplyArea replies{};
    test::RecordingControls controls;
    test::resetSyscallCounts();
    const auto start = Clock::now();
    press({49, 0, 0, 2, 3, 0, 0}, connection, replies, 10, 30, controls);
    const double elapsed = msSince(start);
    const int label = static_cast<int>(board);
    EXPECT_GE(elapsed, 6 * 10 + 30) << label;
    EXPECT_LT(elapsed, 2000) << label;
    EXPECT_EQ(test::syscallCounts().sends, board == Board::none ? 0 : 8) << label;
    EXPECT_EQ(controls.calls, (std::vector<std::string>{"enable 49 0", "enable 49 1"})) << label;
    closeConnection(connection);
    if (board == Board::none) {
      // Unblocks the server still waiting for a client that never came.
      BoardConnection wake = test::connectTo(server);
      closeConnection(wake);
    }
  }
}

}  // namespace
}  // namespace tastomat
