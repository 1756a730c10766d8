// SPDX-License-Identifier: MIT
// A tiny board on 127.0.0.1 for action tests: answers "ACK\r\n" to every
// command and writes what it received into a shared, timestamped timeline.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tastomat::test {

using Clock = std::chrono::steady_clock;

// What happened, in causal order: board commands (without their terminator)
// from the server thread, platform calls and marks from the test thread.
class Timeline {
 public:
  struct Entry {
    std::string what;
    Clock::time_point at;
  };
  void add(std::string what);
  std::vector<Entry> entries() const;
  std::vector<std::string> texts() const;
  void clear();

 private:
  mutable std::mutex mutex_;
  std::vector<Entry> entries_;
};

class AckBoard {
 public:
  explicit AckBoard(Timeline& timeline);
  ~AckBoard();
  AckBoard(const AckBoard&) = delete;
  AckBoard& operator=(const AckBoard&) = delete;

  std::uint16_t port() const { return port_; }
  // Bytes that arrived after the last complete command (should stay empty).
  std::string leftover() const;

 private:
  void serve();
  void serveClient(int client);

  Timeline& timeline_;
  int listener_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  mutable std::mutex leftoverMutex_;
  std::string leftover_;
  std::thread thread_;
};

}  // namespace tastomat::test
