// SPDX-License-Identifier: MIT
// KeyPressSequencer: one remote-control key press as eight timed setport commands.
#pragma once

#include <array>
#include <string>

#include "board/board_channel.h"
#include "board/controls.h"

namespace tastomat {

struct KeyPress {
  int button = 0;        // ControlId disabled while the press runs
  int selectLevel7 = 0;  // remote-control selection
  int selectLevel8 = 0;
  int rowOutput = 1;      // 1 = EIN row, 2 = AUS row
  int channelOutput = 3;  // 3..6 = channel 1..4
  int endLevel7 = 0;
  int endLevel8 = 0;
};

// The eight commands of a press, terminator included, in wire order.
std::array<std::string, 8> pressCommands(const KeyPress& keyPress);

// Disables keyPress.button, sends the eight commands (each: send, one read into
// pressReplies, then its pause), enables the button after the eighth reply.
// Replies are never examined; a dead or silent board only makes reads empty.
void press(const KeyPress& keyPress, const BoardConnection& connection, ReplyArea& pressReplies,
           int halfPressMs, int pressDurationMs, Controls& controls);

}  // namespace tastomat
