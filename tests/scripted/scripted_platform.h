// SPDX-License-Identifier: MIT
// A Platform for tests: records every call as a line of text, keeps control
// state like a real window would, and plays back a script of user events.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace tastomat::testing {

struct ScriptedControl {
  ControlSpec spec;
  std::string text;  // current text (caption, label or field content)
  int state = 0;     // current slider position / spin value / check state
  bool enabled = true;
  bool hasColour = false;
  Rgb colour;
};

struct ScriptedWindow {
  int clientWidth = 0;
  int clientHeight = 0;
  std::string title;
  FrameKind frame = FrameKind::TitleOnly;
  bool open = true;
  bool flickerFree = false;
  std::map<int, int> timers;                // timer id -> period ms
  std::vector<int> creationOrder;           // ControlIds in creation order
  std::map<int, ScriptedControl> controls;  // by ControlId
};

class ScriptedPlatform : public Platform {
 public:
  // One scripted step: 'before' runs first (a user typing or moving a control),
  // then waitEvent returns 'event'.
  struct Step {
    Event event;
    std::function<void(ScriptedPlatform&)> before;
  };

  // --- the script -------------------------------------------------------
  void push(Event event, std::function<void(ScriptedPlatform&)> before = {});
  void pushControl(int controlId, std::function<void(ScriptedPlatform&)> before = {});
  void pushTick(int timerId);
  void pushClose();
  void pushNone();
  // Runs when waitEvent finds the script empty; by default a close request,
  // so every loop under test ends.
  Event whenScriptEnds{EventKind::CloseRequest};
  // Called by messageBox (e.g. to check what is open at that moment).
  std::function<void(ScriptedPlatform&, const std::string&, const std::string&)> onMessageBox;

  // --- what a user does ---------------------------------------------------
  void userSetText(int controlId, const std::string& text);
  void userSetState(int controlId, int value);

  // --- knobs ---------------------------------------------------------------
  bool soundStarts = true;
  bool imagesLoad = true;
  bool windowsOpen = true;

  // --- what happened ---------------------------------------------------------
  std::vector<std::string> calls;
  std::vector<std::string> callsStartingWith(const std::string& prefix) const;
  ScriptedWindow* window(WindowId id);
  ScriptedWindow* topWindow();  // most recently opened window still open
  ScriptedControl* control(int controlId);
  int waits = 0;
  bool shutDown = false;

  // --- Platform ----------------------------------------------------------------
  WindowId openWindow(int clientWidth, int clientHeight, const std::string& title,
                      FrameKind frame) override;
  void closeWindow(WindowId window) override;
  void setWindowIcon(WindowId window, std::span<const std::uint8_t> bmp) override;
  void addControl(WindowId window, const ControlSpec& spec) override;
  void setFlickerFree(WindowId window) override;
  void armTimer(WindowId window, int timerId, int periodMs) override;
  void removeTimer(WindowId window, int timerId) override;
  void setEnabled(int controlId, bool enabled) override;
  void setText(int controlId, const std::string& text) override;
  void setTextColour(int controlId, Rgb colour) override;
  std::string text(int controlId) override;
  int state(int controlId) override;
  void setState(int controlId, int value) override;
  void setFocus(int controlId) override;
  Event waitEvent(int timeoutMs) override;
  void messageBox(const std::string& title, const std::string& text) override;
  bool startSound() override;
  bool loadSound(int number, std::span<const std::uint8_t> wav) override;
  void playSound(int number) override;
  bool loadImage(int number, std::span<const std::uint8_t> bmp) override;
  void openUrl(const std::string& url) override;
  void shutdown() override;

 private:
  std::deque<Step> script_;
  std::map<WindowId, ScriptedWindow> windows_;
  std::vector<WindowId> openOrder_;
  WindowId nextWindow_ = 1;
};

std::string frameName(FrameKind frame);

}  // namespace tastomat::testing
