// SPDX-License-Identifier: MIT
// The whole benchmark: every run against boardsim on loopback, then the table.
//
// The program runs are child processes (each its own start-up, memory and CPU
// account), one boardsim each; boardsim's log of when each command arrived is
// the source of the pause errors. Runs go one after another, except the idle
// runs, which use next to no CPU and so share their minute.
#include "bench/figures.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <thread>

#include "bench/child_process.h"
#include "bench/press_gaps.h"
#include "bench/program_run.h"
#include "bench/report.h"
#include "bench/stats.h"
#include "board/board_channel.h"
#include "board/input_query.h"
#include "board/key_press.h"
#include "tests/support/boardsim_process.h"

namespace tastomat::bench {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

struct Plan {
  int programRuns;    // at 250 ms: presses, queries, the group action
  int pressesPerRun;  // single presses per program run
  int queriesPerRun;  // "EINGANGSABFRAGE" per program run
  int runs1250;
  int presses1250;
  int runs5000;
  int idleRuns;  // side by side
  int idleS;
  int queryRuns;  // the board link alone
  int queriesPerQueryRun;
  int shellRuns;
  int shellPresses;
  int boardPressRuns;  // the board link alone, at 250 ms
  int boardPressesPerRun;
  int sleepCalls;  // sleepMs(625) on its own
};
constexpr Plan fullPlan{5, 5, 5, 3, 2, 2, 3, 60, 5, 100, 5, 2, 5, 5, 100};
constexpr Plan quickPlan{3, 5, 5, 2, 1, 0, 3, 10, 5, 100, 3, 2, 3, 5, 20};
constexpr int halfStartPressMs = 625;

constexpr int shortPressMs = 250;
constexpr int startPressMs = 1250;
constexpr int longPressMs = 5000;
constexpr auto runSlack = 120s;

const std::vector<std::string> boardInputs{"--adc1", "512", "--adc2", "1023", "--port1", "1"};

void progress(const std::string& text) {
  std::fprintf(stderr, "bench: %s\n", text.c_str());
}

std::vector<std::string> problems;

void problem(const std::string& text) {
  problems.push_back(text);
  progress("PROBLEM: " + text);
}

struct ProgramChild {
  std::unique_ptr<BoardsimProcess> sim;
  pid_t pid = -1;
  std::string out;
  std::string err;
};

struct ProgramResult {
  std::map<std::string, std::vector<double>> figures;
  std::vector<SimLogEntry> commands;
  bool ok = false;
};

ProgramChild startProgram(ProgramScript script) {
  ProgramChild child;
  child.sim = std::make_unique<BoardsimProcess>(boardInputs);
  script.boardPort = child.sim->port();
  std::vector<std::string> argv{ownExecutable(), "program"};
  for (std::string& arg : scriptArguments(script)) {
    argv.push_back(std::move(arg));
  }
  child.out = child.sim->folder() + "/program.out";
  child.err = child.sim->folder() + "/program.err";
  child.pid = startProcess(argv, child.out, child.err);
  return child;
}

ProgramResult finishProgram(ProgramChild& child, std::chrono::milliseconds timeout) {
  ProgramResult result;
  const int code = finishProcess(child.pid, timeout);
  std::istringstream lines(readFile(child.out));
  std::string name;
  while (lines >> name) {
    std::string rest;
    std::getline(lines, rest);
    if (name == "problem") {
      problem("program run:" + rest);
    } else {
      result.figures[name].push_back(std::stod(rest));
    }
  }
  if (code != 0) {
    problem("a program run ended with code " + std::to_string(code) + "; its stderr:\n" +
            readFile(child.err));
  }
  result.commands = child.sim->commands();
  result.ok = code == 0;
  return result;
}

ProgramResult runProgram(const ProgramScript& script, std::chrono::milliseconds expected) {
  ProgramChild child = startProgram(script);
  return finishProgram(child, expected + runSlack);
}

void append(std::vector<double>& to, const std::vector<double>& values) {
  to.insert(to.end(), values.begin(), values.end());
}

// The pause errors of one run, as three per-run statistics.
struct PauseRows {
  Row p50;
  Row p99;
  Row max;
};

PauseRows pauseRows(const std::string& what, bool withGoal) {
  const auto row = [&](const std::string& stat) {
    return Row{"pause error, " + what + ", " + stat, "ms", {}, "runs", std::nullopt, ""};
  };
  PauseRows rows{row("p50"), row("p99"), row("max")};
  if (withGoal) {
    rows.max.goal = Goal{0.5, false, "max <= 0.5 ms on loopback"};
  }
  return rows;
}

void addPauseErrors(PauseRows& rows, const std::vector<SimLogEntry>& commands,
                    int pressDurationMs) {
  const PressGaps gaps = pressGaps(commands, pressDurationMs);
  if (!gaps.problem.empty() || gaps.presses == 0) {
    problem("boardsim's log: " + (gaps.problem.empty() ? "no press" : gaps.problem));
    return;
  }
  rows.p50.samples.push_back(percentile(gaps.errorsMs, 50));
  rows.p99.samples.push_back(percentile(gaps.errorsMs, 99));
  rows.max.samples.push_back(maximum(gaps.errorsMs));
}

void skip(PauseRows& rows, const std::string& why) {
  rows.p50.note = rows.p99.note = rows.max.note = why;
}

class NoWindow final : public Controls {
 public:
  void setEnabled(int, bool) override {}
  void setText(int, const std::string&) override {}
  void setTextColour(int, Rgb) override {}
};

// A connection from the benchmark's own process to its boardsim, or a problem.
std::optional<BoardConnection> connectTo(const BoardsimProcess& sim, const std::string& run) {
  auto connection = openConnection("127.0.0.1", static_cast<std::uint16_t>(sim.port()), 2000, 3000);
  if (!connection) {
    problem("no connection to boardsim for the " + run + " run");
  }
  return connection;
}

// sleepMs alone: from the call to its return, minus the nominal pause.
std::vector<double> sleepErrors(int calls, int pauseMs) {
  std::vector<double> errors;
  errors.reserve(static_cast<std::size_t>(calls));
  for (int i = 0; i < calls; ++i) {
    const auto start = Clock::now();
    sleepMs(pauseMs);
    errors.push_back(msBetween(start, Clock::now()) - pauseMs);
  }
  return errors;
}

// The input query on the board link alone: no window, no wait hook.
std::vector<double> boardQueries(int count) {
  BoardsimProcess sim(boardInputs);
  auto connection = connectTo(sim, "query");
  if (!connection) {
    return {};
  }
  ReplyArea analog{};
  ReplyArea digital{};
  InputDisplay display;
  QuerySettings settings;
  NoWindow window;
  InputQuery query{&*connection, &analog, &digital, &display, &settings};
  queryInputs(query, window);  // the first one warms caches up; not counted
  std::vector<double> times;
  for (int i = 0; i < count; ++i) {
    const auto start = Clock::now();
    queryInputs(query, window);
    times.push_back(msBetween(start, Clock::now()));
  }
  closeConnection(*connection);
  if (display.analogValue[0] != "2,50" || display.digitalState[0] != "OFFEN") {
    problem("the query run did not read the board's inputs");
  }
  return times;
}

// Key presses on the board link alone: no window, no wait hook. Beside the
// program's own presses this tells the board link's share of a pause error
// from the window's.
std::vector<SimLogEntry> boardPresses(int pressDurationMs, int count) {
  BoardsimProcess sim(boardInputs);
  auto connection = connectTo(sim, "press");
  if (!connection) {
    return {};
  }
  ReplyArea replies{};
  NoWindow window;
  const KeyPress device01On{47, 0, 0, 1, 3, 0, 0};
  for (int i = 0; i < count; ++i) {
    press(device01On, *connection, replies, pressDurationMs / 2, pressDurationMs, window);
  }
  closeConnection(*connection);
  return sim.commands();
}

// The same press by a plain shell loop (printf, nc, sleep) from scripts/bench.
std::vector<SimLogEntry> shellPresses(const std::string& script, int pressDurationMs, int count) {
  BoardsimProcess sim(boardInputs);
  const std::vector<std::string> argv{"/bin/bash",
                                      script,
                                      "--shell-press",
                                      std::to_string(sim.port()),
                                      std::to_string(pressDurationMs),
                                      std::to_string(count)};
  const std::string err = sim.folder() + "/shell.err";
  const int code = finishProcess(startProcess(argv, sim.folder() + "/shell.out", err), runSlack);
  if (code != 0) {
    problem("the shell loop ended with code " + std::to_string(code) + ": " + readFile(err));
  }
  return sim.commands();
}

std::string loadAverage() {
  std::istringstream in(readFile("/proc/loadavg"));
  std::string oneMinute;
  in >> oneMinute;
  return oneMinute;
}

// The share of the last minute in which some task here waited for a CPU: the
// other work on a shared machine, which shows in every timing tail.
std::string cpuPressure() {
  std::istringstream in(readFile("/proc/pressure/cpu"));
  std::string word;
  while (in >> word) {
    if (word.rfind("avg60=", 0) == 0) {
      return word.substr(6) + " %";
    }
  }
  return "unknown";
}

Row ratioRow(const std::string& stat, const Row& shell, const Row& ours) {
  Row row{"ours tighter than the shell loop at 250 ms (shell / ours, " + stat + ")",
          "x",
          {},
          "ratio of medians",
          Goal{5, true, "ours >= 5x tighter"},
          "not measured"};
  if (!shell.samples.empty() && !ours.samples.empty()) {
    const double oursMedian = spreadOf(ours.samples).median;
    if (oursMedian > 0) {
      row.samples.push_back(spreadOf(shell.samples).median / oursMedian);
    }
  }
  return row;
}

}  // namespace

