// SPDX-License-Identifier: MIT
// The program: start-up, main loop and shutdown over a Platform.
#pragma once

#include <functional>

#include "app/panel_settings.h"
#include "app/panel_state.h"
#include "board/board_channel.h"
#include "board/input_query.h"
#include "media/media.h"
#include "platform/platform.h"

namespace tastomat {

// Everything the main loop works on, owned by the flow from start-up to the end.
struct Program {
  PanelSettings settings;
  QuerySettings querySettings;
  PanelState state;
  ReplyArea pressReplies{};
  ReplyArea analogReplies{};
  ReplyArea digitalReplies{};
  InputDisplay display;
  ClickSound click;
  WindowId mainWindow = noWindow;
};

// Fills the settings and the values filled in the same start-up step.
void prepareProgram(Program& program, const PanelSettings& settings);

// One pass of the main loop: sync the controls into the state, wait for one
// event and act on it. False once the event was a close request.
bool runPass(Platform& platform, Program& program);

// The whole program. Always returns exit code 0; platform.shutdown() has run.
int runProgram(Platform& platform);
// As above with other built-in values (tests point it at a board on loopback).
int runProgram(Platform& platform, const std::function<PanelSettings()>& settingsSource);

}  // namespace tastomat
