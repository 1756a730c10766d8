// SPDX-License-Identifier: MIT
// boardsim's settings: command line, control file, and the fault switches.
#pragma once

#include "sim/protocol.h"

#include <string>
#include <string_view>
#include <vector>

namespace tastomat::sim {

// Misbehaviour on purpose. Counts are per connection and 1-based; -1 is off.
struct Faults {
  bool silent = false;       // never answer (commands are still carried out and logged)
  int silentAfter = -1;      // answer this many commands, then none
  int closeAfter = -1;       // close on the N-th command, unanswered; 0 = right after accept
  int resetAfter = -1;       // like closeAfter, but with a TCP reset
  bool split = false;        // every reply one byte per send
  int splitGapMs = 2;        // pause between the bytes of a split reply
  int oversize = 0;          // > 0: every reply padded (or cut) to exactly this many bytes
  bool junk = false;         // binary junk instead of the reply (zero bytes, bytes > 127)
  int seed = 1;              // junk generator seed, restarted per connection
  int delayMs = 0;           // each reply leaves this long after its command arrived
  bool noAccept = false;     // listen, never accept: connects succeed, nothing answers
  bool backlogFull = false;  // fill the listen queue so that further connects hang
};

struct SimOptions {
  std::string listenAddress = "127.0.0.1";
  int port = 0;  // 0 = any free port
  std::string portFile;
  std::string logFile;
  std::string controlFile;
  bool verbose = false;
  int maxSeconds = 600;
  bool exitWithParent = false;  // for tests: a crashed test leaves no boardsim behind
  BoardInputs inputs;
  Faults faults;
};

struct CommandLine {
  SimOptions options;
  std::string error;  // empty when the command line is usable
  bool helpWanted = false;
};

CommandLine parseCommandLine(const std::vector<std::string>& args);
std::string usageText();

// True for a dotted IPv4 address in 127.0.0.0/8: the only place boardsim listens.
bool isLoopbackAddress(const std::string& address);

struct ControlResult {
  std::vector<std::string> applied;  // "key=value" for each line taken
  std::vector<std::string> errors;   // one text per line refused
};

// Applies the text of a control file: "key=value" lines (the long option names
// without "--", flags as 0 or 1), blank lines and "#" comments ignored. Only
// the values that may change while running are taken.
ControlResult applyControlText(SimOptions& options, std::string_view text);

}  // namespace tastomat::sim
