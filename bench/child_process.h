// SPDX-License-Identifier: MIT
// The benchmark's child processes: the program runs and the shell loop.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace tastomat::bench {

// Starts argv[0] (a path) with its stdout and stderr written to the two files.
// Gives the process id, or -1 when it could not be started.
pid_t startProcess(const std::vector<std::string>& argv, const std::string& stdoutPath,
                   const std::string& stderrPath);

// Waits for it at most `timeout`; one that overran is killed. Gives the exit
// code, or -1 for a kill, a signal or a failed wait.
int finishProcess(pid_t pid, std::chrono::milliseconds timeout);

// This executable, to start it again in a child mode.
std::string ownExecutable();

std::string readFile(const std::string& path);

}  // namespace tastomat::bench
