// SPDX-License-Identifier: MIT
// The log the tests read live: one line per command or event, with a monotonic time.
#pragma once

#include "sim/framer.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tastomat::sim {

// CLOCK_MONOTONIC in microseconds: the same clock a test process reads.
std::int64_t monotonicUsec();

// Bytes below 0x20, from 0x7F, the backslash and a leading '#' become \xNN, so a
// command never looks like an event line and every raw backslash in the log
// belongs to an escape or a marker.
std::string escapeBytes(std::string_view bytes);

// The log text of a command: the escaped text; a command ended by CR LF or LF
// keeps that terminator (escaped), so only a board-terminated command reads
// exactly as the program's command text; bytes past the cap show as
// "\...(+N bytes)".
std::string commandLogText(const Frame& frame);

// Lines "<usec> <text>", written with one write() each and never buffered, so a
// reader sees every line as soon as it happened. Without a path it logs nothing.
class EventLog {
 public:
  EventLog() = default;
  ~EventLog();
  EventLog(const EventLog&) = delete;
  EventLog& operator=(const EventLog&) = delete;

  bool open(const std::string& path);  // truncates
  void write(std::int64_t usec, std::string_view text);

 private:
  int fd_ = -1;
};

}  // namespace tastomat::sim
