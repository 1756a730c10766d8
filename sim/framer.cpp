// SPDX-License-Identifier: MIT
// Splits the byte stream from a client into commands.
#include "sim/framer.h"

#include <algorithm>

namespace tastomat::sim {
namespace {

constexpr std::string_view boardTerminator{" \\r\\n", 5};

bool endsWith(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

}  // namespace

std::vector<Frame> CommandFramer::feed(std::string_view bytes) {
  std::vector<Frame> out;
  for (char c : bytes) {
    push(c, out);
  }
  return out;
}

void CommandFramer::clear() {
  line_.clear();
  tail_.clear();
  lineLength_ = 0;
}

void CommandFramer::push(char c, std::vector<Frame>& out) {
  ++lineLength_;
  if (line_.size() < maxBytes_) {
    line_ += c;
  }
  tail_ += c;
  if (tail_.size() > boardTerminator.size()) {
    tail_.erase(0, 1);
  }

  std::size_t terminatorLength = 0;
  Terminator kind = Terminator::Board;
  if (endsWith(tail_, boardTerminator)) {
    terminatorLength = boardTerminator.size();
  } else if (endsWith(tail_, "\r\n")) {
    terminatorLength = 2;
    kind = Terminator::CrLf;
  } else if (c == '\n') {
    terminatorLength = 1;
    kind = Terminator::Lf;
  } else {
    return;
  }

  const std::size_t textLength = lineLength_ - terminatorLength;
  Frame frame;
  frame.terminator = kind;
  frame.text = line_.substr(0, std::min(textLength, line_.size()));
  frame.droppedBytes = textLength - frame.text.size();
  out.push_back(std::move(frame));
  clear();
}

}  // namespace tastomat::sim
