// SPDX-License-Identifier: MIT
// boardsim: a stand-in AVR-NET-IO board on loopback, for tests and the demo.
#include "sim/options.h"
#include "sim/server.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  using namespace tastomat::sim;
  const CommandLine commandLine = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (commandLine.helpWanted) {
    std::fputs(usageText().c_str(), stdout);
    return 0;
  }
  if (!commandLine.error.empty()) {
    std::fprintf(stderr, "boardsim: %s (boardsim --help lists the options)\n",
                 commandLine.error.c_str());
    return 2;
  }
  BoardServer::installStopSignals();
  BoardServer server(commandLine.options);
  if (const std::string error = server.start(); !error.empty()) {
    std::fprintf(stderr, "boardsim: %s\n", error.c_str());
    return 1;
  }
  return server.run();
}
