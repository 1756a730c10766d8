// SPDX-License-Identifier: MIT
// One fault row through the real Qt platform (offscreen): a silent board, a key
// press, and the window closed by the window system while the press waits for
// replies. The close must get through, and the program must end soon after.
#include <gtest/gtest.h>
#include <qpa/qwindowsysteminterface.h>

#include <QAbstractButton>
#include <QLineEdit>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <cstdint>
#include <string>

#include "app/flow.h"
#include "app/login.h"
#include "platform/qt/qt_platform.h"
#include "tests/support/boardsim_process.h"
#include "tests/support_qt/qt_test_app.h"

namespace tastomat {
namespace {

constexpr int replyTimeoutMs = 150;
constexpr int pressDurationMs = 250;
constexpr int pressedButton = 56;  // "Device 06" EIN

// Plays the user from a timer: Qt runs it inside waitEvent and inside the wait
// hook of every blocking board wait, as it would run a real user's input.
class User {
 public:
  explicit User(QtPlatform& qt) : qt_(qt) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { step(); });
    timer_.start(20);
  }

  bool sawButtonDisabled = false;
  std::int64_t closeRequestedUsec = 0;

 private:
  void step() {
    switch (stage_) {
      case Stage::Login:
        if (auto* field = qobject_cast<QLineEdit*>(qt_.controlWidget(loginControl::passwordField));
            field != nullptr && field->isVisible()) {
          field->setText("pfau");
          queueClick(qt_.controlWidget(loginControl::loginButton));
          stage_ = Stage::Press;
        }
        break;
      case Stage::Press:
        if (QWidget* button = qt_.controlWidget(pressedButton);
            button != nullptr && button->isVisible()) {
          queueClick(button);
          stage_ = Stage::Close;
        }
        break;
      case Stage::Close:
        // The press is under way, its reads waiting on a board that says nothing.
        if (QWidget* button = qt_.controlWidget(pressedButton);
            button != nullptr && !button->isEnabled()) {
          sawButtonDisabled = true;
          closeRequestedUsec = monotonicUsecNow();
          QWindowSystemInterface::handleCloseEvent<QWindowSystemInterface::AsynchronousDelivery>(
              button->window()->windowHandle());
          stage_ = Stage::Done;
        }
        break;
      case Stage::Done:
        break;
    }
  }

  enum class Stage { Login, Press, Close, Done };
  QtPlatform& qt_;
  QTimer timer_;
  Stage stage_ = Stage::Login;
};

TEST(FaultQtRow, SilentBoardPressThenCloseEndsTheProgram) {
  ensureQtApplication();
  BoardsimProcess board({"--silent"});
  QtPlatform qt;
  User user(qt);

  const int port = board.port();
  const int exitCode = runProgram(qt, [port] {
    PanelSettings s = fillSettings();
    s.boardAddress = "127.0.0.1";
    s.boardPort = port;
    s.replyTimeoutMs = replyTimeoutMs;
    s.connectTimeoutMs = 500;
    s.pressDurationInitial = pressDurationMs;
    return s;
  });
  const std::int64_t endedUsec = monotonicUsecNow();

  EXPECT_EQ(exitCode, 0);
  ASSERT_TRUE(user.sawButtonDisabled) << "the press never started";
  // What was left of the press (at most 8 reads and its pauses), its query's
  // four reads, then the closing pause; generous for a shared machine.
  const int pressMs = 8 * replyTimeoutMs + 6 * (pressDurationMs / 2) + pressDurationMs;
  const int boundMs = pressMs + 4 * replyTimeoutMs + 100 + 3000;
  EXPECT_LE((endedUsec - user.closeRequestedUsec) / 1000, boundMs);

  // The close came in the middle of the press, yet the press and its query
  // were finished, and nothing more was sent after them.
  ASSERT_TRUE(board.waitForEntry("#close"));
  EXPECT_EQ(board.commands().size(), 4u + 8u + 4u) << board.logText();
}

}  // namespace
}  // namespace tastomat
