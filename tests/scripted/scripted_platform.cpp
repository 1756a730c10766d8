// SPDX-License-Identifier: MIT
// A Platform for tests: records calls, keeps control state, plays back events.
#include "tests/scripted/scripted_platform.h"

#include <algorithm>
#include <utility>

namespace tastomat::testing {

std::string frameName(FrameKind frame) {
  switch (frame) {
    case FrameKind::TitleOnly:
      return "TitleOnly";
    case FrameKind::SystemMenu:
      return "SystemMenu";
    case FrameKind::SystemMenuMinimise:
      return "SystemMenuMinimise";
  }
  return "?";
}

namespace {
std::string colourName(Rgb c) {
  return std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b);
}
}  // namespace

void ScriptedPlatform::push(Event event, std::function<void(ScriptedPlatform&)> before) {
  script_.push_back(Step{event, std::move(before)});
}
void ScriptedPlatform::pushControl(int controlId, std::function<void(ScriptedPlatform&)> before) {
  push(Event{EventKind::Control, controlId, 0}, std::move(before));
}
void ScriptedPlatform::pushTick(int timerId) {
  push(Event{EventKind::TimerTick, 0, timerId});
}
void ScriptedPlatform::pushClose() {
  push(Event{EventKind::CloseRequest, 0, 0});
}
void ScriptedPlatform::pushNone() {
  push(Event{EventKind::None, 0, 0});
}

void ScriptedPlatform::userSetText(int controlId, const std::string& text) {
  if (auto* c = control(controlId)) {
    c->text = text;
  }
}
void ScriptedPlatform::userSetState(int controlId, int value) {
  if (auto* c = control(controlId)) {
    if (c->spec.rangeMax > c->spec.rangeMin) {
      value = std::clamp(value, c->spec.rangeMin, c->spec.rangeMax);
    }
    c->state = value;
  }
}

std::vector<std::string> ScriptedPlatform::callsStartingWith(const std::string& prefix) const {
  std::vector<std::string> out;
  for (const auto& call : calls) {
    if (call.rfind(prefix, 0) == 0) {
      out.push_back(call);
    }
  }
  return out;
}

ScriptedWindow* ScriptedPlatform::window(WindowId id) {
  auto it = windows_.find(id);
  return it == windows_.end() ? nullptr : &it->second;
}

ScriptedWindow* ScriptedPlatform::topWindow() {
  for (auto it = openOrder_.rbegin(); it != openOrder_.rend(); ++it) {
    if (auto* w = window(*it); w != nullptr && w->open) {
      return w;
    }
  }
  return nullptr;
}

ScriptedControl* ScriptedPlatform::control(int controlId) {
  auto* w = topWindow();
  if (w == nullptr) {
    return nullptr;
  }
  auto it = w->controls.find(controlId);
  return it == w->controls.end() ? nullptr : &it->second;
}

WindowId ScriptedPlatform::openWindow(int clientWidth, int clientHeight, const std::string& title,
                                      FrameKind frame) {
  if (!windowsOpen) {
    calls.push_back("openWindow " + std::to_string(clientWidth) + "x" +
                    std::to_string(clientHeight) + " '" + title + "' " + frameName(frame) +
                    " -> failed");
    return noWindow;
  }
  const WindowId id = nextWindow_++;
  ScriptedWindow w;
  w.clientWidth = clientWidth;
  w.clientHeight = clientHeight;
  w.title = title;
  w.frame = frame;
  windows_[id] = std::move(w);
  openOrder_.push_back(id);
  calls.push_back("openWindow " + std::to_string(clientWidth) + "x" + std::to_string(clientHeight) +
                  " '" + title + "' " + frameName(frame));
  return id;
}

void ScriptedPlatform::closeWindow(WindowId id) {
  calls.push_back("closeWindow '" + (window(id) ? window(id)->title : std::string("?")) + "'");
  if (auto* w = window(id)) {
    w->open = false;
  }
}

void ScriptedPlatform::setWindowIcon(WindowId /*window*/, std::span<const std::uint8_t> bmp) {
  calls.push_back("setWindowIcon " + std::to_string(bmp.size()));
}

