// SPDX-License-Identifier: MIT
// A hostile board never hangs or crashes the program: each of boardsim's faults
// against each action, through the real flow and board code, one test per row.
//
// Every row checks that each event is handled within (reads x reply time-out)
// + the action's pauses + a generous margin, that every button a press disabled
// is enabled again, that the input displays show what the reply rules give for
// the bytes that actually arrived, that those bytes are what the board sent, and
// that the program still ends with exit code 0.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "app/flow.h"
#include "app/login.h"
#include "board/commands.h"
#include "board/input_query.h"
#include "panel/layout.h"
#include "tests/fault/exchange_recorder.h"
#include "tests/scripted/scripted_platform.h"
#include "tests/support/boardsim_process.h"
#include "tests/support/loopback_port.h"

namespace tastomat {
namespace {

using fault::Exchange;
using testing::ScriptedPlatform;
using testing::unusedLoopbackPort;

// Short times keep the suite quick; presses run at the slider's minimum.
constexpr int replyTimeoutMs = 150;
constexpr int connectTimeoutMs = 500;
constexpr int pressDurationMs = 250;
constexpr int halfPressMs = pressDurationMs / 2;
constexpr int pressPausesMs = 6 * halfPressMs + pressDurationMs;
constexpr int closingPauseMs = 100;
constexpr int startUpCommands = 4;  // the first input query
// Generous: the machine is shared. A hang or an ignored time-out is far beyond.
constexpr int marginMs = 1500;
constexpr int readSlackMs = 1000;

// What the board reports: none of it looks like what an empty reply shows.
const std::vector<std::string> boardInputs{"--adc1",  "512", "--adc2",  "1023",
                                           "--port1", "1",   "--port2", "1"};

enum class Action { StartUp, Press, Group79, Group87, Query89, AutoQuery, Close };

struct ActionRow {
  Action action;
  const char* name;
  int commands;  // board commands the action sends after the start-up query
  int faultAt;   // the connection's command at which a mid-action fault strikes
};

constexpr ActionRow actionRows[] = {
    {Action::StartUp, "StartUp", 0, 2},  // inside the first query
    {Action::Press, "Press", 8 + 4, startUpCommands + 3},
    {Action::Group79, "Group79", 4 * 8 + 4, startUpCommands + 8 + 3},
    {Action::Group87, "Group87", 8 * 8, startUpCommands + 4 * 8 + 3},  // first key of remote 2
    {Action::Query89, "Query89", 4, startUpCommands + 2},
    {Action::AutoQuery, "AutoQuery", 2 * 4, startUpCommands + 4 + 2},  // in the second tick
    {Action::Close, "Close", 0, 3},  // the fault is live when the window closes
};

constexpr int pressedButton = 56;  // "Device 06" EIN

enum class Fault {
  Silent,
  SilentMid,
  CloseMid,
  ResetMid,
  CloseAtAccept,
  ResetAtAccept,
  Split,
  Drip,
  Reply101,
  Reply150,
  Reply4096,
  Junk,
  LateReply,
  NoAccept,
  Refused,
  ConnectHangs,
};

struct FaultRow {
  Fault fault;
  const char* name;
};

// clang-format off
constexpr FaultRow connectedFaults[] = {
    {Fault::Silent, "Silent"},
    {Fault::SilentMid, "SilentMid"},
    {Fault::CloseMid, "CloseMid"},
    {Fault::ResetMid, "ResetMid"},
    {Fault::CloseAtAccept, "CloseAtAccept"},
    {Fault::ResetAtAccept, "ResetAtAccept"},
    {Fault::Split, "Split"},
    {Fault::Drip, "Drip"},
    {Fault::Reply101, "Reply101"},
    {Fault::Reply150, "Reply150"},
    {Fault::Reply4096, "Reply4096"},
    {Fault::Junk, "Junk"},
    {Fault::LateReply, "LateReply"},
    {Fault::NoAccept, "NoAccept"},
};
// clang-format on

struct Row {
  FaultRow fault;
  ActionRow action;
};

std::string rowName(const Row& row) {
  return std::string(row.fault.name) + "_" + row.action.name;
}

// Names the row in test listings (and so in ctest's test names).
void PrintTo(const Row& row, std::ostream* out) {
  *out << rowName(row);
}

// The 64-command group is the 32-command one at twice the time: it runs with
// the faults that strike inside it, and with junk.
bool wanted(Fault fault, Action action) {
  if (action == Action::Group87) {
    return fault == Fault::SilentMid || fault == Fault::CloseMid || fault == Fault::ResetMid ||
           fault == Fault::Junk;
  }
  if (fault == Fault::NoAccept) {
    return action != Action::Group79;  // a silent board's slowest row, already covered
  }
  // Variants of other rows' faults: the quick actions are enough.
  if (fault == Fault::CloseAtAccept || fault == Fault::ResetAtAccept || fault == Fault::Drip) {
    return action != Action::Group79;
  }
  return true;
}

std::vector<Row> allRows() {
  std::vector<Row> rows;
  for (const FaultRow& fault : connectedFaults) {
    for (const ActionRow& action : actionRows) {
      if (wanted(fault.fault, action.action)) {
        rows.push_back({fault, action});
      }
    }
  }
  rows.push_back({{Fault::Refused, "Refused"}, actionRows[0]});
  rows.push_back({{Fault::ConnectHangs, "ConnectHangs"}, actionRows[0]});
  return rows;
}

enum class Outcome { MainLoop, NotFound, Either };

Outcome outcomeOf(Fault fault) {
  switch (fault) {
    case Fault::Refused:
    case Fault::ConnectHangs:
      return Outcome::NotFound;
    case Fault::ResetAtAccept:
      // A reset that arrives before the connect is seen to finish fails it: the
      // board is "not found", as right as a connection whose reads all fail.
      return Outcome::Either;
    default:
      return Outcome::MainLoop;
  }
}

std::vector<std::string> boardsimArgs(Fault fault, int faultAt) {
  const std::string at = std::to_string(faultAt);
  switch (fault) {
    case Fault::Silent:
      return {"--silent"};
    case Fault::SilentMid:
      return {"--silent-after", at};
    case Fault::CloseMid:
      return {"--close-after", at};
    case Fault::ResetMid:
      return {"--reset-after", at};
    case Fault::CloseAtAccept:
      return {"--close-after", "0"};
    case Fault::ResetAtAccept:
      return {"--reset-after", "0"};
    case Fault::Split:
      return {"--split"};
    case Fault::Drip:  // each byte of a reply comes later than a read waits
      return {"--split", "--split-gap-ms", std::to_string(replyTimeoutMs + 50)};
    case Fault::Reply101:
      return {"--oversize", "101"};
    case Fault::Reply150:
      return {"--oversize", "150"};
    case Fault::Reply4096:
      return {"--oversize", "4096"};
    case Fault::Junk:
      return {"--junk"};
    case Fault::LateReply:
      return {"--delay-ms", std::to_string(replyTimeoutMs + 100)};
    case Fault::NoAccept:
      return {"--no-accept"};
    case Fault::ConnectHangs:
      return {"--backlog-full"};
    case Fault::Refused:
      break;
  }
  return {};
}

// One handled event: from the moment waitEvent returned it until the next wait
// (or the shutdown) began.
struct Pass {
  Event event;
  std::int64_t startUsec = 0;
  std::int64_t endUsec = 0;
};

class FaultPlatform : public ScriptedPlatform {
 public:
  std::vector<Pass> passes;  // the login's event first: its pass holds the start-up

