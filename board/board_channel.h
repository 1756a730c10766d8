// SPDX-License-Identifier: MIT
// BoardChannel: the one TCP link to the board, one reply per command, and sleepMs.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tastomat {

inline constexpr std::size_t replyAreaSize = 100;

// A receive area. A read writes at most 100 bytes at its start; the reply is
// exactly the bytes of that read (no terminating zero).
using ReplyArea = std::array<char, replyAreaSize>;

// The open TCP connection to the board (socket < 0: none).
struct BoardConnection {
  int socket = -1;
  int replyTimeoutMs = 3000;  // a read gives up (empty reply) after this long
};

// Starts the socket layer. Always succeeds on POSIX; kept for the flow's order.
bool startNetwork();

// Datagram step: makes a UDP socket, resolves the address (dotted IPv4 taken as
// is, otherwise the first address of a host-name lookup). Sends nothing.
// Fails when the address does not resolve.
bool probeAddress(const std::string& address, std::uint16_t port);

// Resolves as probeAddress does and connects, giving up after connectTimeoutMs.
// Calls the wait hook while the connect is pending.
std::optional<BoardConnection> openConnection(const std::string& address, std::uint16_t port,
                                              int connectTimeoutMs, int replyTimeoutMs);

// One send of the whole text (nothing added). Never raises SIGPIPE.
// Returns the bytes sent, or -1 (no caller looks at it).
long sendCommand(const BoardConnection& connection, std::string_view text);

// Exactly one receive of at most 100 bytes into the start of area. Waits until
// at least one byte arrived, the stream ended, or replyTimeoutMs passed; the
// last two, an error, or no connection give an empty reply (at once once the
// connection is gone). Short reads are the reply: nothing is reassembled.
std::string_view readReply(const BoardConnection& connection, ReplyArea& area);

// Closes the socket; nothing is sent first. Safe on a connection that is none.
void closeConnection(BoardConnection& connection);

// Pauses to a deadline on the monotonic clock, to the millisecond; pumps the
// wait hook every few ms meanwhile. sleepMs(0) only yields.
void sleepMs(int milliseconds);

}  // namespace tastomat
