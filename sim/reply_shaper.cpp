// SPDX-License-Identifier: MIT
// Bends a reply's bytes as the fault switches ask: junk instead of text, a fixed size.
#include "sim/reply_shaper.h"

namespace tastomat::sim {

unsigned char ReplyShaper::nextByte() {
  // xorshift32: tiny, fast, and the same everywhere.
  state_ ^= state_ << 13;
  state_ ^= state_ >> 17;
  state_ ^= state_ << 5;
  return static_cast<unsigned char>(state_ >> 24);
}

std::string ReplyShaper::junk(std::size_t length) {
  std::string bytes(length, '\0');
  for (char& c : bytes) {
    c = static_cast<char>(nextByte());
  }
  return bytes;
}

std::string ReplyShaper::shape(std::string reply, const Faults& faults) {
  if (faults.junk) {
    reply = junk(8 + nextByte() % 33);
    reply[reply.size() / 3] = '\0';
    reply[2 * reply.size() / 3] = static_cast<char>(0x80 | nextByte());
  }
  if (faults.oversize > 0) {
    const auto size = static_cast<std::size_t>(faults.oversize);
    if (reply.size() > size) {
      reply.resize(size);
    } else {
      reply += faults.junk ? junk(size - reply.size()) : std::string(size - reply.size(), 'x');
    }
  }
  return reply;
}

}  // namespace tastomat::sim
