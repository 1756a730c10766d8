// SPDX-License-Identifier: MIT
// The program's flow over the scripted platform, against a board on loopback.
#include "app/flow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "app/login.h"
#include "panel/layout.h"

#include "tests/scripted/scripted_platform.h"
#include "tests/support/boardsim_process.h"
#include "tests/support/loopback_port.h"

namespace tastomat {
namespace {

using testing::ScriptedPlatform;
using testing::unusedLoopbackPort;

const std::string loginWindow = "openWindow 250x70 'AVR-NET-IO: Passwortabfrage' SystemMenu";
const std::string connectionWindow = "openWindow 250x90 'DEMO-Tastomat: Meldung' TitleOnly";
const std::string connectionClosed = "closeWindow 'DEMO-Tastomat: Meldung'";
const std::string mainWindow = "openWindow 590x510 'DEMO-Tastomat V1.4' SystemMenuMinimise";
const std::vector<std::string> queryCommands{"GETADC 1", "GETADC 2", "GETPORT 1", "GETPORT 2"};

// A scripted platform that can refuse the main window and notes when it clicks.
class FlowPlatform : public ScriptedPlatform {
 public:
  bool mainWindowFails = false;
  std::optional<std::int64_t> lastClickUsec;

  WindowId openWindow(int w, int h, const std::string& title, FrameKind frame) override {
    const bool keep = windowsOpen;
    windowsOpen = !(mainWindowFails && w == 590);
    const WindowId id = ScriptedPlatform::openWindow(w, h, title, frame);
    windowsOpen = keep;
    return id;
  }
  void playSound(int number) override {
    lastClickUsec = monotonicUsecNow();
    ScriptedPlatform::playSound(number);
  }
};

void login(ScriptedPlatform& p, const char* password = "pfau") {
  p.pushControl(loginControl::loginButton, [password](ScriptedPlatform& sp) {
    sp.userSetText(loginControl::passwordField, password);
  });
}

std::vector<std::string> commandTexts(const BoardsimProcess& board) {
  std::vector<std::string> texts;
  for (const auto& e : board.commands()) {
    texts.push_back(e.text);
  }
  return texts;
}

std::function<PanelSettings()> boardAt(std::string address, int port) {
  return [address, port] {
    PanelSettings s = fillSettings();
    s.boardAddress = address;
    s.boardPort = port;
    return s;
  };
}

std::ptrdiff_t indexOf(const std::vector<std::string>& calls, const std::string& prefix,
                       std::ptrdiff_t from = 0) {
  for (auto i = static_cast<std::size_t>(from); i < calls.size(); ++i) {
    if (calls[i].rfind(prefix, 0) == 0) {
      return static_cast<std::ptrdiff_t>(i);
    }
  }
  return -1;
}

// Each prefix matches a call after the one matched before it.
void expectInOrder(const std::vector<std::string>& calls,
                   const std::vector<std::string>& prefixes) {
  std::ptrdiff_t at = 0;
  for (const auto& prefix : prefixes) {
    const auto found = indexOf(calls, prefix, at);
    ASSERT_GE(found, 0) << "missing in order: " << prefix;
    at = found + 1;
  }
}

std::vector<std::string> callsAfter(const std::vector<std::string>& calls,
                                    const std::string& prefix) {
  const auto i = indexOf(calls, prefix);
  return i < 0 ? std::vector<std::string>{}
               : std::vector<std::string>(calls.begin() + i + 1, calls.end());
}

// Index of the n-th (1-based) call that starts with prefix, or -1.
std::ptrdiff_t nthIndexOf(const std::vector<std::string>& calls, const std::string& prefix, int n) {
  std::ptrdiff_t at = -1;
  for (int i = 0; i < n; ++i) {
    at = indexOf(calls, prefix, at + 1);
    if (at < 0) {
      break;
    }
  }
  return at;
}

long countOf(const std::vector<std::string>& calls, const std::string& prefix) {
  return std::count_if(calls.begin(), calls.end(),
                       [&](const std::string& c) { return c.rfind(prefix, 0) == 0; });
}

TEST(Flow, StartUpOrderFirstQueryAndOrderlyEnd) {
  BoardsimProcess board;
  FlowPlatform p;
  login(p);  // then the script is empty: the first pass gets a close request

  EXPECT_EQ(runProgram(p, boardAt("127.0.0.1", board.port())), 0);

  expectInOrder(p.calls, {loginWindow, "closeWindow 'AVR-NET-IO: Passwortabfrage'", "loadImage 0",
                          "startSound", "loadSound 0", connectionWindow, "addControl 7",
                          connectionClosed, mainWindow, "setWindowIcon", "armTimer 1 60000",
                          "addControl", "waitEvent 1000", "playSound 0", "shutdown"});
  // The poll timer exists before any control of the main window.
  const auto main = indexOf(p.calls, mainWindow);
  EXPECT_LT(indexOf(p.calls, "armTimer 1 60000", main), indexOf(p.calls, "addControl", main));
  // The first query is silent; the only click is the closing one.
  EXPECT_EQ(countOf(p.calls, "playSound"), 1);
  EXPECT_LT(indexOf(p.calls, "waitEvent 1000"), indexOf(p.calls, "playSound"));
  EXPECT_EQ(p.calls.back(), "shutdown");

  const testing::ScriptedControl& text = p.window(2)->controls.at(7);
  EXPECT_EQ(text.spec.text,
            "Verbindungsaufbau zum AVR-NET-IO-Board...\r\rIP/DNS: 127.0.0.1\r\rPort: " +
                std::to_string(board.port()));
  EXPECT_EQ(text.spec.kind, ControlKind::StaticText);
  EXPECT_EQ(text.spec.align, Align::Left);
  EXPECT_FALSE(text.spec.sunken);
  EXPECT_EQ((std::vector{text.spec.x, text.spec.y, text.spec.w, text.spec.h}),
            (std::vector{10, 10, 230, 70}));

  EXPECT_TRUE(board.waitForEntry("#close"));
  EXPECT_EQ(commandTexts(board), queryCommands);  // one query, no setport
}

TEST(Flow, ClosingClicksPausesThenClosesTheConnection) {
  BoardsimProcess board;
  FlowPlatform p;
  login(p);
  p.pushNone();
  p.pushClose();

  EXPECT_EQ(runProgram(p, boardAt("127.0.0.1", board.port())), 0);
  ASSERT_TRUE(board.waitForEntry("#close"));
  ASSERT_TRUE(p.lastClickUsec.has_value());
  // The click comes first, then at least the 100 ms pause, then the close.
  std::int64_t closedUsec = 0;
  for (const auto& e : board.readLog()) {
    if (e.text == "#close") {
      closedUsec = e.usec;
    }
  }
  EXPECT_GE(closedUsec - *p.lastClickUsec, 95'000);
  // After the last wait: the pass's repaint switch, the click, the shutdown.
  const auto lastWait = std::find(p.calls.rbegin(), p.calls.rend(), "waitEvent 1000").base();
  EXPECT_EQ(std::vector<std::string>(lastWait, p.calls.end()),
            (std::vector<std::string>{"setFlickerFree", "playSound 0", "shutdown"}));
  EXPECT_EQ(p.waits, 3);  // login, the empty pass, the close
}

struct WayOut {
  const char* name;
  const char* password;
  bool boardListens;
  const char* address;  // nullptr: 127.0.0.1
  bool mainWindowFails;
  const char* message;  // nullptr: none
};

TEST(Flow, EveryWayOutEndsWithItsMessageAndZero) {
  const std::string longLabel(70, 'a');  // too long for DNS: fails without a query
  const std::string unresolvable = longLabel + ".invalid";
  const char* notFound =
      "messageBox 'AVR-NET-IO: Problem' 'Das AVR-NET-IO-Board kann nicht gefunden werden!'";
  const WayOut cases[] = {
      {"Abbrechen", nullptr, false, nullptr, false, nullptr},
      {"close on login", "", false, nullptr, false, nullptr},
      {"wrong password", "PFAU", false, nullptr, false,
       "messageBox 'AVR-NET-IO: Problem' 'Es wurde ein falsches Passwort eingegeben!   \r\r Ein "
       "Neustart des Programms ist erforderlich!'"},
      {"nothing listens", "pfau", false, nullptr, false, notFound},
      {"address does not resolve", "pfau", false, unresolvable.c_str(), false, notFound},
      {"main window cannot be created", "pfau", true, nullptr, true,
       "messageBox 'DEMO-Tastomat: Problem' 'Das Programmfenster kann nicht geöffnet werden!'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::optional<BoardsimProcess> board;
    int port = unusedLoopbackPort();
    if (c.boardListens) {
      port = board.emplace().port();
    }
    FlowPlatform p;
    p.mainWindowFails = c.mainWindowFails;
    if (c.password == nullptr) {
      p.pushControl(loginControl::cancelButton);
    } else if (*c.password == '\0') {
      p.pushClose();
    } else {
      login(p, c.password);
    }
    bool connectionWindowOpenAtMessage = false;
    p.onMessageBox = [&](ScriptedPlatform& sp, const std::string&, const std::string&) {
      connectionWindowOpenAtMessage =
          sp.topWindow() != nullptr && sp.topWindow()->title == "DEMO-Tastomat: Meldung";
    };

    EXPECT_EQ(runProgram(p, boardAt(c.address ? c.address : "127.0.0.1", port)), 0);

    EXPECT_EQ(p.calls.back(), "shutdown");
    EXPECT_EQ(countOf(p.calls, "shutdown"), 1);
    const auto messages = p.callsStartingWith("messageBox");
    if (c.message == nullptr) {
      EXPECT_TRUE(messages.empty());
    } else {
      EXPECT_EQ(messages, std::vector<std::string>{c.message});
    }
    EXPECT_FALSE(connectionWindowOpenAtMessage);
    // No settings, logo or sound after a failed login; no loop after any failure.
    const bool loggedIn = c.password != nullptr && std::string(c.password) == "pfau";
    EXPECT_EQ(indexOf(p.calls, "loadImage") >= 0, loggedIn);
    if (loggedIn) {
      expectInOrder(p.calls, {connectionWindow, connectionClosed, "messageBox"});
    }
    EXPECT_EQ(indexOf(p.calls, "waitEvent 1000"), -1);
    if (board) {
      EXPECT_TRUE(board->waitForEntry("#close"));
      EXPECT_TRUE(commandTexts(*board).empty());
    }
  }
}

// Applies a user action just before the event of the pass it belongs to.
using Action = std::function<void(ScriptedPlatform&)>;
Action setState(int id, int value) {
  return [id, value](ScriptedPlatform& sp) { sp.userSetState(id, value); };
}

TEST(Flow, SpinBoxFollowsTheCheckBoxAndRearmsTheTimerOnce) {
  BoardsimProcess board;
  FlowPlatform p;
  login(p);
  p.pushNone();                                               // pass 1: spin box disabled
  p.push(Event{EventKind::Other}, setState(94, 5));           // pass 2: user sets 5
  p.push(Event{EventKind::None});                             // pass 3: re-armed with 5 s
  p.pushControl(controlId::autoQueryCheck, setState(93, 1));  // a click: no query
  p.pushNone();                                               // pass 5: spin box enabled
  p.pushClose();

  EXPECT_EQ(runProgram(p, boardAt("127.0.0.1", board.port())), 0);
  const auto loop = callsAfter(p.calls, mainWindow);
  EXPECT_EQ(countOf(loop, "removeTimer 1"), 1);
  EXPECT_EQ(countOf(loop, "armTimer"), 2);
  expectInOrder(loop, {"armTimer 1 60000", "removeTimer 1", "armTimer 1 5000"});
  // Re-armed in the pass after the wait in which the user set 5.
  const auto rearm = indexOf(loop, "removeTimer 1");
  EXPECT_GT(rearm, nthIndexOf(loop, "waitEvent", 2));
  EXPECT_LT(rearm, nthIndexOf(loop, "waitEvent", 3));

  // setEnabled 94 before each wait: disabled until the box was ticked.
  std::vector<std::string> spinStates;
  for (const auto& c : loop) {
    if (c.rfind("setEnabled 94", 0) == 0) {
      spinStates.push_back(c.substr(14));
    }
  }
  EXPECT_EQ(spinStates, (std::vector<std::string>{"0", "0", "0", "0", "1", "1"}));
  EXPECT_EQ(countOf(loop, "setFlickerFree"), 6);  // every pass, event or not
  ASSERT_TRUE(board.waitForEntry("#close"));
  EXPECT_EQ(commandTexts(board), queryCommands);  // the check-box click queried nothing
}

TEST(Flow, TicksQueryOnlyWhileAutoQueryIsTicked) {
  BoardsimProcess board;
  FlowPlatform p;
  login(p);
  p.pushTick(pollTimerId);                                               // box clear: ignored
  p.push(Event{EventKind::TimerTick, 0, 2}, setState(93, 1));            // other timer: ignored
  p.pushTick(pollTimerId);                                               // click + query
  p.push(Event{EventKind::TimerTick, 0, pollTimerId}, setState(93, 0));  // cleared again
  p.pushClose();

  EXPECT_EQ(runProgram(p, boardAt("127.0.0.1", board.port())), 0);
  ASSERT_TRUE(board.waitForEntry("#close"));
  std::vector<std::string> twice = queryCommands;
  twice.insert(twice.end(), queryCommands.begin(), queryCommands.end());
  EXPECT_EQ(commandTexts(board), twice);
  // One click for the tick, one for closing; the tick's click precedes its query.
  const auto loop = callsAfter(p.calls, mainWindow);
  EXPECT_EQ(countOf(loop, "playSound 0"), 2);
  const auto click = indexOf(loop, "playSound 0");
  const auto queryShown = indexOf(loop, "setTextColour", click);
  EXPECT_GE(queryShown, 0);
  EXPECT_LT(queryShown, indexOf(loop, "waitEvent", click));
}

// The whole road of one click at the start-up press duration: "EIN" of Device 06
// (remote control 2, channel 2). The board's own timestamps show the wire order
// and the pauses; the bounds are generous, the exact figures are the bench's.
TEST(Flow, OneClickOnDevice06EinAtTheInitialPressDuration) {
  BoardsimProcess board;
  FlowPlatform p;
  login(p);
  p.pushControl(56);
  p.pushClose();

  EXPECT_EQ(runProgram(p, boardAt("127.0.0.1", board.port())), 0);
  ASSERT_TRUE(board.waitForEntry("#close"));

  std::vector<std::string> expected = queryCommands;  // the silent first query
  for (const char* arg : {"7.1", "8.0", "1.1", "4.1", "4.0", "1.0", "7.0", "8.0"}) {
    expected.push_back(std::string("setport ") + arg);
  }
  expected.insert(expected.end(), queryCommands.begin(), queryCommands.end());
  ASSERT_EQ(commandTexts(board), expected);

  const auto commands = board.commands();
  const int pauseMs[] = {625, 625, 625, 1250, 625, 625, 625};
  for (std::size_t step = 0; step < 7; ++step) {
    SCOPED_TRACE(step + 1);
    const std::int64_t gapUs = commands[4 + step + 1].usec - commands[4 + step].usec;
    EXPECT_GE(gapUs, pauseMs[step] * 1000 - 1000);
    EXPECT_LT(gapUs, pauseMs[step] * 1000 + 250'000);
  }
  EXPECT_TRUE(board.waitForEntry("#device Device 06: EIN"));

  // Click, button 56 greyed for exactly its press, then the query's display.
  const auto loop = callsAfter(p.calls, "waitEvent 1000");
  expectInOrder(loop, {"playSound 0", "setEnabled 56 0", "setEnabled 56 1", "setTextColour 36",
                       "setText 36", "setText 29", "setFlickerFree"});
  EXPECT_EQ(countOf(loop, "setEnabled 56"), 2);
}

TEST(Flow, SliderPositionReachesLabelAndState) {
  struct Case {
    int slider;
    int half;
  };
  const Case cases[] = {{1250, 625}, {251, 125}, {250, 125}, {5000, 2500}};

  ScriptedPlatform p;
  Program program;
  prepareProgram(program, fillSettings());
  program.mainWindow = p.openWindow(590, 510, "main", FrameKind::SystemMenuMinimise);
  buildControls(p, program.mainWindow, layoutSettingsFrom(program.settings), 0);
  EXPECT_EQ(program.state.armedIntervalS, 60);

  for (const auto& c : cases) {
    SCOPED_TRACE(c.slider);
    p.userSetState(controlId::pressDurationSlider, c.slider);
    p.calls.clear();
    p.pushNone();
    EXPECT_TRUE(runPass(p, program));
    EXPECT_EQ(program.state.pressDurationMs, c.slider);
    EXPECT_EQ(program.state.halfPressMs, c.half);
    const auto label = indexOf(p.calls, "setText 46 '" + std::to_string(c.slider) + "'");
    EXPECT_GE(label, 0);
    EXPECT_LT(label, indexOf(p.calls, "waitEvent"));
  }
  p.pushClose();
  EXPECT_FALSE(runPass(p, program));
}

}  // namespace
}  // namespace tastomat
