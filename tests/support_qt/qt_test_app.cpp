// SPDX-License-Identifier: MIT
// Shared fixture for window tests: one offscreen QApplication per test process,
// and input that arrives through the window system queue as a real mouse does.
#include "tests/support_qt/qt_test_app.h"

#include <gtest/gtest.h>
#include <qpa/qwindowsysteminterface.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace tastomat {

namespace {

std::unique_ptr<QApplication> app;

// The application must go before the end of main: destroyed among the static
// objects it would outlive Qt's own and crash.
class ApplicationEnvironment : public ::testing::Environment {
 public:
  void TearDown() override { app.reset(); }
};

}  // namespace

void ensureQtApplication() {
  if (app) {
    return;
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  if (std::getenv("XDG_RUNTIME_DIR") == nullptr) {
    static char folder[] = "/tmp/tastomat-xdg-XXXXXX";
    if (mkdtemp(folder) != nullptr) {  // mkdtemp makes it 0700, as Qt wants
      setenv("XDG_RUNTIME_DIR", folder, 1);
    }
  }
  static int argc = 1;
  static char name[] = "tastomat-tests";
  static char* argv[] = {name, nullptr};
  app = std::make_unique<QApplication>(argc, argv);
  ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);  // gtest owns it
}

void queueClick(QWidget* widget) {
  QWidget* top = widget->window();
  QWindow* window = top->windowHandle();
  const QPoint centre = widget->rect().center();
  const QPointF local = widget->mapTo(top, centre);
  const QPointF global = widget->mapToGlobal(centre);
  using Wsi = QWindowSystemInterface;
  Wsi::handleMouseEvent<Wsi::AsynchronousDelivery>(window, local, global, Qt::LeftButton,
                                                   Qt::LeftButton, QEvent::MouseButtonPress);
  Wsi::handleMouseEvent<Wsi::AsynchronousDelivery>(window, local, global, Qt::NoButton,
                                                   Qt::LeftButton, QEvent::MouseButtonRelease);
}

void acceptNextModalBox(int delayMs) {
  QTimer::singleShot(delayMs, [] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      box->button(QMessageBox::Ok)->click();
    } else {
      acceptNextModalBox(10);
    }
  });
}

}  // namespace tastomat
