// SPDX-License-Identifier: MIT
// Splits the byte stream from a client into commands.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tastomat::sim {

// How a command was ended. The board's own terminator is five literal characters
// (space, backslash, 'r', backslash, 'n'); CR LF and LF are taken as well so a
// person can type into nc.
enum class Terminator { Board, CrLf, Lf };

struct Frame {
  std::string text;  // the command without its terminator, at most the cap
  Terminator terminator = Terminator::Board;
  std::size_t droppedBytes = 0;  // bytes past the cap that were not kept
};

// Collects bytes until a terminator ends a command. A line longer than the cap
// keeps only its first `maxCommandBytes` bytes, so garbage without any
// terminator never grows memory.
class CommandFramer {
 public:
  static constexpr std::size_t defaultMaxCommandBytes = 1024;

  explicit CommandFramer(std::size_t maxCommandBytes = defaultMaxCommandBytes)
      : maxBytes_(maxCommandBytes) {}

  // Appends bytes; gives every command they complete, in order.
  std::vector<Frame> feed(std::string_view bytes);

  // Bytes of the unfinished command held so far (capped).
  std::size_t pendingBytes() const { return line_.size(); }
  void clear();

 private:
  void push(char c, std::vector<Frame>& out);

  std::size_t maxBytes_;
  std::string line_;  // first maxBytes_ bytes of the current line
  std::string tail_;  // last five bytes of the current line, for the terminators
  std::size_t lineLength_ = 0;
};

}  // namespace tastomat::sim
