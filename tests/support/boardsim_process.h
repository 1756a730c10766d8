// SPDX-License-Identifier: MIT
// Runs boardsim, the stand-in board, as a child process of a test and reads its log.
//
// Usage:
//   tastomat::BoardsimProcess sim({"--adc1", "512", "--split"});
//   ... connect the program or a socket to 127.0.0.1:sim.port() ...
//   ASSERT_TRUE(sim.waitForEntry("setport 8.0"));
//   for (const auto& e : sim.commands()) ...
//
// The constructor starts the boardsim built with this tree on a free loopback
// port, in a fresh temporary folder (port file, log, control file, stdout), and
// waits (at most 10 s) until it listens; it throws std::runtime_error if it
// does not. The destructor stops it (SIGTERM, then SIGKILL after 3 s), reaps it
// and removes the folder. boardsim also exits by itself after --max-seconds
// (600 unless the test passes another) and within 50 ms of the test process's
// end (--exit-with-parent), so nothing outlives a crashed test.
//
// The log is boardsim's record of what it received, one entry per line:
//   <usec> <command>   a command as received: terminator removed, bytes below
//                      0x20, from 0x7F, '\' and a leading '#' written as \xNN;
//                      a command ended by CR LF or LF (not the board's five-byte
//                      terminator) keeps it, escaped, e.g. "GETADC 1\x0D\x0A"
//   <usec> #listen 127.0.0.1:PORT, #connect, #close (the client closed),
//          #close reset (the client reset), #hangup close-after,
//          #hangup reset-after, #hangup shutdown, #device Device 06: EIN,
//          #reply <bytes, escaped>, #control key=value, #control-error ...,
//          #exit signal|max-seconds|parent-gone
// usec is CLOCK_MONOTONIC in microseconds, taken when the command's last byte
// arrived: compare it with monotonicUsecNow() in the test.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tastomat {

struct SimLogEntry {
  std::int64_t usec = 0;
  std::string text;
  // Commands are every line that is not an event ("#...").
  bool isCommand() const { return text.empty() || text.front() != '#'; }
};

// CLOCK_MONOTONIC in microseconds, the clock of boardsim's log.
std::int64_t monotonicUsecNow();

// Path of the boardsim executable built with this tree.
std::string boardsimPath();

class BoardsimProcess {
 public:
  using Timeout = std::chrono::milliseconds;
  static constexpr Timeout defaultTimeout{10'000};

  // `args` come after the defaults (--port 0 --port-file --log --control
  // --max-seconds 600 --exit-with-parent), so a test may override any of them.
  explicit BoardsimProcess(std::vector<std::string> args = {});
  ~BoardsimProcess();
  BoardsimProcess(const BoardsimProcess&) = delete;
  BoardsimProcess& operator=(const BoardsimProcess&) = delete;

  int port() const { return port_; }
  pid_t pid() const { return pid_; }
  const std::string& folder() const { return folder_; }

  std::vector<SimLogEntry> readLog() const;
  std::vector<SimLogEntry> commands() const;  // the command entries only, in order
  std::string logText() const;                // raw, for failure messages
  std::string stdoutText() const;             // what boardsim printed

  // Re-reads the log until `done` holds for it, at most `timeout`.
  bool waitForLogLines(const std::function<bool(const std::vector<SimLogEntry>&)>& done,
                       Timeout timeout = defaultTimeout) const;
  // Waits for an entry with exactly this text.
  bool waitForEntry(std::string_view text, Timeout timeout = defaultTimeout) const;

  // Sets one control-file value (adc1, adc2, port1, port2, silent, delay-ms, ...)
  // and waits until boardsim has taken it. False if it refused it or timed out.
  bool setControl(const std::string& key, const std::string& value,
                  Timeout timeout = defaultTimeout);

  // Stops boardsim now; gives its wait status. Safe to call twice.
  int stop();
  // False once boardsim has exited (then exitStatus() tells how).
  bool running();
  int exitStatus() const { return status_; }

 private:
  std::string path(std::string_view name) const { return folder_ + "/" + std::string(name); }
  bool reapIfExited();

  std::string folder_;
  pid_t pid_ = -1;
  int port_ = 0;
  int status_ = -1;
  std::map<std::string, std::string> controls_;
};

}  // namespace tastomat
