// SPDX-License-Identifier: MIT
// The platform layer over Qt 6 Widgets and Qt Multimedia.
#pragma once

#include <memory>

#include "platform/platform.h"

class QWidget;

namespace tastomat {

// One per process. It makes the QApplication unless one exists already (tests
// make their own), and destroys only the one it made, when it is destroyed.
// While it lives it owns the process-wide wait hook: blocking board waits then
// keep the windows painted and queue timer ticks and close requests, while
// clicks and keys stay held until the next waitEvent.
class QtPlatform final : public Platform {
 public:
  QtPlatform();
  // argc and argv must outlive the platform, as QApplication requires.
  QtPlatform(int& argc, char** argv);
  QtPlatform(const QtPlatform&) = delete;
  QtPlatform& operator=(const QtPlatform&) = delete;
  ~QtPlatform() override;

  void setEnabled(int controlId, bool enabled) override;
  void setText(int controlId, const std::string& text) override;
  void setTextColour(int controlId, Rgb colour) override;

  WindowId openWindow(int clientWidth, int clientHeight, const std::string& title,
                      FrameKind frame) override;
  void closeWindow(WindowId window) override;
  void setWindowIcon(WindowId window, std::span<const std::uint8_t> bmp) override;
  void addControl(WindowId window, const ControlSpec& spec) override;
  void setFlickerFree(WindowId window) override;
  void armTimer(WindowId window, int timerId, int periodMs) override;
  void removeTimer(WindowId window, int timerId) override;

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

  // The widgets behind the ids, for tests of this layer; nullptr if none. A
  // control is looked up in the most recently opened window that is still open.
  QWidget* windowWidget(WindowId window) const;
  QWidget* controlWidget(int controlId) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tastomat
