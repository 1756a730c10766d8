// SPDX-License-Identifier: MIT
// The built-in settings and what the query and the main window get of them.
#include "app/panel_settings.h"

#include <gtest/gtest.h>

#include "build_config.h"

namespace tastomat {
namespace {

TEST(Settings, DerivedValuesAndBuiltInEndpoint) {
  const PanelSettings s = fillSettings();
  EXPECT_EQ(s.pressDurationInitial, 1250);  // a quarter of the maximum
  EXPECT_EQ(s.pressDurationInitial / 2, 625);
  EXPECT_EQ(s.boardAddress, build::boardAddress);
  EXPECT_EQ(s.boardPort, build::boardPort);
  EXPECT_EQ(s.adcFactor[0], 0.0048828);  // as written, not 5/1024
  EXPECT_EQ(connectionWindowTitle(s), "DEMO-Tastomat: Meldung");
  EXPECT_EQ(mainWindowTitle(s), "DEMO-Tastomat V1.4");
  EXPECT_EQ(problemTitle(s), "DEMO-Tastomat: Problem");
  EXPECT_GT(s.replyTimeoutMs, 0);
  EXPECT_GT(s.connectTimeoutMs, 0);
}

TEST(Settings, EveryStartGetsTheSameValuesAndPassesThemOn) {
  PanelSettings changed = fillSettings();
  changed.pollIntervalInitial = 7;
  changed.shownChars[1] = 9;
  changed.colourClosed = blue;
  const PanelSettings a = fillSettings();
  EXPECT_EQ(a.pollIntervalInitial, 60);

  const QuerySettings q = querySettingsFrom(changed);
  EXPECT_EQ(q.shownChars[1], 9);
  EXPECT_EQ(q.colourClosed, blue);
  EXPECT_EQ(q.replyDelayMs, 0);
  const LayoutSettings l = layoutSettingsFrom(changed);
  EXPECT_EQ(l.pollIntervalInitial, 7);
  EXPECT_EQ((std::vector{l.pressDurationMin, l.pressDurationMax, l.pressDurationInitial,
                         l.pollIntervalMin, l.pollIntervalMax, l.autoPollInitial}),
            (std::vector{250, 5000, 1250, 1, 120, 0}));
}

}  // namespace
}  // namespace tastomat
