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
// is and never looked up, otherwise the first IPv4 address of a host-name
// lookup), makes the socket non-blocking and closes it again. Sends nothing.
// Fails when the address does not resolve.
bool probeAddress(const std::string& address, std::uint16_t port);

// Resolves as probeAddress does and connects, giving up after connectTimeoutMs
// (refusal, time-out or a failed lookup: nullopt, nothing left open). Calls the
// wait hook while the connect is pending. The socket is blocking, TCP_NODELAY.
std::optional<BoardConnection> openConnection(const std::string& address, std::uint16_t port,
                                              int connectTimeoutMs, int replyTimeoutMs);

// One send of the whole text (nothing added). Never raises SIGPIPE and never
// blocks: a text that does not fit into the socket's send buffer is lost.
// Returns the bytes sent, or -1 (no caller looks at it); no connection: -1.
long sendCommand(const BoardConnection& connection, std::string_view text);

// Exactly one receive of at most 100 bytes into the start of area. Waits until
// at least one byte arrived, the stream ended, or replyTimeoutMs passed, calling
// the wait hook every 10 ms. End of stream, an error, or no connection give an
// empty reply at once; the time-out gives it after replyTimeoutMs. Short reads
// are the reply: nothing is reassembled or framed, and a longer reply's rest is
// what the next read returns. The view points into area.
std::string_view readReply(const BoardConnection& connection, ReplyArea& area);

// Closes the socket; nothing is sent first. Safe on a connection that is none.
void closeConnection(BoardConnection& connection);

// Pauses to a deadline on the monotonic clock, to the millisecond; runs the
// wait hook about every 10 ms meanwhile, but not when it would make the pause
// late. sleepMs(0) and negative values only yield.
void sleepMs(int milliseconds);

}  // namespace tastomat
