// SPDX-License-Identifier: MIT
// The built-in values of the panel and what is derived from them.
#include "app/panel_settings.h"

#include "build_config.h"

namespace tastomat {

PanelSettings fillSettings() {
  PanelSettings s;
  s.titleWord = "DEMO-Tastomat";
  s.versionText = "V1.4";
  s.boardAddress = build::boardAddress;
  s.boardPort = build::boardPort;
  s.pressDurationMin = 250;
  s.pressDurationMax = 5000;
  // A quarter of the maximum, not the middle of the range.
  s.pressDurationInitial = s.pressDurationMax / 4;
  s.replyDelayMs = 0;
  s.pollIntervalMin = 1;
  s.pollIntervalMax = 120;
  s.pollIntervalInitial = 60;
  s.autoPollInitial = 0;
  s.clickSoundEnabled = 1;
  // 0.0048828 as the board's makers give it, not 5/1024.
  s.adcFactor = {0.0048828, 0.0048828, 0.0048828, 0.0048828};
  s.roundingScale = {1000, 1000, 1000, 1000};
  s.shownChars = {4, 4, 4, 4};
  s.colourClosed = red;
  s.colourOther = blue;
  s.replyTimeoutMs = 3000;
  s.connectTimeoutMs = 5000;
  return s;
}

QuerySettings querySettingsFrom(const PanelSettings& settings) {
  QuerySettings q;
  q.adcFactor = settings.adcFactor;
  q.roundingScale = settings.roundingScale;
  q.shownChars = settings.shownChars;
  q.replyDelayMs = settings.replyDelayMs;
  q.colourClosed = settings.colourClosed;
  q.colourOther = settings.colourOther;
  return q;
}

LayoutSettings layoutSettingsFrom(const PanelSettings& settings) {
  LayoutSettings l;
  l.pressDurationMin = settings.pressDurationMin;
  l.pressDurationMax = settings.pressDurationMax;
  l.pressDurationInitial = settings.pressDurationInitial;
  l.pollIntervalMin = settings.pollIntervalMin;
  l.pollIntervalMax = settings.pollIntervalMax;
  l.pollIntervalInitial = settings.pollIntervalInitial;
  l.autoPollInitial = settings.autoPollInitial;
  return l;
}

std::string connectionWindowTitle(const PanelSettings& settings) {
  return settings.titleWord + ": Meldung";
}

std::string mainWindowTitle(const PanelSettings& settings) {
  return settings.titleWord + " " + settings.versionText;
}

std::string problemTitle(const PanelSettings& settings) {
  return settings.titleWord + ": Problem";
}

}  // namespace tastomat
