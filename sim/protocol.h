// SPDX-License-Identifier: MIT
// The board's command language: what a command means and what the board answers.
#pragma once

#include "sim/device_model.h"

#include <string>
#include <string_view>
#include <vector>

namespace tastomat::sim {

enum class CommandKind { SetPort, GetAdc, GetPort, Invalid };

struct Command {
  CommandKind kind = CommandKind::Invalid;
  int index = 0;  // output 1..8 for SetPort, input 1..2 for GetAdc and GetPort
  int level = 0;  // SetPort only: 0 or 1
  bool operator==(const Command&) const = default;
};

// Parses one command without its terminator: "SETPORT n.v", "GETADC n",
// "GETPORT n". Keywords in any case; spaces and tabs around the words are
// allowed. Anything else, or a number out of range, is Invalid.
Command parseCommand(std::string_view text);

// The values the board reports for its inputs.
struct BoardInputs {
  int adc1 = 0;
  int adc2 = 0;
  int port1 = 0;
  int port2 = 0;
};

struct Answer {
  std::string reply;                // "ACK\r\n", "512\r\n", "1\r\n" or "NAK\r\n"
  std::vector<KeyPressed> started;  // key presses that this command began
};

// Carries out a command on the model and gives the board's reply.
Answer carryOut(const Command& command, const BoardInputs& inputs, DeviceModel& model);

}  // namespace tastomat::sim
