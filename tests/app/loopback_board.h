// SPDX-License-Identifier: MIT
// A tiny stand-in board on 127.0.0.1 for the flow tests: one client, records
// every command, answers each at once, and notices when the client closes.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tastomat::testing {

class LoopbackBoard {
 public:
  LoopbackBoard();  // listens on an ephemeral port
  ~LoopbackBoard();
  LoopbackBoard(const LoopbackBoard&) = delete;
  LoopbackBoard& operator=(const LoopbackBoard&) = delete;

  int port() const { return port_; }
  // Commands received so far, terminator removed.
  std::vector<std::string> commands();
  // Waits (generously) until the client has closed its end.
  bool waitForClose(std::chrono::milliseconds limit);

 private:
  void serve();

  int listener_ = -1;
  int port_ = 0;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> commands_;
  bool clientClosed_ = false;
  std::thread thread_;
};

// A loopback port on which nothing listens (connections are refused).
int unusedLoopbackPort();

}  // namespace tastomat::testing
