// SPDX-License-Identifier: MIT
// Test fixtures: a scripted one-client TCP server on 127.0.0.1 and a recording Controls.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "board/board_channel.h"
#include "board/controls.h"

namespace tastomat::test {

using Clock = std::chrono::steady_clock;

inline double msBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

inline double msSince(Clock::time_point start) {
  return msBetween(start, Clock::now());
}

// The server's side of the one connection. Every wait is bounded (5 s), so a
// broken test fails instead of hanging.
class LoopbackPeer {
 public:
  explicit LoopbackPeer(int socket) : socket_(socket) {}
  // One command up to and including its five-byte terminator; "" at end of stream.
  std::string readCommand();
  // Whatever bytes arrive within timeoutMs (blocks until the first one).
  std::string readSome(int timeoutMs);
  void send(std::string_view bytes);
  // Aborts the connection with a reset (SO_LINGER 0) instead of a clean close.
  void reset();
  void close();
  // Waits until the client has closed its side (or 5 s passed).
  void awaitClientClose();

 private:
  int socket_;
};

// Accepts one client on 127.0.0.1 (a free port) and runs the script on it in a
// thread. join() waits for the script; the destructor joins too.
class LoopbackServer {
 public:
  using Script = std::function<void(LoopbackPeer&)>;
  explicit LoopbackServer(Script script);
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  std::uint16_t port() const { return port_; }
  void join();

 private:
  int listenSocket_ = -1;
  std::uint16_t port_ = 0;
  std::thread thread_;
};

// One command as the server received it.
struct Received {
  std::string command;
  Clock::time_point at;
};

// A script that answers every command with reply(command) until the client
// closes, logging each command with the moment its last byte arrived.
LoopbackServer::Script answering(std::vector<Received>& log,
                                 std::function<std::string(const std::string&)> reply);

// Opens a connection to the server (fails the test when it cannot).
BoardConnection connectTo(const LoopbackServer& server, int replyTimeoutMs = 3000);

// Every Controls call as text, e.g. "enable 56 0", "text 36 4,99", "colour 28 255,0,0".
class RecordingControls : public Controls {
 public:
  void setEnabled(int controlId, bool enabled) override;
  void setText(int controlId, const std::string& text) override;
  void setTextColour(int controlId, Rgb colour) override;

  std::vector<std::string> calls;
  std::vector<Clock::time_point> times;

 private:
  void record(std::string call);
};

}  // namespace tastomat::test
