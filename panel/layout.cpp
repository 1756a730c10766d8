// SPDX-License-Identifier: MIT
// The main window's controls, generated from small tables in creation order.
#include "panel/layout.h"

#include <array>
#include <string>

namespace tastomat {
namespace {

struct FrameRow {
  int id;
  int x, y, w, h;
  const char* caption;
};

constexpr std::array<FrameRow, 6> frames{{
    {1, 10, 10, 280, 110, "Fernsteuerung 1 mit dem SystemCode XXX00"},
    {2, 300, 10, 280, 110, "Fernsteuerung 2 mit dem SystemCode XXX01"},
    {3, 10, 130, 280, 110, "Fernsteuerung 3 mit dem SystemCode XXX10"},
    {4, 300, 130, 280, 110, "Fernsteuerung 4 mit dem SystemCode XXX11"},
    {5, 10, 250, 210, 110, "Analoge Eingänge"},
    {6, 370, 250, 210, 110, "Digitale Eingänge"},
}};

// One block of four devices per remote control, inside its frame. Within a
// block the ids count up by channel.
struct RemoteBlock {
  int frameIndex;  // into frames
  int firstDevice;
  int firstNameId;
  int firstOnId;
  int firstOffId;
};

constexpr std::array<RemoteBlock, 4> remoteBlocks{{
    {0, 1, 8, 47, 51},
    {1, 5, 12, 55, 59},
    {2, 9, 16, 63, 67},
    {3, 13, 20, 71, 75},
}};

constexpr int channelsPerRemote = 4;
// Offsets of a device row within its frame.
constexpr int rowTop = 20;
constexpr int rowStep = 20;
constexpr int rowHeight = 20;
constexpr int nameLeft = 10;
constexpr int nameWidth = 100;
constexpr int onLeft = 120;
constexpr int offLeft = 200;
constexpr int keyButtonWidth = 70;

struct GroupRow {
  int id;
  int x, y;
  const char* caption;
  const char* tooltip;
};

constexpr std::array<GroupRow, 10> groupButtons{{
    {79, 10, 390, "Fernsteuerung 1 'Alle Steckdosen EIN'",
     "Mit einem Klick alle Steckdosen von Fernsteuerung 1 einschalten"},
    {80, 10, 410, "Fernsteuerung 2 'Alle Steckdosen EIN'",
     "Mit einem Klick alle Steckdosen von Fernsteuerung 2 einschalten"},
    {81, 10, 430, "Fernsteuerung 3 'Alle Steckdosen EIN'",
     "Mit einem Klick alle Steckdosen von Fernsteuerung 3 einschalten"},
    {82, 10, 450, "Fernsteuerung 4 'Alle Steckdosen EIN'",
     "Mit einem Klick alle Steckdosen von Fernsteuerung 4 einschalten"},
    {83, 380, 390, "Fernsteuerung 1 'Alle Steckdosen AUS'",
     "Mit einem Klick alle Steckdosen von Fernsteuerung 1 ausschalten"},
    {84, 380, 410, "Fernsteuerung 2 'Alle Steckdosen AUS'",
     "Mit einem Klick alle Steckdosen von Fernsteuerung 2 ausschalten"},
    {85, 380, 430, "Fernsteuerung 3 'Alle Steckdosen AUS'",
     "Mit einem Klick alle Steckdosen von Fernsteuerung 3 ausschalten"},
    {86, 380, 450, "Fernsteuerung 4 'Alle Steckdosen AUS'",
     "Mit einem Klick alle Steckdosen von Fernsteuerung 4 ausschalten"},
    {87, 10, 480, "Fernsteuerung 1-4 'Alle Steckdosen EIN'",
     "Mit einem Klick alle Steckdosen aller Fernsteuerungen einschalten"},
    {88, 380, 480, "Fernsteuerung 1-4 'Alle Steckdosen AUS'",
     "Mit einem Klick alle Steckdosen aller Fernsteuerungen ausschalten"},
}};
constexpr int groupButtonWidth = 200;
constexpr int groupButtonHeight = 20;

// One column of the input rows: row k (1..4) gets id firstId + k - 1 and
// y = inputRowsTop + 20 k. A numbered text gets " 0k" appended.
struct InputColumn {
  int firstId;
  int x, w;
  Align align;
  const char* text;
  bool numbered;
};

constexpr std::array<InputColumn, 3> analogColumns{{
    {32, 20, 100, Align::Left, "Analogeingang", true},
    {36, 121, 40, Align::Right, "--.--", false},
    {40, 162, 50, Align::Left, "Volt", false},
}};
constexpr std::array<InputColumn, 2> digitalColumns{{
    {24, 380, 100, Align::Left, "Digitaleingang", true},
    {28, 480, 90, Align::Centre, "---", false},
}};
constexpr int inputRows = 4;
constexpr int inputRowsTop = 250;
constexpr int inputRowStep = 20;
constexpr int inputRowHeight = 20;

std::string twoDigits(int n) {
  return (n < 10 ? "0" : "") + std::to_string(n);
}

std::string deviceName(int device) {
  return "Device " + twoDigits(device);
}

ControlSpec staticText(int id, int x, int y, int w, int h, std::string text, Align align,
                       bool sunken) {
  ControlSpec s;
  s.id = id;
  s.kind = ControlKind::StaticText;
  s.x = x;
  s.y = y;
  s.w = w;
  s.h = h;
  s.text = std::move(text);
  s.align = align;
  s.sunken = sunken;
  return s;
}

ControlSpec pushButton(int id, int x, int y, int w, int h, std::string caption,
                       std::string tooltip) {
  ControlSpec s;
  s.id = id;
  s.kind = ControlKind::PushButton;
  s.x = x;
  s.y = y;
  s.w = w;
  s.h = h;
  s.text = std::move(caption);
  s.align = Align::Centre;
  s.tooltip = std::move(tooltip);
  return s;
}

void addFrames(std::vector<ControlSpec>& out) {
  for (const FrameRow& f : frames) {
    ControlSpec s;
    s.id = f.id;
    s.kind = ControlKind::GroupFrame;
    s.x = f.x;
    s.y = f.y;
    s.w = f.w;
    s.h = f.h;
    s.text = f.caption;
    out.push_back(s);
  }
}

void addDeviceBlocks(std::vector<ControlSpec>& out) {
  for (const RemoteBlock& block : remoteBlocks) {
    const FrameRow& frame = frames[static_cast<std::size_t>(block.frameIndex)];
    auto rowY = [&](int channel) { return frame.y + rowTop + rowStep * channel; };
    for (int channel = 0; channel < channelsPerRemote; ++channel) {
      out.push_back(staticText(block.firstNameId + channel, frame.x + nameLeft, rowY(channel),
                               nameWidth, rowHeight, deviceName(block.firstDevice + channel),
                               Align::Left, true));
    }
    for (int channel = 0; channel < channelsPerRemote; ++channel) {
      out.push_back(pushButton(
          block.firstOnId + channel, frame.x + onLeft, rowY(channel), keyButtonWidth, rowHeight,
          "EIN", "EIN-Schalter für '" + deviceName(block.firstDevice + channel) + "'"));
    }
    for (int channel = 0; channel < channelsPerRemote; ++channel) {
      out.push_back(pushButton(
          block.firstOffId + channel, frame.x + offLeft, rowY(channel), keyButtonWidth, rowHeight,
          "AUS", "AUS-Schalter für '" + deviceName(block.firstDevice + channel) + "'"));
    }
  }
}

void addGroupButtons(std::vector<ControlSpec>& out) {
  for (const GroupRow& g : groupButtons) {
    out.push_back(
        pushButton(g.id, g.x, g.y, groupButtonWidth, groupButtonHeight, g.caption, g.tooltip));
  }
}

void addPressDuration(std::vector<ControlSpec>& out, const LayoutSettings& settings) {
  ControlSpec slider;
  slider.id = controlId::pressDurationSlider;
  slider.kind = ControlKind::Slider;
  slider.x = 40;
  slider.y = 365;
  slider.w = 510;
  slider.h = 20;
  slider.rangeMin = settings.pressDurationMin;
  slider.rangeMax = settings.pressDurationMax;
  slider.value = settings.pressDurationMin;  // a new slider stands at its start
  slider.tooltip = "Schieber für die Dauer des 'Sendetastendrucks' in ms";
  out.push_back(slider);
  out.push_back(staticText(44, 10, 365, 30, 20, std::to_string(settings.pressDurationMin),
                           Align::Centre, false));
  out.push_back(staticText(45, 550, 365, 30, 20, std::to_string(settings.pressDurationMax),
                           Align::Centre, false));
  out.push_back(staticText(controlId::pressDurationText, 280, 380, 30, 20,
                           std::to_string(settings.pressDurationInitial), Align::Centre, false));
}

void addLogoAndHomePage(std::vector<ControlSpec>& out, int logoImageNumber) {
  ControlSpec logo;
  logo.id = controlId::logo;
  logo.kind = ControlKind::Image;
  logo.x = 225;
  logo.y = 400;
  logo.w = 50;  // the picture's own size (140 x 59) replaces this once it is set
  logo.h = 50;
  logo.imageNumber = logoImageNumber;
  out.push_back(logo);
  out.push_back(pushButton(controlId::homePageButton, 225, 480, 140, 20, "Bastelwerk-Homepage",
                           "Hier gelangen Sie auf meine Webseite. Dort finden Sie noch weitere "
                           "Elektronikprojekte und Programme!"));
}

template <std::size_t N>
void addInputRows(std::vector<ControlSpec>& out, const std::array<InputColumn, N>& columns) {
  for (int k = 1; k <= inputRows; ++k) {
    for (const InputColumn& c : columns) {
      out.push_back(staticText(
          c.firstId + k - 1, c.x, inputRowsTop + inputRowStep * k, c.w, inputRowHeight,
          c.numbered ? std::string(c.text) + " " + twoDigits(k) : c.text, c.align, true));
    }
  }
}

void addQueryControls(std::vector<ControlSpec>& out, const LayoutSettings& settings) {
  ControlSpec check;
  check.id = controlId::autoQueryCheck;
  check.kind = ControlKind::CheckBox;
  check.x = 230;
  check.y = 310;
  check.w = 130;
  check.h = 20;
  check.text = "Auto-Abfrage Eingänge ";
  check.value = settings.autoPollInitial;
  check.tooltip = "Automatische und zyklische Abfrage der Eingänge aktivieren";
  out.push_back(check);

  ControlSpec spin;
  spin.id = controlId::pollIntervalSpin;
  spin.kind = ControlKind::SpinBox;
  spin.x = 250;
  spin.y = 330;
  spin.w = 57;
  spin.h = 20;
  spin.align = Align::Right;
  spin.rangeMin = settings.pollIntervalMin;
  spin.rangeMax = settings.pollIntervalMax;
  spin.value = settings.pollIntervalInitial;
  spin.tooltip =
      "Wartezeit in Sekunden zwischen den automatischen und zyklischen Abfragen der Eingänge. "
      "Gültige Eingabewerte = " +
      std::to_string(settings.pollIntervalMin) + "..." + std::to_string(settings.pollIntervalMax);
  out.push_back(spin);

  out.push_back(staticText(95, 310, 335, 50, 20, "Sekunden", Align::Left, false));
  out.push_back(staticText(96, 230, 335, 20, 20, "alle", Align::Left, false));
  out.push_back(pushButton(controlId::queryButton, 230, 270, 130, 20, "EINGANGSABFRAGE",
                           "Analoge und digitale Eingangswerte aktuell abfragen"));
}

}  // namespace

std::vector<ControlSpec> mainWindowControls(const LayoutSettings& settings, int logoImageNumber) {
  std::vector<ControlSpec> out;
  addFrames(out);
  addDeviceBlocks(out);
  addGroupButtons(out);
  addPressDuration(out, settings);
  addLogoAndHomePage(out, logoImageNumber);
  addInputRows(out, analogColumns);
  addInputRows(out, digitalColumns);
  addQueryControls(out, settings);
  return out;
}

void buildControls(Platform& platform, WindowId window, const LayoutSettings& settings,
                   int logoImageNumber) {
  for (const ControlSpec& spec : mainWindowControls(settings, logoImageNumber)) {
    platform.addControl(window, spec);
    // The slider takes its initial position once its three labels exist.
    if (spec.id == controlId::pressDurationText) {
      platform.setState(controlId::pressDurationSlider, settings.pressDurationInitial);
    }
  }
}

}  // namespace tastomat
