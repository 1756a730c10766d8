// SPDX-License-Identifier: MIT
// Records every command the program sends and the reply each read gave it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tastomat::fault {

// One sendCommand and the readReply that followed it, as the program saw them.
struct Exchange {
  std::string command;             // as sent, terminator included ("" when a read had no send)
  std::string reply;               // exactly the bytes that readReply returned
  std::int64_t readStartUsec = 0;  // CLOCK_MONOTONIC
  std::int64_t readEndUsec = 0;
};

// The exchanges of the calling thread since the last clear, in order. The link
// step routes the board library's sendCommand and readReply through here
// (--wrap), so the real flow is observed without changing it.
const std::vector<Exchange>& recordedExchanges();
void clearRecordedExchanges();

}  // namespace tastomat::fault
