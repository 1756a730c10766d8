// SPDX-License-Identifier: MIT
// Our own small platform layer: windows, controls by ControlId, one event per
// wait, timers, message boxes, sound, images, opening a web address.
// platform/qt implements it over Qt; tests use a scripted implementation.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "board/controls.h"

namespace tastomat {

using WindowId = int;  // 0: no window
inline constexpr WindowId noWindow = 0;

enum class FrameKind {
  TitleOnly,           // title bar, no system menu: the user cannot close it
  SystemMenu,          // title bar with system menu and close box
  SystemMenuMinimise,  // as SystemMenu, plus a minimise box
};

enum class ControlKind {
  GroupFrame,
  StaticText,
  PushButton,
  PasswordField,
  Slider,
  CheckBox,
  SpinBox,
  Image,
};

enum class Align { Left, Centre, Right };

struct ControlSpec {
  int id = 0;
  ControlKind kind = ControlKind::StaticText;
  int x = 0;
  int y = 0;
  int w = 0;
  int h = 0;
  std::string text;  // caption or initial text; a CR (13) starts a new line
  Align align = Align::Left;
  bool sunken = false;
  std::string tooltip;         // shown literally; empty: none
  bool defaultButton = false;  // push button: Enter in the window activates it
  int rangeMin = 0;            // slider, spin box
  int rangeMax = 0;
  int value = 0;         // slider position, spin value, check-box state (0/1)
  int imageNumber = -1;  // image control: the loaded image to show, -1 none
};

enum class EventKind { None, Control, TimerTick, CloseRequest, Other };

struct Event {
  EventKind kind = EventKind::None;
  int controlId = 0;  // Control
  int timerId = 0;    // TimerTick
};

// Control operations (Controls and those below) act on the most recently opened
// window that is still open. An id that names no control there does nothing;
// reading its state gives 0 and its text "".
class Platform : public Controls {
 public:
  // Opens a window with the given client size, centred; noWindow on failure.
  virtual WindowId openWindow(int clientWidth, int clientHeight, const std::string& title,
                              FrameKind frame) = 0;
  virtual void closeWindow(WindowId window) = 0;
  // The title-bar icon, from a BMP (or PNG) held in memory; undecodable data: no icon.
  virtual void setWindowIcon(WindowId window, std::span<const std::uint8_t> bmp) = 0;
  virtual void addControl(WindowId window, const ControlSpec& spec) = 0;
  // Switches on repainting that does not paint the background over controls.
  // Cheap and idempotent: the main loop calls it on every pass.
  virtual void setFlickerFree(WindowId window) = 0;
  // Periodic window timer; arming an armed id restarts it with the new period.
  // Removing a timer also drops its tick that is still waiting to be taken.
  virtual void armTimer(WindowId window, int timerId, int periodMs) = 0;
  virtual void removeTimer(WindowId window, int timerId) = 0;

  virtual std::string text(int controlId) = 0;
  // Slider position, spin-box value, check-box state 0/1; 0 for anything else.
  virtual int state(int controlId) = 0;
  virtual void setState(int controlId, int value) = 0;
  virtual void setFocus(int controlId) = 0;

  // Returns exactly one event, or EventKind::None once timeoutMs has passed.
  // Due ticks of one timer coalesce into one; a close request never closes the
  // window by itself (a TitleOnly window reports none). Events still waiting
  // from a window are dropped when that window is closed.
  virtual Event waitEvent(int timeoutMs) = 0;
  // Modal, one OK button, no icon; owned by the most recently opened window that
  // is still open, if any; a CR in the text starts a new line. Returns after OK.
  virtual void messageBox(const std::string& title, const std::string& text) = 0;

  virtual bool startSound() = 0;
  virtual bool loadSound(int number, std::span<const std::uint8_t> wav) = 0;
  // Plays from the start without waiting; restarts a sound that still plays.
  // A number with nothing loaded does nothing.
  virtual void playSound(int number) = 0;
  virtual bool loadImage(int number, std::span<const std::uint8_t> bmp) = 0;

  // Opens the address in the default browser without waiting; result unseen.
  virtual void openUrl(const std::string& url) = 0;

  // Releases timers, sound, images, controls and windows; waiting events are
  // dropped. Safe to call twice; nothing is open afterwards.
  virtual void shutdown() = 0;
};

}  // namespace tastomat
