// SPDX-License-Identifier: MIT
// The main window's controls as data, and buildControls that creates them.
#pragma once

#include <vector>

#include "platform/platform.h"

namespace tastomat {

// The settings the layout reads (filled from PanelSettings).
struct LayoutSettings {
  int pressDurationMin = 250;
  int pressDurationMax = 5000;
  int pressDurationInitial = 1250;
  int pollIntervalMin = 1;
  int pollIntervalMax = 120;
  int pollIntervalInitial = 60;
  int autoPollInitial = 0;
};

// The ControlIds other parts of the program read or write.
namespace controlId {
inline constexpr int queryButton = 89;
inline constexpr int logo = 90;
inline constexpr int pressDurationSlider = 91;
inline constexpr int homePageButton = 92;
inline constexpr int autoQueryCheck = 93;
inline constexpr int pollIntervalSpin = 94;
inline constexpr int pressDurationText = 46;
}  // namespace controlId

// Every control of the main window, in creation order.
std::vector<ControlSpec> mainWindowControls(const LayoutSettings& settings, int logoImageNumber);

// Adds every control to the window in creation order; the slider's position is
// set to pressDurationInitial right after the press-duration texts 44-46.
void buildControls(Platform& platform, WindowId window, const LayoutSettings& settings,
                   int logoImageNumber);

}  // namespace tastomat
