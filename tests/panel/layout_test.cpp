// SPDX-License-Identifier: MIT
// The main window's controls: every field of every control, their creation
// order, and what buildControls does on a platform.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "panel/layout.h"
#include "tests/scripted/scripted_platform.h"

namespace tastomat {
namespace {

using K = ControlKind;
constexpr Align L = Align::Left;
constexpr Align C = Align::Centre;
constexpr Align R = Align::Right;

struct Expected {
  int id;
  ControlKind kind;
  int x, y, w, h;
  std::string text;
  Align align;
  bool sunken;
  std::string tooltip;
};

// The whole window as a user would list it from a screenshot, in creation order.
std::vector<Expected> expectedWindow() {
  std::vector<Expected> e = {
      {1, K::GroupFrame, 10, 10, 280, 110, "Fernsteuerung 1 mit dem SystemCode XXX00", L, false,
       ""},
      {2, K::GroupFrame, 300, 10, 280, 110, "Fernsteuerung 2 mit dem SystemCode XXX01", L, false,
       ""},
      {3, K::GroupFrame, 10, 130, 280, 110, "Fernsteuerung 3 mit dem SystemCode XXX10", L, false,
       ""},
      {4, K::GroupFrame, 300, 130, 280, 110, "Fernsteuerung 4 mit dem SystemCode XXX11", L, false,
       ""},
      {5, K::GroupFrame, 10, 250, 210, 110, "Analoge Eingänge", L, false, ""},
      {6, K::GroupFrame, 370, 250, 210, 110, "Digitale Eingänge", L, false, ""},
  };
  // Device rows: name, y, name (id, x), EIN (id, x), AUS (id, x).
  struct Device {
    const char* name;
    int y, nameId, nameX, onId, onX, offId, offX;
  };
  const Device devices[16] = {
      {"Device 01", 30, 8, 20, 47, 130, 51, 210},    {"Device 02", 50, 9, 20, 48, 130, 52, 210},
      {"Device 03", 70, 10, 20, 49, 130, 53, 210},   {"Device 04", 90, 11, 20, 50, 130, 54, 210},
      {"Device 05", 30, 12, 310, 55, 420, 59, 500},  {"Device 06", 50, 13, 310, 56, 420, 60, 500},
      {"Device 07", 70, 14, 310, 57, 420, 61, 500},  {"Device 08", 90, 15, 310, 58, 420, 62, 500},
      {"Device 09", 150, 16, 20, 63, 130, 67, 210},  {"Device 10", 170, 17, 20, 64, 130, 68, 210},
      {"Device 11", 190, 18, 20, 65, 130, 69, 210},  {"Device 12", 210, 19, 20, 66, 130, 70, 210},
      {"Device 13", 150, 20, 310, 71, 420, 75, 500}, {"Device 14", 170, 21, 310, 72, 420, 76, 500},
      {"Device 15", 190, 22, 310, 73, 420, 77, 500}, {"Device 16", 210, 23, 310, 74, 420, 78, 500},
  };
  for (int block = 0; block < 4; ++block) {
    for (int i = block * 4; i < block * 4 + 4; ++i) {
      const Device& d = devices[i];
      e.push_back({d.nameId, K::StaticText, d.nameX, d.y, 100, 20, d.name, L, true, ""});
    }
    for (int i = block * 4; i < block * 4 + 4; ++i) {
      const Device& d = devices[i];
      e.push_back({d.onId, K::PushButton, d.onX, d.y, 70, 20, "EIN", C, false,
                   std::string("EIN-Schalter für '") + d.name + "'"});
    }
    for (int i = block * 4; i < block * 4 + 4; ++i) {
      const Device& d = devices[i];
      e.push_back({d.offId, K::PushButton, d.offX, d.y, 70, 20, "AUS", C, false,
                   std::string("AUS-Schalter für '") + d.name + "'"});
    }
  }
  const std::vector<Expected> rest = {
      {79, K::PushButton, 10, 390, 200, 20, "Fernsteuerung 1 'Alle Steckdosen EIN'", C, false,
       "Mit einem Klick alle Steckdosen von Fernsteuerung 1 einschalten"},
      {80, K::PushButton, 10, 410, 200, 20, "Fernsteuerung 2 'Alle Steckdosen EIN'", C, false,
       "Mit einem Klick alle Steckdosen von Fernsteuerung 2 einschalten"},
      {81, K::PushButton, 10, 430, 200, 20, "Fernsteuerung 3 'Alle Steckdosen EIN'", C, false,
       "Mit einem Klick alle Steckdosen von Fernsteuerung 3 einschalten"},
      {82, K::PushButton, 10, 450, 200, 20, "Fernsteuerung 4 'Alle Steckdosen EIN'", C, false,
       "Mit einem Klick alle Steckdosen von Fernsteuerung 4 einschalten"},
      {83, K::PushButton, 380, 390, 200, 20, "Fernsteuerung 1 'Alle Steckdosen AUS'", C, false,
       "Mit einem Klick alle Steckdosen von Fernsteuerung 1 ausschalten"},
      {84, K::PushButton, 380, 410, 200, 20, "Fernsteuerung 2 'Alle Steckdosen AUS'", C, false,
       "Mit einem Klick alle Steckdosen von Fernsteuerung 2 ausschalten"},
      {85, K::PushButton, 380, 430, 200, 20, "Fernsteuerung 3 'Alle Steckdosen AUS'", C, false,
       "Mit einem Klick alle Steckdosen von Fernsteuerung 3 ausschalten"},
      {86, K::PushButton, 380, 450, 200, 20, "Fernsteuerung 4 'Alle Steckdosen AUS'", C, false,
       "Mit einem Klick alle Steckdosen von Fernsteuerung 4 ausschalten"},
      {87, K::PushButton, 10, 480, 200, 20, "Fernsteuerung 1-4 'Alle Steckdosen EIN'", C, false,
       "Mit einem Klick alle Steckdosen aller Fernsteuerungen einschalten"},
      {88, K::PushButton, 380, 480, 200, 20, "Fernsteuerung 1-4 'Alle Steckdosen AUS'", C, false,
       "Mit einem Klick alle Steckdosen aller Fernsteuerungen ausschalten"},
      {91, K::Slider, 40, 365, 510, 20, "", L, false,
       "Schieber für die Dauer des 'Sendetastendrucks' in ms"},
      {44, K::StaticText, 10, 365, 30, 20, "250", C, false, ""},
      {45, K::StaticText, 550, 365, 30, 20, "5000", C, false, ""},
      {46, K::StaticText, 280, 380, 30, 20, "1250", C, false, ""},
      {90, K::Image, 225, 400, 50, 50, "", L, false, ""},
      {92, K::PushButton, 225, 480, 140, 20, "Bastelwerk-Homepage", C, false,
       "Hier gelangen Sie auf meine Webseite. Dort finden Sie noch weitere Elektronikprojekte und "
       "Programme!"},
      {32, K::StaticText, 20, 270, 100, 20, "Analogeingang 01", L, true, ""},
      {36, K::StaticText, 121, 270, 40, 20, "--.--", R, true, ""},
      {40, K::StaticText, 162, 270, 50, 20, "Volt", L, true, ""},
      {33, K::StaticText, 20, 290, 100, 20, "Analogeingang 02", L, true, ""},
      {37, K::StaticText, 121, 290, 40, 20, "--.--", R, true, ""},
      {41, K::StaticText, 162, 290, 50, 20, "Volt", L, true, ""},
      {34, K::StaticText, 20, 310, 100, 20, "Analogeingang 03", L, true, ""},
      {38, K::StaticText, 121, 310, 40, 20, "--.--", R, true, ""},
      {42, K::StaticText, 162, 310, 50, 20, "Volt", L, true, ""},
      {35, K::StaticText, 20, 330, 100, 20, "Analogeingang 04", L, true, ""},
      {39, K::StaticText, 121, 330, 40, 20, "--.--", R, true, ""},
      {43, K::StaticText, 162, 330, 50, 20, "Volt", L, true, ""},
      {24, K::StaticText, 380, 270, 100, 20, "Digitaleingang 01", L, true, ""},
      {28, K::StaticText, 480, 270, 90, 20, "---", C, true, ""},
      {25, K::StaticText, 380, 290, 100, 20, "Digitaleingang 02", L, true, ""},
      {29, K::StaticText, 480, 290, 90, 20, "---", C, true, ""},
      {26, K::StaticText, 380, 310, 100, 20, "Digitaleingang 03", L, true, ""},
      {30, K::StaticText, 480, 310, 90, 20, "---", C, true, ""},
      {27, K::StaticText, 380, 330, 100, 20, "Digitaleingang 04", L, true, ""},
      {31, K::StaticText, 480, 330, 90, 20, "---", C, true, ""},
      {93, K::CheckBox, 230, 310, 130, 20, "Auto-Abfrage Eingänge ", L, false,
       "Automatische und zyklische Abfrage der Eingänge aktivieren"},
      {94, K::SpinBox, 250, 330, 57, 20, "", R, false,
       "Wartezeit in Sekunden zwischen den automatischen und zyklischen Abfragen der Eingänge. "
       "Gültige Eingabewerte = 1...120"},
      {95, K::StaticText, 310, 335, 50, 20, "Sekunden", L, false, ""},
      {96, K::StaticText, 230, 335, 20, 20, "alle", L, false, ""},
      {89, K::PushButton, 230, 270, 130, 20, "EINGANGSABFRAGE", C, false,
       "Analoge und digitale Eingangswerte aktuell abfragen"},
  };
  e.insert(e.end(), rest.begin(), rest.end());
  return e;
}

const ControlSpec* byId(const std::vector<ControlSpec>& controls, int id) {
  for (const ControlSpec& c : controls) {
    if (c.id == id) {
      return &c;
    }
  }
  return nullptr;
}

TEST(MainWindowControls, EveryControlInCreationOrder) {
  const auto controls = mainWindowControls(LayoutSettings{}, 0);
  const auto expected = expectedWindow();
  ASSERT_EQ(controls.size(), expected.size());
  ASSERT_EQ(controls.size(), 95u);  // ids 1-6 and 8-96
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const Expected& e = expected[i];
    const ControlSpec& c = controls[i];
    SCOPED_TRACE("position " + std::to_string(i) + ", expected id " + std::to_string(e.id));
    EXPECT_EQ(c.id, e.id);
    EXPECT_EQ(c.kind, e.kind);
    EXPECT_EQ(c.x, e.x);
    EXPECT_EQ(c.y, e.y);
    EXPECT_EQ(c.w, e.w);
    EXPECT_EQ(c.h, e.h);
    EXPECT_EQ(c.text, e.text);
    EXPECT_EQ(c.align, e.align);
    EXPECT_EQ(c.sunken, e.sunken);
    EXPECT_EQ(c.tooltip, e.tooltip);
    EXPECT_FALSE(c.defaultButton);
  }
}

TEST(MainWindowControls, TooltipsNameTheirOwnDevice) {
  const auto controls = mainWindowControls(LayoutSettings{}, 0);
  const std::vector<std::pair<int, std::string>> cases = {
      {47, "EIN-Schalter für 'Device 01'"}, {55, "EIN-Schalter für 'Device 05'"},
      {59, "AUS-Schalter für 'Device 05'"}, {62, "AUS-Schalter für 'Device 08'"},
      {78, "AUS-Schalter für 'Device 16'"},
  };
  for (const auto& [id, tooltip] : cases) {
    const ControlSpec* c = byId(controls, id);
    ASSERT_NE(c, nullptr) << id;
    EXPECT_EQ(c->tooltip, tooltip) << id;
  }
}

TEST(MainWindowControls, RangesStatesAndLogoFromTheSettings) {
  LayoutSettings s;
  s.pressDurationMin = 100;
  s.pressDurationMax = 9000;
  s.pressDurationInitial = 777;
  s.pollIntervalMin = 5;
  s.pollIntervalMax = 300;
  s.pollIntervalInitial = 42;
  s.autoPollInitial = 1;
  const auto controls = mainWindowControls(s, 7);
  const ControlSpec* slider = byId(controls, 91);
  const ControlSpec* spin = byId(controls, 94);
  const ControlSpec* check = byId(controls, 93);
  const ControlSpec* logo = byId(controls, 90);
  ASSERT_TRUE(slider && spin && check && logo);
  EXPECT_EQ(slider->rangeMin, 100);
  EXPECT_EQ(slider->rangeMax, 9000);
  EXPECT_EQ(byId(controls, 44)->text, "100");
  EXPECT_EQ(byId(controls, 45)->text, "9000");
  EXPECT_EQ(byId(controls, 46)->text, "777");
  EXPECT_EQ(spin->rangeMin, 5);
  EXPECT_EQ(spin->rangeMax, 300);
  EXPECT_EQ(spin->value, 42);
  EXPECT_EQ(check->value, 1);
  EXPECT_EQ(logo->imageNumber, 7);
  const std::string tail = "Gültige Eingabewerte = 5...300";
  ASSERT_GE(spin->tooltip.size(), tail.size());
  EXPECT_EQ(spin->tooltip.substr(spin->tooltip.size() - tail.size()), tail);

  const auto defaults = mainWindowControls(LayoutSettings{}, 0);
  EXPECT_EQ(byId(defaults, 94)->value, 60);
  EXPECT_EQ(byId(defaults, 93)->value, 0);
  EXPECT_EQ(byId(defaults, 91)->rangeMin, 250);
  EXPECT_EQ(byId(defaults, 91)->rangeMax, 5000);
  EXPECT_EQ(byId(defaults, 90)->imageNumber, 0);
}

TEST(BuildControls, AddsInOrderAndSetsTheSliderAfterItsLabels) {
  testing::ScriptedPlatform platform;
  const WindowId window =
      platform.openWindow(590, 510, "DEMO-Tastomat V1.4", FrameKind::SystemMenuMinimise);
  platform.calls.clear();
  buildControls(platform, window, LayoutSettings{}, 0);

  std::vector<std::string> expectedCalls;
  for (const Expected& e : expectedWindow()) {
    expectedCalls.push_back("addControl " + std::to_string(e.id));
    if (e.id == 46) {
      expectedCalls.push_back("setState 91 1250");
    }
  }
  EXPECT_EQ(platform.calls, expectedCalls);
  EXPECT_EQ(platform.state(91), 1250);
  EXPECT_EQ(platform.state(94), 60);
  EXPECT_EQ(platform.state(93), 0);
  EXPECT_EQ(platform.text(46), "1250");
}

TEST(BuildControls, SliderPositionFollowsTheSettings) {
  testing::ScriptedPlatform platform;
  const WindowId window = platform.openWindow(590, 510, "t", FrameKind::SystemMenuMinimise);
  LayoutSettings s;
  s.pressDurationInitial = 3000;
  buildControls(platform, window, s, 0);
  EXPECT_EQ(platform.callsStartingWith("setState"), (std::vector<std::string>{"setState 91 3000"}));
  EXPECT_EQ(platform.state(91), 3000);
}

}  // namespace
}  // namespace tastomat
