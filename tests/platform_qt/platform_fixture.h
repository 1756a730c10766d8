// SPDX-License-Identifier: MIT
// A QtPlatform with one open window, and helpers to read its events.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/qt/qt_platform.h"
#include "tests/support_qt/qt_test_app.h"

namespace tastomat {

class PlatformTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ensureQtApplication(); }
  void SetUp() override;

  void add(const ControlSpec& spec) { platform.addControl(window, spec); }
  // Every event that comes before the queue stays empty for quietMs.
  std::vector<Event> drain(int quietMs = 50);
  // Waits until the window is shown and painted, then drops what that queued.
  void settle();

  QtPlatform platform;
  WindowId window = noWindow;
};

// A board exchange as the program makes it: the thread blocks, calling the
// wait hook in slices.
void blockWithHook(int ms);

ControlSpec control(int id, ControlKind kind, int x, int y, int w, int h,
                    const std::string& text = {});
ControlSpec button(int id, int x, int y, const std::string& caption = "Knopf");

bool isControl(const Event& event, int id);

// Bytes of a BMP of the given size, made by Qt.
std::vector<std::uint8_t> bmpOfSize(int width, int height);

}  // namespace tastomat
