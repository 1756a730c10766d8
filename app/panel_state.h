// SPDX-License-Identifier: MIT
// PanelState: what the main loop derives from the main window's controls.
#pragma once

#include "board/board_channel.h"

namespace tastomat {

inline constexpr int pollTimerId = 1;

struct PanelState {
  BoardConnection boardConnection;  // socket < 0 until the connection step
  int pollIntervalS = 0;
  int armedIntervalS = 0;
  int pressDurationMs = 0;
  int halfPressMs = 0;
};

}  // namespace tastomat
