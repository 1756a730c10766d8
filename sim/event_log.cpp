// SPDX-License-Identifier: MIT
// The log the tests read live: one line per command or event, with a monotonic time.
#include "sim/event_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

namespace tastomat::sim {

std::int64_t monotonicUsec() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1'000'000 + now.tv_nsec / 1000;
}

std::string escapeBytes(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    if (c < 0x20 || c >= 0x7F || c == '\\' || (i == 0 && c == '#')) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string commandLogText(const Frame& frame) {
  std::string text = escapeBytes(frame.text);
  if (frame.droppedBytes > 0) {
    text += "\\...(+" + std::to_string(frame.droppedBytes) + " bytes)";
  }
  switch (frame.terminator) {
    case Terminator::Board:
      break;
    case Terminator::CrLf:
      text += "\\x0D\\x0A";
      break;
    case Terminator::Lf:
      text += "\\x0A";
      break;
  }
  return text;
}

EventLog::~EventLog() {
  if (fd_ >= 0) {
    ::close(fd_);
  }
}

bool EventLog::open(const std::string& path) {
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
  return fd_ >= 0;
}

void EventLog::write(std::int64_t usec, std::string_view text) {
  if (fd_ < 0) {
    return;
  }
  std::string line = std::to_string(usec);
  line += ' ';
  line += text;
  line += '\n';
  std::string_view rest = line;
  while (!rest.empty()) {
    const ssize_t n = ::write(fd_, rest.data(), rest.size());
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      return;
    }
    rest.remove_prefix(static_cast<std::size_t>(n));
  }
}

}  // namespace tastomat::sim
