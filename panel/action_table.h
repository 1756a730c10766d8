// SPDX-License-Identifier: MIT
// ActionTable: what each control of the main window does, and dispatch.
#pragma once

#include <string_view>

#include "board/board_channel.h"
#include "board/input_query.h"
#include "board/key_press.h"
#include "media/media.h"
#include "platform/platform.h"

namespace tastomat {

// The maker's home page, opened by the "Bastelwerk-Homepage" button. A reserved
// example domain: nobody's real site.
inline constexpr std::string_view homePageUrl = "https://demo-tastomat.example/";

// What an action works with; the durations are those of the main loop's state
// at the time of the event.
struct ActionContext {
  Platform& platform;
  const BoardConnection& connection;
  ReplyArea& pressReplies;
  InputQuery& query;
  const ClickSound& click;
  int halfPressMs;
  int pressDurationMs;
};

// Performs the action of the control and returns when it has ended. A control
// without an action does nothing at all: no click, no command, no query.
void dispatch(int controlId, ActionContext& context);

}  // namespace tastomat