void ScriptedPlatform::addControl(WindowId id, const ControlSpec& spec) {
  calls.push_back("addControl " + std::to_string(spec.id));
  auto* w = window(id);
  if (w == nullptr) {
    return;
  }
  ScriptedControl c;
  c.spec = spec;
  c.text = spec.text;
  c.state = spec.value;
  w->controls[spec.id] = std::move(c);
  w->creationOrder.push_back(spec.id);
}

void ScriptedPlatform::setFlickerFree(WindowId id) {
  calls.push_back("setFlickerFree");
  if (auto* w = window(id)) {
    w->flickerFree = true;
  }
}

void ScriptedPlatform::armTimer(WindowId id, int timerId, int periodMs) {
  calls.push_back("armTimer " + std::to_string(timerId) + " " + std::to_string(periodMs));
  if (auto* w = window(id)) {
    w->timers[timerId] = periodMs;
  }
}

void ScriptedPlatform::removeTimer(WindowId id, int timerId) {
  calls.push_back("removeTimer " + std::to_string(timerId));
  if (auto* w = window(id)) {
    w->timers.erase(timerId);
  }
}

void ScriptedPlatform::setEnabled(int controlId, bool enabled) {
  calls.push_back("setEnabled " + std::to_string(controlId) + " " + (enabled ? "1" : "0"));
  if (auto* c = control(controlId)) {
    c->enabled = enabled;
  }
}

void ScriptedPlatform::setText(int controlId, const std::string& text) {
  calls.push_back("setText " + std::to_string(controlId) + " '" + text + "'");
  if (auto* c = control(controlId)) {
    c->text = text;
  }
}

void ScriptedPlatform::setTextColour(int controlId, Rgb colour) {
  calls.push_back("setTextColour " + std::to_string(controlId) + " " + colourName(colour));
  if (auto* c = control(controlId)) {
    c->hasColour = true;
    c->colour = colour;
  }
}

std::string ScriptedPlatform::text(int controlId) {
  auto* c = control(controlId);
  return c == nullptr ? std::string() : c->text;
}

int ScriptedPlatform::state(int controlId) {
  auto* c = control(controlId);
  return c == nullptr ? 0 : c->state;
}

void ScriptedPlatform::setState(int controlId, int value) {
  calls.push_back("setState " + std::to_string(controlId) + " " + std::to_string(value));
  userSetState(controlId, value);
}

void ScriptedPlatform::setFocus(int controlId) {
  calls.push_back("setFocus " + std::to_string(controlId));
}

Event ScriptedPlatform::waitEvent(int timeoutMs) {
  ++waits;
  calls.push_back("waitEvent " + std::to_string(timeoutMs));
  if (script_.empty()) {
    return whenScriptEnds;
  }
  Step step = std::move(script_.front());
  script_.pop_front();
  if (step.before) {
    step.before(*this);
  }
  return step.event;
}

void ScriptedPlatform::messageBox(const std::string& title, const std::string& text) {
  calls.push_back("messageBox '" + title + "' '" + text + "'");
  if (onMessageBox) {
    onMessageBox(*this, title, text);
  }
}

bool ScriptedPlatform::startSound() {
  calls.push_back(std::string("startSound -> ") + (soundStarts ? "1" : "0"));
  return soundStarts;
}

bool ScriptedPlatform::loadSound(int number, std::span<const std::uint8_t> wav) {
  calls.push_back("loadSound " + std::to_string(number) + " " + std::to_string(wav.size()));
  return true;
}

void ScriptedPlatform::playSound(int number) {
  calls.push_back("playSound " + std::to_string(number));
}

bool ScriptedPlatform::loadImage(int number, std::span<const std::uint8_t> bmp) {
  calls.push_back("loadImage " + std::to_string(number) + " " + std::to_string(bmp.size()));
  return imagesLoad;
}

void ScriptedPlatform::openUrl(const std::string& url) {
  calls.push_back("openUrl " + url);
}

void ScriptedPlatform::shutdown() {
  calls.push_back("shutdown");
  shutDown = true;
}

}  // namespace tastomat::testing