int runBenchmark(const BenchOptions& options) {
  const Plan& plan = options.quick ? quickPlan : fullPlan;
  const std::string loadAtStart = loadAverage();
  const std::string pressureAtStart = cpuPressure();
  const auto benchStart = Clock::now();

  PauseRows pause250 = pauseRows("press 250 ms (in the program)", true);
  PauseRows pause1250 = pauseRows("press 1250 ms (in the program)", true);
  PauseRows pause5000 = pauseRows("press 5000 ms (in the program)", true);
  Row overhead{"press overhead at 250 ms: whole press minus 1000 ms of pauses",
               "ms",
               {},
               "presses",
               Goal{5, false, "<= 5 ms on loopback"},
               ""};
  Row query{"one input query (four exchanges), board link alone",
            "ms",
            {},
            "queries",
            Goal{2, false, "<= 2 ms on loopback"},
            ""};
  Row queryAction{"\"EINGANGSABFRAGE\" in the program: event to next wait (click, query, display)",
                  "ms",
                  {},
                  "actions",
                  std::nullopt,
                  ""};
  Row pumpGap{"longest gap between two paint/event pumps, group action 79 at 250 ms",
              "ms",
              {},
              "runs",
              Goal{20, false, "<= 20 ms"},
              ""};
  Row idle{
      "CPU time of the idle main loop over " + std::to_string(plan.idleS) + " s, % of one core",
      "%",
      {},
      "runs",
      Goal{0.1, false, "<= 0.1 % of one core"},
      ""};
  Row startup{"start-up: login accepted -> main window painted, first query done",
              "ms",
              {},
              "runs",
              Goal{300, false, "<= 300 ms"},
              ""};
  Row memory{"peak resident memory after start-up and one group action",
             "MB",
             {},
             "runs",
             Goal{60, false, "report; <= 60 MB"},
             ""};
  Row sleep{"sleepMs(" + std::to_string(halfStartPressMs) + "): call to return minus the pause",
            "ms",
            {},
            "calls",
            Goal{1, false, "<= 1 ms"},
            ""};
  PauseRows boardAlone = pauseRows("press 250 ms (board link alone, no window)", true);
  PauseRows shell = pauseRows("same press by a shell loop (printf, nc, sleep), 250 ms", false);

  const auto addStartup = [&](const ProgramResult& r) {
    if (const auto found = r.figures.find("startup_ms"); found != r.figures.end()) {
      append(startup.samples, found->second);
    }
  };
  const auto figure = [](const ProgramResult& r, const std::string& name) {
    const auto found = r.figures.find(name);
    return found == r.figures.end() ? std::vector<double>{} : found->second;
  };

  // Press duration 250 ms: presses, queries, the group action, memory.
  for (int run = 1; run <= plan.programRuns; ++run) {
    progress("program run " + std::to_string(run) + "/" + std::to_string(plan.programRuns) +
             " at 250 ms: " + std::to_string(plan.pressesPerRun) + " presses, " +
             std::to_string(plan.queriesPerRun) + " queries, group action 79");
    ProgramScript script;
    script.pressDurationMs = shortPressMs;
    script.presses = plan.pressesPerRun;
    script.queries = plan.queriesPerRun;
    script.groupAction = true;
    const ProgramResult r = runProgram(script, 15s);
    addStartup(r);
    addPauseErrors(pause250, r.commands, shortPressMs);
    // The pauses of one press: six halves (rounded down, as the program does) and one whole.
    const int halfPressMs = shortPressMs / 2;
    const double nominalPausesMs = 6.0 * halfPressMs + shortPressMs;
    for (double ms : figure(r, "press_ms")) {
      overhead.samples.push_back(ms - nominalPausesMs);
    }
    append(queryAction.samples, figure(r, "query_action_ms"));
    append(pumpGap.samples, figure(r, "group_pump_gap_ms"));
    for (double kb : figure(r, "peak_rss_kb")) {
      memory.samples.push_back(kb / 1024.0);
    }
  }

  for (int run = 1; run <= plan.runs1250; ++run) {
    progress("program run " + std::to_string(run) + "/" + std::to_string(plan.runs1250) +
             " at 1250 ms: " + std::to_string(plan.presses1250) + " presses");
    ProgramScript script;
    script.pressDurationMs = startPressMs;
    script.presses = plan.presses1250;
    const ProgramResult r = runProgram(script, 6s * plan.presses1250);
    addStartup(r);
    addPauseErrors(pause1250, r.commands, startPressMs);
  }

  if (plan.runs5000 == 0) {
    skip(pause5000, "skipped (--quick)");
  }
  for (int run = 1; run <= plan.runs5000; ++run) {
    progress("program run " + std::to_string(run) + "/" + std::to_string(plan.runs5000) +
             " at 5000 ms: 1 press (20 s)");
    ProgramScript script;
    script.pressDurationMs = longPressMs;
    script.presses = 1;
    const ProgramResult r = runProgram(script, 21s);
    addStartup(r);
    addPauseErrors(pause5000, r.commands, longPressMs);
  }

  progress(std::to_string(plan.idleRuns) + " idle program runs side by side, " +
           std::to_string(plan.idleS) + " s");
  {
    std::vector<ProgramChild> children;
    children.reserve(static_cast<std::size_t>(plan.idleRuns));
    ProgramScript script;
    script.idleS = plan.idleS;
    for (int run = 0; run < plan.idleRuns; ++run) {
      children.push_back(startProgram(script));
    }
    for (ProgramChild& child : children) {
      const ProgramResult r = finishProgram(child, std::chrono::seconds(plan.idleS) + runSlack);
      addStartup(r);
      append(idle.samples, figure(r, "idle_cpu_pct"));
    }
  }

  progress("sleepMs(" + std::to_string(halfStartPressMs) + ") x " +
           std::to_string(plan.sleepCalls));
  sleep.samples = sleepErrors(plan.sleepCalls, halfStartPressMs);

  progress("input queries on the board link alone");
  for (int run = 0; run < plan.queryRuns; ++run) {
    append(query.samples, boardQueries(plan.queriesPerQueryRun));
  }

  for (int run = 1; run <= plan.boardPressRuns; ++run) {
    progress("board link press run " + std::to_string(run) + "/" +
             std::to_string(plan.boardPressRuns));
    addPauseErrors(boardAlone, boardPresses(shortPressMs, plan.boardPressesPerRun), shortPressMs);
  }

  if (!options.shellScript.empty() && std::filesystem::exists(options.shellScript)) {
    for (int run = 1; run <= plan.shellRuns; ++run) {
      progress("shell loop run " + std::to_string(run) + "/" + std::to_string(plan.shellRuns));
      addPauseErrors(shell, shellPresses(options.shellScript, shortPressMs, plan.shellPresses),
                     shortPressMs);
    }
  } else {
    skip(shell, "not run: no shell script (--shell-script scripts/bench)");
  }

  const std::vector<Row> rows{
      sleep,
      pause250.p50,
      pause250.p99,
      pause250.max,
      boardAlone.p50,
      boardAlone.p99,
      boardAlone.max,
      pause1250.p50,
      pause1250.p99,
      pause1250.max,
      pause5000.p50,
      pause5000.p99,
      pause5000.max,
      overhead,
      query,
      queryAction,
      pumpGap,
      idle,
      startup,
      memory,
      shell.p50,
      shell.max,
      ratioRow("p50", shell.p50, pause250.p50),
      ratioRow("max", shell.max, pause250.max),
  };

  const double minutes = std::chrono::duration<double>(Clock::now() - benchStart).count() / 60.0;
  char header[768];
  std::snprintf(header, sizeof header,
                "DEMO-Tastomat benchmark, %s: the program offscreen (QtPlatform), the stand-in "
                "board boardsim on 127.0.0.1.\n"
                "Machine: %u cores (shared); load average (1 min) %s at the start, %s at the "
                "end; CPU pressure (share of the last minute in which a task waited for a CPU) "
                "%s at the start, %s at the end; %.1f minutes.\n",
                options.quick ? "quick run (--quick)" : "full run",
                std::thread::hardware_concurrency(), loadAtStart.c_str(), loadAverage().c_str(),
                pressureAtStart.c_str(), cpuPressure().c_str(), minutes);
  std::fputs(header, stdout);
  if (options.quick) {
    std::fputs(
        "Quick run: the 5000 ms presses are skipped, there are fewer runs, and the idle main "
        "loop is measured over 10 s instead of 60 s.\n",
        stdout);
  }
  std::fputs("\n", stdout);
  std::fputs(renderTable(rows).c_str(), stdout);
  std::fputs(
      "\nPause error: each gap between two commands of a press as boardsim timestamps their "
      "arrival, minus its nominal pause; p50/p99/max per run.\n",
      stdout);
  if (!problems.empty()) {
    std::fputs("\nProblems:\n", stdout);
    for (const std::string& text : problems) {
      std::fprintf(stdout, "- %s\n", text.c_str());
    }
  }
  std::fflush(stdout);
  return problems.empty() ? 0 : 1;
}

}  // namespace tastomat::bench