  Event waitEvent(int timeoutMs) override {
    endPass();
    const Event event = ScriptedPlatform::waitEvent(timeoutMs);
    passes.push_back({event, monotonicUsecNow(), 0});
    return event;
  }
  void shutdown() override {
    endPass();
    ScriptedPlatform::shutdown();
  }

 private:
  void endPass() {
    if (!passes.empty() && passes.back().endUsec == 0) {
      passes.back().endUsec = monotonicUsecNow();
    }
  }
};

void scriptAction(Action action, ScriptedPlatform& p) {
  const auto atMinimum = [](ScriptedPlatform& sp) {
    sp.userSetState(controlId::pressDurationSlider, pressDurationMs);
  };
  switch (action) {
    case Action::StartUp:
      break;  // the empty script then asks to close
    case Action::Press:
      p.push(Event{EventKind::None}, atMinimum);
      p.pushControl(pressedButton);
      break;
    case Action::Group79:
      p.push(Event{EventKind::None}, atMinimum);
      p.pushControl(79);
      break;
    case Action::Group87:
      p.push(Event{EventKind::None}, atMinimum);
      p.pushControl(87);
      break;
    case Action::Query89:
      p.pushControl(controlId::queryButton);
      break;
    case Action::AutoQuery:
      p.push(Event{EventKind::None},
             [](ScriptedPlatform& sp) { sp.userSetState(controlId::autoQueryCheck, 1); });
      p.pushTick(pollTimerId);
      p.pushTick(pollTimerId);
      break;
    case Action::Close:
      p.pushClose();
      break;
  }
}

// The nominal pauses of handling this event at the slider's minimum.
int pausesOf(const Event& event) {
  if (event.kind == EventKind::CloseRequest) {
    return closingPauseMs;
  }
  if (event.kind != EventKind::Control) {
    return 0;
  }
  switch (event.controlId) {
    case pressedButton:
      return pressPausesMs;
    case 79:
      return 4 * (pressPausesMs + halfPressMs);
    case 87:
      return 8 * (pressPausesMs + halfPressMs);
    default:
      return 0;
  }
}

// Ends the test process if the program has not ended in time: a hang shows as a
// named failure instead of a ctest time-out.
class Watchdog {
 public:
  Watchdog(std::string row, std::chrono::milliseconds limit)
      : thread_([this, row = std::move(row), limit] {
          std::unique_lock lock(mutex_);
          if (!ended_.wait_for(lock, limit, [this] { return done_; })) {
            std::fprintf(stderr, "fault row %s: the program did not end within %lld ms (hang)\n",
                         row.c_str(), static_cast<long long>(limit.count()));
            std::_Exit(3);
          }
        }) {}
  ~Watchdog() {
    {
      std::lock_guard lock(mutex_);
      done_ = true;
    }
    ended_.notify_all();
    thread_.join();
  }
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

