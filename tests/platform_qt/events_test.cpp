// SPDX-License-Identifier: MIT
// One event per wait, coalesced ticks, refused closes, input held during a
// blocking board wait and repainting meanwhile.
#include <QEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <chrono>

#include "board/wait_hook.h"
#include "tests/platform_qt/platform_fixture.h"

namespace tastomat {
namespace {

using Clock = std::chrono::steady_clock;

long long msSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class Events : public PlatformTest {};

TEST_F(Events, WaitRunsOutWithNoEvent) {
  settle();
  const auto start = Clock::now();
  EXPECT_EQ(platform.waitEvent(80).kind, EventKind::None);
  const long long took = msSince(start);
  EXPECT_GE(took, 75);
  EXPECT_LT(took, 3000);
  EXPECT_EQ(platform.waitEvent(0).kind, EventKind::None);
}

TEST_F(Events, EachWaitReturnsExactlyOneEventInOrder) {
  add(button(10, 10, 10));
  add(button(11, 100, 10));
  settle();
  for (const int id : {10, 11, 10}) {
    QTest::mouseClick(platform.controlWidget(id), Qt::LeftButton);
  }
  for (const int id : {10, 11, 10}) {
    EXPECT_TRUE(isControl(platform.waitEvent(1000), id)) << id;
  }
  EXPECT_EQ(platform.waitEvent(50).kind, EventKind::None);
}

TEST_F(Events, AnEventEndsTheWaitEarly) {
  add(button(10, 10, 10));
  settle();
  QTimer::singleShot(30, platform.controlWidget(10),
                     [this] { static_cast<QPushButton*>(platform.controlWidget(10))->click(); });
  const auto start = Clock::now();
  EXPECT_TRUE(isControl(platform.waitEvent(5000), 10));
  EXPECT_LT(msSince(start), 2500);
}

TEST_F(Events, DueTicksOfOneTimerCoalesce) {
  settle();
  platform.armTimer(window, 5, 20);
  platform.armTimer(window, 6, 20);
  blockWithHook(200);
  platform.armTimer(window, 5, 60000);  // re-arming keeps the tick that waits
  platform.armTimer(window, 6, 60000);
  std::vector<int> ticks;
  for (const Event& e : drain(100)) {
    ASSERT_EQ(e.kind, EventKind::TimerTick);
    ticks.push_back(e.timerId);
  }
  std::sort(ticks.begin(), ticks.end());
  EXPECT_EQ(ticks, (std::vector<int>{5, 6}));
}

TEST_F(Events, RemovedTimerLeavesNoTick) {
  settle();
  platform.armTimer(window, 5, 20);
  blockWithHook(100);
  platform.removeTimer(window, 5);
  EXPECT_EQ(platform.waitEvent(100).kind, EventKind::None);
}

TEST_F(Events, TimerTicksWhileWaiting) {
  platform.armTimer(window, 1, 30);
  const Event e = platform.waitEvent(3000);
  EXPECT_EQ(e.kind, EventKind::TimerTick);
  EXPECT_EQ(e.timerId, 1);
}

TEST_F(Events, CloseIsRefusedAndReported) {
  settle();
  QWidget* widget = platform.windowWidget(window);
  EXPECT_FALSE(widget->close());
  EXPECT_EQ(platform.waitEvent(1000).kind, EventKind::CloseRequest);
  EXPECT_TRUE(widget->isVisible());
  EXPECT_EQ(platform.windowWidget(window), widget);
}

TEST_F(Events, WindowWithoutCloseBoxStaysOpenSilently) {
  const WindowId message = platform.openWindow(250, 90, "Meldung", FrameKind::TitleOnly);
  QWidget* widget = platform.windowWidget(message);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(widget));
  drain(20);
  EXPECT_FALSE(widget->close());
  EXPECT_TRUE(widget->isVisible());
  EXPECT_EQ(platform.waitEvent(50).kind, EventKind::None);
}

TEST_F(Events, ClosingAWindowDropsItsWaitingEvents) {
  const WindowId login = platform.openWindow(250, 70, "Login", FrameKind::SystemMenu);
  platform.addControl(login, button(2, 10, 10));
  platform.armTimer(login, 3, 10);
  QTest::mouseClick(platform.controlWidget(2), Qt::LeftButton);
  platform.windowWidget(login)->close();
  blockWithHook(50);
  platform.closeWindow(login);
  EXPECT_EQ(platform.windowWidget(login), nullptr);
  EXPECT_EQ(platform.waitEvent(100).kind, EventKind::None);
}

// Clicks made while an action blocks the thread come afterwards, in order; a
// click on a button that was disabled for the action is dropped, not replayed
// once the button is enabled again.
TEST_F(Events, InputDuringABlockingWaitComesAfterwardsInOrder) {
  struct Case {
    bool disableMiddle;
    std::vector<int> expected;
  };
  for (const Case& c : {Case{false, {10, 11, 12}}, Case{true, {10, 12}}}) {
    SCOPED_TRACE(c.disableMiddle ? "middle disabled" : "all enabled");
    platform.shutdown();
    window = platform.openWindow(400, 300, "Prüffenster", FrameKind::SystemMenuMinimise);
    for (const int id : {10, 11, 12}) {
      add(button(id, 10 + 80 * (id - 10), 10));
    }
    settle();
    int clicksDuringWait = 0;
    for (const int id : {10, 11, 12}) {
      QObject::connect(static_cast<QPushButton*>(platform.controlWidget(id)), &QPushButton::clicked,
                       [&clicksDuringWait] { ++clicksDuringWait; });
    }
    if (c.disableMiddle) {
      platform.setEnabled(11, false);
    }
    for (const int id : {10, 11, 12}) {
      queueClick(platform.controlWidget(id));
    }
    blockWithHook(100);
    EXPECT_EQ(clicksDuringWait, 0) << "input must stay held during the wait";
    if (c.disableMiddle) {
      platform.setEnabled(11, true);
    }
    std::vector<int> ids;
    for (const Event& e : drain(100)) {
      ASSERT_EQ(e.kind, EventKind::Control);
      ids.push_back(e.controlId);
    }
    EXPECT_EQ(ids, c.expected);
  }
}

struct PaintCounter : QObject {
  int paints = 0;
  bool eventFilter(QObject* /*watched*/, QEvent* event) override {
    paints += event->type() == QEvent::Paint ? 1 : 0;
    return false;
  }
};

TEST_F(Events, WindowRepaintsDuringABlockingWait) {
  add(control(20, ControlKind::StaticText, 10, 10, 100, 20, "vorher"));
  add(button(10, 10, 40));
  settle();
  PaintCounter counter;
  platform.controlWidget(20)->installEventFilter(&counter);
  platform.controlWidget(10)->installEventFilter(&counter);
  platform.setText(20, "nachher");
  platform.setEnabled(10, false);
  blockWithHook(100);
  EXPECT_GE(counter.paints, 2);
}

}  // namespace
}  // namespace tastomat
