// SPDX-License-Identifier: MIT
// PanelSettings: every built-in value of a run, filled once after the login.
#pragma once

#include <array>
#include <string>

#include "board/controls.h"
#include "board/input_query.h"
#include "panel/layout.h"

namespace tastomat {

struct PanelSettings {
  std::string titleWord;
  std::string versionText;
  std::string boardAddress;
  int boardPort = 0;
  int pressDurationMin = 0;
  int pressDurationMax = 0;
  int pressDurationInitial = 0;
  int replyDelayMs = 0;
  int pollIntervalMin = 0;
  int pollIntervalMax = 0;
  int pollIntervalInitial = 0;
  int autoPollInitial = 0;
  int clickSoundEnabled = 0;
  std::array<double, 4> adcFactor{};
  std::array<int, 4> roundingScale{};
  std::array<int, 4> shownChars{};
  Rgb colourClosed;
  Rgb colourOther;
  // A silent board or a dropped packet must not freeze the panel for good.
  int replyTimeoutMs = 0;
  int connectTimeoutMs = 0;
};

// The built-in values; the board's endpoint is the one this build was made for.
PanelSettings fillSettings();

// The parts of the settings that the input query and the main window read.
QuerySettings querySettingsFrom(const PanelSettings& settings);
LayoutSettings layoutSettingsFrom(const PanelSettings& settings);

// Titles built from titleWord and versionText.
std::string connectionWindowTitle(const PanelSettings& settings);
std::string mainWindowTitle(const PanelSettings& settings);
std::string problemTitle(const PanelSettings& settings);

}  // namespace tastomat
