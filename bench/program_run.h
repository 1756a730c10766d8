// SPDX-License-Identifier: MIT
// One run of the real program (QtPlatform, offscreen), with the benchmark as its user.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tastomat::bench {

// What the user does, in this order, after logging in.
struct ProgramScript {
  int boardPort = 0;         // boardsim on 127.0.0.1
  int pressDurationMs = 0;   // slider position; 0 leaves it at the initial 1250
  int presses = 0;           // single presses of "Device 01" EIN (button 47)
  int queries = 0;           // "EINGANGSABFRAGE" (button 89)
  bool groupAction = false;  // "Fernsteuerung 1 'Alle Steckdosen EIN'" (button 79)
  int idleS = 0;             // then leave the main loop alone this long, and close
};

// The child's command line for a script, and back.
std::vector<std::string> scriptArguments(const ProgramScript& script);
std::optional<ProgramScript> parseScript(const std::vector<std::string>& args, std::string& error);

// Runs runProgram over QtPlatform with the scripted user. Prints one figure per
// line, "name value", and "problem <text>" for anything unexpected (then the
// exit code is 1). Names:
//   startup_ms           login accepted -> main window painted, first query done
//   press_ms             one press: button disabled -> enabled again (per press)
//   query_action_ms      one "EINGANGSABFRAGE" action, event to next wait
//   group_action_ms      the group action, event to next wait
//   group_pump_gap_ms    longest time without a wait-hook call during it
//   group_hook_longest_ms, group_hook_calls
//   peak_rss_kb          after the steps above
//   idle_cpu_pct, idle_cpu_ms, idle_wall_s, idle_passes
int runScriptedProgram(const ProgramScript& script);

}  // namespace tastomat::bench
