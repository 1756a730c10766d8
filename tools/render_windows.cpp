// SPDX-License-Identifier: MIT
// render_windows MAIN.png LOGIN.png: pictures of the real main window (showing
// a reading of the inputs) and of the login dialog, rendered offscreen.
#include <QApplication>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/login.h"
#include "app/panel_settings.h"
#include "media/media.h"
#include "panel/layout.h"
#include "platform/qt/qt_platform.h"

namespace tastomat {
namespace {

bool save(QWidget* widget, const char* path) {
  if (widget == nullptr || !widget->grab().save(QString::fromLocal8Bit(path), "PNG")) {
    std::fprintf(stderr, "render_windows: cannot write %s\n", path);
    return false;
  }
  return true;
}

// Lets the platform lay out and paint what it has shown.
void settle(QtPlatform& platform) {
  while (platform.waitEvent(50).kind != EventKind::None) {
  }
}

// The dialog is grabbed while runLogin waits for input, then cancelled.
bool renderLogin(QtPlatform& platform, const char* path) {
  bool saved = false;
  QTimer grabber;
  grabber.setSingleShot(true);
  QObject::connect(&grabber, &QTimer::timeout, [&] {
    QWidget* cancel = platform.controlWidget(loginControl::cancelButton);
    saved = cancel != nullptr && save(cancel->window(), path);
    if (auto* button = qobject_cast<QPushButton*>(cancel)) {
      button->click();
    }
  });
  grabber.start(100);
  runLogin(platform);
  return saved;
}

// The main window as start-up builds it, after a reading of the inputs shown
// the way the input query shows it.
bool renderMainWindow(QtPlatform& platform, const char* path) {
  const PanelSettings settings = fillSettings();
  loadLogo(platform);
  const WindowId window =
      platform.openWindow(590, 510, mainWindowTitle(settings), FrameKind::SystemMenuMinimise);
  if (window == noWindow) {
    std::fprintf(stderr, "render_windows: the main window did not open\n");
    return false;
  }
  platform.setWindowIcon(window, programIcon());
  buildControls(platform, window, layoutSettingsFrom(settings), logoImageNumber);

  for (const int id : {36, 37, 38, 39}) {
    platform.setTextColour(id, settings.colourOther);
  }
  platform.setText(36, "2,50");
  platform.setText(37, "4,99");
  platform.setTextColour(28, settings.colourOther);
  platform.setText(28, "OFFEN");
  platform.setTextColour(29, settings.colourClosed);
  platform.setText(29, "GESCHLOSSEN");
  // As the main loop leaves it before its first wait: the interval can be set
  // only while auto-query is ticked.
  platform.setEnabled(controlId::pollIntervalSpin, platform.state(controlId::autoQueryCheck) == 1);
  settle(platform);
  const bool saved = save(platform.windowWidget(window), path);
  platform.closeWindow(window);
  return saved;
}

}  // namespace
}  // namespace tastomat

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: render_windows MAIN.png LOGIN.png\n");
    return 2;
  }
  const std::string mainPath = argv[1];
  const std::string loginPath = argv[2];
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  tastomat::QtPlatform platform(argc, argv);
  const bool login = tastomat::renderLogin(platform, loginPath.c_str());
  const bool main = tastomat::renderMainWindow(platform, mainPath.c_str());
  return login && main ? 0 : 1;
}
