// SPDX-License-Identifier: MIT
// A QtPlatform with one open window, and helpers to read its events.
#include "tests/platform_qt/platform_fixture.h"

#include <QBuffer>
#include <QImage>
#include <QTest>
#include <QWidget>

#include <chrono>
#include <thread>

#include "board/wait_hook.h"

namespace tastomat {

void PlatformTest::SetUp() {
  window = platform.openWindow(400, 300, "Prüffenster", FrameKind::SystemMenuMinimise);
  ASSERT_NE(window, noWindow);
}

std::vector<Event> PlatformTest::drain(int quietMs) {
  std::vector<Event> events;
  for (Event e = platform.waitEvent(quietMs); e.kind != EventKind::None;
       e = platform.waitEvent(quietMs)) {
    events.push_back(e);
  }
  return events;
}

void PlatformTest::settle() {
  QWidget* widget = platform.windowWidget(window);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(widget));
  drain(20);
}

void blockWithHook(int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    runWaitHook();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

ControlSpec control(int id, ControlKind kind, int x, int y, int w, int h, const std::string& text) {
  ControlSpec spec;
  spec.id = id;
  spec.kind = kind;
  spec.x = x;
  spec.y = y;
  spec.w = w;
  spec.h = h;
  spec.text = text;
  return spec;
}

ControlSpec button(int id, int x, int y, const std::string& caption) {
  return control(id, ControlKind::PushButton, x, y, 70, 20, caption);
}

bool isControl(const Event& event, int id) {
  return event.kind == EventKind::Control && event.controlId == id;
}

std::vector<std::uint8_t> bmpOfSize(int width, int height) {
  QImage image(width, height, QImage::Format_RGB888);
  image.fill(Qt::darkGray);
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "BMP");
  const QByteArray& bytes = buffer.data();
  return {bytes.begin(), bytes.end()};
}

}  // namespace tastomat