 private:
  std::mutex mutex_;
  std::condition_variable ended_;
  bool done_ = false;
  std::thread thread_;  // last: it uses the members above
};

std::string colourText(Rgb c) {
  return std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b);
}

bool isDisplayCall(const std::string& call) {
  for (const auto& ids : {analogValueIds, digitalStateIds}) {
    for (int id : ids) {
      const std::string suffix = std::to_string(id) + " ";
      if (call.rfind("setText " + suffix, 0) == 0 ||
          call.rfind("setTextColour " + suffix, 0) == 0) {
        return true;
      }
    }
  }
  return false;
}

// The display calls the reply rules give for these exchanges, in order.
std::vector<std::string> expectedDisplayCalls(const std::vector<Exchange>& exchanges) {
  const PanelSettings s = fillSettings();
  InputDisplay display;
  std::vector<std::string> calls;
  for (const Exchange& e : exchanges) {
    if (e.command == getAdc1Command || e.command == getAdc2Command) {
      const std::size_t row = e.command == getAdc1Command ? 0 : 1;
      display.analogValue[row] =
          analogText(e.reply, s.adcFactor[row], s.roundingScale[row], s.shownChars[row]);
      if (row == 1) {
        for (int id : analogValueIds) {
          calls.push_back("setTextColour " + std::to_string(id) + " " + colourText(s.colourOther));
        }
        for (std::size_t r = 0; r < analogValueIds.size(); ++r) {
          calls.push_back("setText " + std::to_string(analogValueIds[r]) + " '" +
                          display.analogValue[r] + "'");
        }
      }
    } else if (e.command == getPort1Command || e.command == getPort2Command) {
      const std::size_t row = e.command == getPort1Command ? 0 : 1;
      display.digitalState[row] = digitalStateFor(e.reply, display.digitalState[row],
                                                  display.openText[row], display.closedText[row]);
      if (row == 1) {
        for (std::size_t r = 0; r < 2; ++r) {
          const bool closed = display.digitalState[r] == display.closedText[r];
          const std::string id = std::to_string(digitalStateIds[r]);
          calls.push_back("setTextColour " + id + " " +
                          colourText(closed ? s.colourClosed : s.colourOther));
          calls.push_back("setText " + id + " '" + display.digitalState[r] + "'");
        }
      }
    }
  }
  return calls;
}

// boardsim's log escapes bytes as \xNN; a reply too long to log whole ends in
// "\...(N bytes)" and is, without junk, padded with 'x' (the oversize filler).
std::string unescapeReply(const std::string& shown) {
  std::string bytes;
  for (std::size_t i = 0; i < shown.size(); ++i) {
    if (shown.compare(i, 5, "\\...(") == 0) {
      const std::size_t total = std::stoul(shown.substr(i + 5));
      bytes.resize(total, 'x');
      break;
    }
    if (shown[i] == '\\' && i + 3 < shown.size() && shown[i + 1] == 'x') {
      bytes += static_cast<char>(std::stoi(shown.substr(i + 2, 2), nullptr, 16));
      i += 3;
    } else {
      bytes += shown[i];
    }
  }
  return bytes;
}

std::string sentStream(const BoardsimProcess& board) {
  std::string bytes;
  for (const SimLogEntry& e : board.readLog()) {
    if (e.text.rfind("#reply ", 0) == 0) {
      bytes += unescapeReply(e.text.substr(7));
    }
  }
  return bytes;
}

std::string printable(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c < 0x20 || c >= 0x7F) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string describe(const std::vector<Exchange>& exchanges) {
  std::string out;
  for (const Exchange& e : exchanges) {
    out += "  " + printable(e.command) + " -> '" + printable(e.reply).substr(0, 60) + "' (" +
           std::to_string((e.readEndUsec - e.readStartUsec) / 1000) + " ms)\n";
  }
  return out;
}

class FaultRows : public ::testing::TestWithParam<Row> {};

TEST_P(FaultRows, ProgramStaysLiveAndEndsWithZero) {
  const Row& row = GetParam();
  const Fault fault = row.fault.fault;
  const ActionRow& action = row.action;
  const int expectedReads = startUpCommands + action.commands;

  std::optional<BoardsimProcess> board;
  int port = unusedLoopbackPort();
  if (fault != Fault::Refused) {
    std::vector<std::string> args = boardsimArgs(fault, action.faultAt);
    args.insert(args.end(), boardInputs.begin(), boardInputs.end());
    port = board.emplace(args).port();
  }

  FaultPlatform p;
  p.pushControl(loginControl::loginButton,
                [](ScriptedPlatform& sp) { sp.userSetText(loginControl::passwordField, "pfau"); });
  scriptAction(action.action, p);
  const auto settings = [port] {
    PanelSettings s = fillSettings();
    s.boardAddress = "127.0.0.1";
    s.boardPort = port;
    s.replyTimeoutMs = replyTimeoutMs;
    s.connectTimeoutMs = connectTimeoutMs;
    return s;
  };

  fault::clearRecordedExchanges();
  int exitCode = -1;
  {
    const int worstMs = connectTimeoutMs + expectedReads * (replyTimeoutMs + readSlackMs) +
                        8 * (pressPausesMs + halfPressMs) + 20'000;
    Watchdog watchdog(rowName(row), std::chrono::milliseconds(worstMs));
    exitCode = runProgram(p, settings);
  }
  const std::vector<Exchange> exchanges = fault::recordedExchanges();
  SCOPED_TRACE("exchanges:\n" + describe(exchanges));

  // It ends, once, with 0.
  EXPECT_EQ(exitCode, 0);
  ASSERT_FALSE(p.calls.empty());
  EXPECT_EQ(p.calls.back(), "shutdown");
  EXPECT_EQ(std::count(p.calls.begin(), p.calls.end(), "shutdown"), 1);

  // Every event is handled in bounded time: its reads at most the reply
  // time-out each, plus its pauses; the start-up adds the connect time-out.
  for (const Exchange& e : exchanges) {
    EXPECT_LE((e.readEndUsec - e.readStartUsec) / 1000, replyTimeoutMs + readSlackMs)
        << "read after " << printable(e.command);
  }
  for (std::size_t i = 0; i < p.passes.size(); ++i) {
    const Pass& pass = p.passes[i];
    ASSERT_GT(pass.endUsec, 0) << "pass " << i << " never ended";
    const auto reads = std::count_if(exchanges.begin(), exchanges.end(), [&](const Exchange& e) {
      return e.readStartUsec >= pass.startUsec && e.readStartUsec <= pass.endUsec;
    });
    const long nominalMs =
        reads * replyTimeoutMs + pausesOf(pass.event) + (i == 0 ? connectTimeoutMs : 0);
    EXPECT_LE((pass.endUsec - pass.startUsec) / 1000, nominalMs + marginMs + nominalMs / 4)
        << "pass " << i << " (event kind " << static_cast<int>(pass.event.kind) << ", control "
        << pass.event.controlId << ", " << reads << " reads)";
  }

  const bool reachedLoop = !p.callsStartingWith("openWindow 590x510").empty();
  if (outcomeOf(fault) != Outcome::Either) {
    EXPECT_EQ(reachedLoop, outcomeOf(fault) == Outcome::MainLoop);
  }
  if (!reachedLoop) {
    EXPECT_EQ(p.callsStartingWith("messageBox"),
              std::vector<std::string>{"messageBox 'AVR-NET-IO: Problem' 'Das AVR-NET-IO-Board "
                                       "kann nicht gefunden werden!'"});
    EXPECT_TRUE(exchanges.empty());
    if (fault == Fault::ConnectHangs) {
      for (const SimLogEntry& e : board->readLog()) {
        EXPECT_NE(e.text, "#connect") << "the connect was meant to hang";
      }
    }
    return;
  }
  EXPECT_TRUE(p.callsStartingWith("messageBox").empty());

  // Every command got exactly one read, whatever the board did; queries stay whole.
  ASSERT_EQ(static_cast<int>(exchanges.size()), expectedReads);
  for (std::size_t i = 0; i < exchanges.size(); ++i) {
    EXPECT_FALSE(exchanges[i].command.empty()) << "read " << i << " without a command";
    if (exchanges[i].command == getAdc1Command) {
      ASSERT_LE(i + 4, exchanges.size());
      EXPECT_EQ(exchanges[i + 1].command, getAdc2Command);
      EXPECT_EQ(exchanges[i + 2].command, getPort1Command);
      EXPECT_EQ(exchanges[i + 3].command, getPort2Command);
    }
  }

  // Buttons: each one a press disabled is enabled again before the loop waits.
  bool disabled[100] = {};
  for (const std::string& call : p.calls) {
    int id = 0;
    int on = 0;
    if (std::sscanf(call.c_str(), "setEnabled %d %d", &id, &on) == 2 && id >= 47 && id <= 62) {
      disabled[id] = on == 0;
    } else if (call.rfind("waitEvent", 0) == 0 || call == "shutdown") {
      for (int b = 47; b <= 62; ++b) {
        EXPECT_FALSE(disabled[b]) << "button " << b << " still disabled at: " << call;
      }
    }
  }
  testing::ScriptedWindow* window = p.topWindow();
  ASSERT_NE(window, nullptr);
  for (const auto& [id, control] : window->controls) {
    if (control.spec.kind == ControlKind::PushButton) {
      EXPECT_TRUE(control.enabled) << "button " << id;
    }
  }
  if (action.action == Action::Press || action.action == Action::Group79 ||
      action.action == Action::Group87) {
    EXPECT_FALSE(p.callsStartingWith(
                      "setEnabled " +
                      std::to_string(action.action == Action::Press ? pressedButton : 47) + " 0")
                     .empty());
  }

  // The displays show what the reply rules give for exactly what arrived.
  std::vector<std::string> displayCalls;
  std::copy_if(p.calls.begin(), p.calls.end(), std::back_inserter(displayCalls), isDisplayCall);
  EXPECT_EQ(displayCalls, expectedDisplayCalls(exchanges));
  EXPECT_EQ(window->controls.at(30).text, "---");
  EXPECT_EQ(window->controls.at(31).text, "---");
  EXPECT_EQ(window->controls.at(38).text, "--.--");
  EXPECT_EQ(window->controls.at(39).text, "--.--");

  // A board that never answers shows as empty replies: 0,00 and GESCHLOSSEN.
  const Exchange& last = exchanges.back();
  const bool neverAnswers = fault == Fault::Silent || fault == Fault::NoAccept ||
                            fault == Fault::CloseAtAccept || fault == Fault::ResetAtAccept;
  const bool silentNow =
      fault == Fault::SilentMid || fault == Fault::CloseMid || fault == Fault::ResetMid;
  if (neverAnswers) {
    for (const Exchange& e : exchanges) {
      EXPECT_EQ(e.reply, "");
    }
    for (int id : {36, 37}) {
      EXPECT_EQ(window->controls.at(id).text, "0,00");
    }
    for (int id : {28, 29}) {
      EXPECT_EQ(window->controls.at(id).text, "GESCHLOSSEN");
      EXPECT_EQ(window->controls.at(id).colour, red);
    }
    // A connection the board has ended answers every read at once, without the
    // time-out (summed over all reads, so one late wake-up does not count).
    if (fault == Fault::CloseAtAccept || fault == Fault::ResetAtAccept) {
      std::int64_t readUsec = 0;
      for (const Exchange& e : exchanges) {
        readUsec += e.readEndUsec - e.readStartUsec;
      }
      EXPECT_LT(readUsec / 1000, static_cast<long>(exchanges.size()) * replyTimeoutMs / 2);
    }
  } else if (silentNow && static_cast<int>(exchanges.size()) > action.faultAt + 1) {
    // A reply that was late at the fault may still come one read later, no more.
    EXPECT_EQ(last.reply, "");
  }

  // The bytes that arrived are the board's replies, in order, none invented.
  if (board && fault != Fault::NoAccept) {
    ASSERT_TRUE(board->waitForLogLines([](const std::vector<SimLogEntry>& log) {
      return std::any_of(log.begin(), log.end(), [](const SimLogEntry& e) {
        return e.text.rfind("#close", 0) == 0 || e.text.rfind("#hangup", 0) == 0;
      });
    })) << board->logText();
    std::string received;
    for (const Exchange& e : exchanges) {
      received += e.reply;
    }
    const std::string sent = sentStream(*board);
    // A reply cut short by the close is logged by nobody, yet may have arrived in part.
    const bool partialPossible = fault == Fault::Split || fault == Fault::Drip ||
                                 fault == Fault::Reply101 || fault == Fault::Reply150 ||
                                 fault == Fault::Reply4096;
    if (!partialPossible) {
      EXPECT_LE(received.size(), sent.size());
    }
    const std::size_t common = std::min(received.size(), sent.size());
    EXPECT_EQ(printable(received.substr(0, common)), printable(sent.substr(0, common)));
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, FaultRows, ::testing::ValuesIn(allRows()),
                         [](const ::testing::TestParamInfo<Row>& info) {
                           return rowName(info.param);
                         });

}  // namespace
}  // namespace tastomat
