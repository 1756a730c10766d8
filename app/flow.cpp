// SPDX-License-Identifier: MIT
// The program's one thread: start-up, the main loop and the shutdown.
//
// Start-up runs in a fixed order and stops at the first failure with a message
// box: login, built-in settings, logo and click, network, the connection window
// while the board's TCP connection is made, then the main window with its poll
// timer (armed before any control exists), its controls and one silent input
// query. A cancelled or closed login ends without a message.
//
// The main loop handles one event per pass and waits at most a second for it.
// Before each wait it copies the controls into PanelState: the interval spin box
// is enabled only while auto-query is ticked, a changed interval re-arms the
// poll timer (a new full period), and the slider gives the press duration and
// its half. After the wait: a poll tick (while auto-query is ticked) clicks and
// queries, a control event runs the control's action, and a close request ends
// the loop. Every board exchange blocks the loop; events that arrive meanwhile
// wait in the platform's queue and are handled one per pass afterwards.
//
// Every way out shuts the platform down and returns 0. The board connection
// exists only on the orderly way out, which clicks, pauses 100 ms and closes it.
#include "app/flow.h"

#include <cstdint>
#include <optional>
#include <string>

#include "app/login.h"
#include "app/texts.h"
#include "panel/action_table.h"
#include "panel/layout.h"

namespace tastomat {

namespace {

constexpr int passWaitMs = 1000;
constexpr int closingPauseMs = 100;
constexpr int connectionTextId = 7;

int endProgram(Platform& platform) {
  platform.shutdown();
  return 0;
}

std::string connectionText(const PanelSettings& settings) {
  return std::string(texts::connectingIntro) + "\r\r" + texts::connectingAddress +
         settings.boardAddress + "\r\r" + texts::connectingPort +
         std::to_string(settings.boardPort);
}

WindowId openConnectionWindow(Platform& platform, const PanelSettings& settings) {
  const WindowId window =
      platform.openWindow(250, 90, connectionWindowTitle(settings), FrameKind::TitleOnly);
  if (window != noWindow) {
    ControlSpec text;
    text.id = connectionTextId;
    text.kind = ControlKind::StaticText;
    text.x = 10;
    text.y = 10;
    text.w = 230;
    text.h = 70;
    text.align = Align::Left;
    text.text = connectionText(settings);
    platform.addControl(window, text);
  }
  return window;
}

void closeIfOpen(Platform& platform, WindowId window) {
  if (window != noWindow) {
    platform.closeWindow(window);
  }
}

// Probe and connect while the connection window shows. False: the window is
// closed and the user has been told that the board cannot be found.
bool connectToBoard(Platform& platform, Program& program) {
  const PanelSettings& s = program.settings;
  const WindowId window = openConnectionWindow(platform, s);
  const auto port = static_cast<std::uint16_t>(s.boardPort);
  // An address that does not resolve cannot reach a board either: end the same
  // way as for a failed connection instead of running on without one.
  std::optional<BoardConnection> connection;
  if (probeAddress(s.boardAddress, port)) {
    connection = openConnection(s.boardAddress, port, s.connectTimeoutMs, s.replyTimeoutMs);
  }
  closeIfOpen(platform, window);
  if (!connection) {
    platform.messageBox(texts::boardProblemTitle, texts::boardNotFound);
    return false;
  }
  program.state.boardConnection = *connection;
  return true;
}

InputQuery inputQueryOf(Program& program) {
  return InputQuery{&program.state.boardConnection, &program.analogReplies, &program.digitalReplies,
                    &program.display, &program.querySettings};
}

void buildMainWindow(Platform& platform, Program& program) {
  const WindowId window = program.mainWindow;
  platform.setWindowIcon(window, programIcon());
  platform.armTimer(window, pollTimerId, program.settings.pollIntervalInitial * 1000);
  buildControls(platform, window, layoutSettingsFrom(program.settings), logoImageNumber);
  InputQuery query = inputQueryOf(program);
  queryInputs(query, platform);
}

void syncControls(Platform& platform, Program& program) {
  PanelState& state = program.state;
  platform.setEnabled(controlId::pollIntervalSpin, platform.state(controlId::autoQueryCheck) != 0);

  state.pollIntervalS = platform.state(controlId::pollIntervalSpin);
  if (state.pollIntervalS != state.armedIntervalS) {
    platform.removeTimer(program.mainWindow, pollTimerId);
    platform.armTimer(program.mainWindow, pollTimerId, state.pollIntervalS * 1000);
    state.armedIntervalS = state.pollIntervalS;
  }

  state.pressDurationMs = platform.state(controlId::pressDurationSlider);
  state.halfPressMs = state.pressDurationMs / 2;
  platform.setText(controlId::pressDurationText, std::to_string(state.pressDurationMs));
}

void closeProgram(Platform& platform, Program& program) {
  playClick(platform, program.click);
  sleepMs(closingPauseMs);
  closeConnection(program.state.boardConnection);
}

}  // namespace

void prepareProgram(Program& program, const PanelSettings& settings) {
  program.settings = settings;
  program.querySettings = querySettingsFrom(settings);
  program.state = PanelState{};
  program.state.armedIntervalS = settings.pollIntervalInitial;
  program.pressReplies.fill(0);
  program.analogReplies.fill(0);
  program.digitalReplies.fill(0);
  program.display = InputDisplay{};
  program.click.soundReady = 0;
  program.click.clickSoundEnabled = settings.clickSoundEnabled;
}

bool runPass(Platform& platform, Program& program) {
  syncControls(platform, program);

  const Event event = platform.waitEvent(passWaitMs);
  if (event.kind == EventKind::TimerTick) {
    if (platform.state(controlId::autoQueryCheck) != 0 && event.timerId == pollTimerId) {
      playClick(platform, program.click);
      InputQuery query = inputQueryOf(program);
      queryInputs(query, platform);
    }
  } else if (event.kind == EventKind::Control) {
    InputQuery query = inputQueryOf(program);
    ActionContext context{
        platform,      program.state.boardConnection, program.pressReplies,         query,
        program.click, program.state.halfPressMs,     program.state.pressDurationMs};
    dispatch(event.controlId, context);
  }
  platform.setFlickerFree(program.mainWindow);
  return event.kind != EventKind::CloseRequest;
}

int runProgram(Platform& platform) {
  return runProgram(platform, fillSettings);
}

int runProgram(Platform& platform, const std::function<PanelSettings()>& settingsSource) {
  if (!runLogin(platform)) {
    return endProgram(platform);
  }

  Program program;
  prepareProgram(program, settingsSource());

  loadLogo(platform);
  startClickSound(platform, program.click);

  if (!startNetwork()) {
    platform.messageBox(problemTitle(program.settings), texts::networkFailed);
    return endProgram(platform);
  }

  if (!connectToBoard(platform, program)) {
    return endProgram(platform);
  }

  program.mainWindow = platform.openWindow(590, 510, mainWindowTitle(program.settings),
                                           FrameKind::SystemMenuMinimise);
  if (program.mainWindow == noWindow) {
    closeConnection(program.state.boardConnection);
    platform.messageBox(problemTitle(program.settings), texts::mainWindowFailed);
    return endProgram(platform);
  }
  buildMainWindow(platform, program);

  while (runPass(platform, program)) {
  }

  closeProgram(platform, program);
  return endProgram(platform);
}

}  // namespace tastomat
