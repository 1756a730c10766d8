// SPDX-License-Identifier: MIT
// Windows and controls by id: what the program sets reads back, shows as set,
// takes the focus in order and reports user input as control events.
#include <QAbstractSlider>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTest>
#include <QTextDocument>

#include <functional>

#include "tests/platform_qt/platform_fixture.h"

namespace tastomat {
namespace {

class Controls : public PlatformTest {};

ControlSpec withTooltip(ControlSpec spec, const std::string& tooltip) {
  spec.tooltip = tooltip;
  return spec;
}

ControlSpec ranged(ControlSpec spec, int low, int high, int value) {
  spec.rangeMin = low;
  spec.rangeMax = high;
  spec.value = value;
  return spec;
}

ControlSpec aligned(ControlSpec spec, Align align, bool sunken) {
  spec.align = align;
  spec.sunken = sunken;
  return spec;
}

// What a tooltip shows to the user, whatever markup carries it.
std::string shownToolTip(const QWidget* widget) {
  QTextDocument document;
  document.setHtml(widget->toolTip());
  return document.toPlainText().toStdString();
}

TEST_F(Controls, EveryKindReadsBackAsCreated) {
  struct Case {
    ControlSpec spec;
    const char* qtClass;
    std::string text;
    int state;
    bool focusable;
  };
  const Case cases[] = {
      {control(1, ControlKind::GroupFrame, 10, 10, 280, 110, "Analoge Eingänge"), "QGroupBox",
       "Analoge Eingänge", 0, false},
      {aligned(control(8, ControlKind::StaticText, 20, 30, 100, 20, "Device 01"), Align::Left,
               true),
       "QLabel", "Device 01", 0, false},
      {withTooltip(control(47, ControlKind::PushButton, 130, 30, 70, 20, "EIN"),
                   "EIN-Schalter für 'Device 01'"),
       "QPushButton", "EIN", 0, true},
      {control(2, ControlKind::PasswordField, 10, 140, 230, 20), "QLineEdit", "", 0, true},
      {ranged(control(91, ControlKind::Slider, 40, 365, 510, 20), 250, 5000, 1250), "QSlider", "",
       1250, true},
      {ranged(control(93, ControlKind::CheckBox, 230, 310, 130, 20, "Auto-Abfrage Eingänge "), 0, 0,
              1),
       "QCheckBox", "Auto-Abfrage Eingänge ", 1, true},
      {ranged(control(94, ControlKind::SpinBox, 250, 330, 57, 20), 1, 120, 60), "QSpinBox", "60",
       60, true},
      {control(90, ControlKind::Image, 225, 200, 50, 50), "QLabel", "", 0, false},
  };
  for (const Case& c : cases) {
    add(c.spec);
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.spec.id);
    const QWidget* widget = platform.controlWidget(c.spec.id);
    ASSERT_NE(widget, nullptr);
    EXPECT_TRUE(widget->inherits(c.qtClass));
    EXPECT_EQ(widget->geometry(), QRect(c.spec.x, c.spec.y, c.spec.w, c.spec.h));
    EXPECT_EQ(platform.text(c.spec.id), c.text);
    EXPECT_EQ(platform.state(c.spec.id), c.state);
    EXPECT_EQ(widget->focusPolicy() != Qt::NoFocus, c.focusable);
    EXPECT_EQ(shownToolTip(widget), c.spec.tooltip);
    EXPECT_TRUE(widget->isVisible());
  }
  EXPECT_EQ(static_cast<QLineEdit*>(platform.controlWidget(2))->echoMode(), QLineEdit::Password);
  EXPECT_EQ(static_cast<QSpinBox*>(platform.controlWidget(94))->alignment() & Qt::AlignRight,
            Qt::AlignRight);
  EXPECT_EQ(drain(20).size(), 0u) << "creating controls reports nothing";
}

TEST_F(Controls, StaticTextAlignmentBorderAndLineBreaks) {
  struct Case {
    Align align;
    bool sunken;
    std::string text;
    Qt::Alignment shown;
    QString screenText;
  };
  const Case cases[] = {
      {Align::Left, true, "Analogeingang 01", Qt::AlignLeft | Qt::AlignVCenter, "Analogeingang 01"},
      {Align::Centre, false, "1250", Qt::AlignHCenter | Qt::AlignVCenter, "1250"},
      {Align::Right, true, "--.--", Qt::AlignRight | Qt::AlignVCenter, "--.--"},
      {Align::Left, false, "Verbindung\r\rIP/DNS: 127.0.0.1", Qt::AlignLeft | Qt::AlignTop,
       "Verbindung\n\nIP/DNS: 127.0.0.1"},
      {Align::Left, false, "A & B <b>fett</b>", Qt::AlignLeft | Qt::AlignVCenter,
       "A & B <b>fett</b>"},
  };
  int id = 100;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    add(aligned(control(++id, ControlKind::StaticText, 10, 10, 230, 70, c.text), c.align,
                c.sunken));
    const auto* label = static_cast<QLabel*>(platform.controlWidget(id));
    EXPECT_EQ(label->text(), c.screenText);
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
    EXPECT_EQ(label->alignment(), c.shown);
    EXPECT_EQ(label->frameShape(), c.sunken ? QFrame::Panel : QFrame::NoFrame);
    if (c.sunken) {
      EXPECT_EQ(label->frameShadow(), QFrame::Sunken);
      EXPECT_EQ(label->lineWidth(), 1);
    }
    EXPECT_EQ(platform.text(id), c.text);
  }
}

TEST_F(Controls, TextAndColourChangeIndependently) {
  add(aligned(control(28, ControlKind::StaticText, 480, 270, 90, 20, "---"), Align::Centre, true));
  const QWidget* widget = platform.controlWidget(28);
  const QColor before = widget->palette().color(QPalette::WindowText);
  platform.setText(28, "GESCHLOSSEN");
  EXPECT_EQ(widget->palette().color(QPalette::WindowText), before);
  platform.setTextColour(28, red);
  EXPECT_EQ(widget->palette().color(QPalette::WindowText), QColor(255, 0, 0));
  EXPECT_EQ(platform.text(28), "GESCHLOSSEN");
  platform.setText(28, "OFFEN");
  EXPECT_EQ(widget->palette().color(QPalette::WindowText), QColor(255, 0, 0));
  platform.setTextColour(28, blue);
  EXPECT_EQ(widget->palette().color(QPalette::Inactive, QPalette::WindowText), QColor(0, 0, 255));
  EXPECT_EQ(platform.text(28), "OFFEN");
}

TEST_F(Controls, TooltipShowsLiterallyAlsoInAnInactiveWindow) {
  const std::string tooltip = "Strom & Spannung: \"<b>5 V</b>\" & 'Masse'";
  add(withTooltip(button(10, 10, 10), tooltip));
  EXPECT_EQ(shownToolTip(platform.controlWidget(10)), tooltip);
  EXPECT_TRUE(platform.windowWidget(window)->testAttribute(Qt::WA_AlwaysShowToolTips));
}

TEST_F(Controls, UnknownIdDoesNothing) {
  add(control(7, ControlKind::StaticText, 10, 10, 100, 20, "bleibt"));
  platform.setText(999, "x");
  platform.setTextColour(999, red);
  platform.setEnabled(999, false);
  platform.setState(999, 5);
  platform.setFocus(999);
  EXPECT_EQ(platform.text(999), "");
  EXPECT_EQ(platform.state(999), 0);
  EXPECT_EQ(platform.controlWidget(999), nullptr);
  EXPECT_EQ(platform.text(7), "bleibt");
  platform.addControl(noWindow, button(11, 0, 0));
  EXPECT_EQ(platform.controlWidget(11), nullptr);
}

TEST_F(Controls, IdsNameControlsOfTheNewestOpenWindow) {
  add(control(1, ControlKind::StaticText, 10, 10, 100, 20, "Hauptfenster"));
  const WindowId dialog = platform.openWindow(250, 70, "Dialog", FrameKind::SystemMenu);
  EXPECT_EQ(platform.text(1), "");
  platform.addControl(dialog, control(1, ControlKind::PasswordField, 10, 10, 230, 20));
  platform.setText(1, "pfau");
  EXPECT_EQ(platform.text(1), "pfau");
  platform.closeWindow(dialog);
  EXPECT_EQ(platform.text(1), "Hauptfenster");
}

TEST_F(Controls, ValuesSetInCodeAreClampedAndReportNothing) {
  add(ranged(control(94, ControlKind::SpinBox, 10, 10, 57, 20), 1, 120, 60));
  add(ranged(control(91, ControlKind::Slider, 10, 40, 300, 20), 250, 5000, 1250));
  add(ranged(control(93, ControlKind::CheckBox, 10, 70, 130, 20, "Auto"), 0, 0, 0));
  struct Case {
    int id;
    int set;
    int expected;
  };
  for (const Case& c :
       {Case{94, 500, 120}, Case{94, -3, 1}, Case{94, 45, 45}, Case{91, 251, 251},
        Case{91, 9999, 5000}, Case{91, 0, 250}, Case{93, 1, 1}, Case{93, 0, 0}, Case{93, 7, 1}}) {
    platform.setState(c.id, c.set);
    EXPECT_EQ(platform.state(c.id), c.expected) << c.id << " set to " << c.set;
  }
  EXPECT_EQ(drain(20).size(), 0u);
}

TEST_F(Controls, UserInputReportsItsControl) {
  add(button(47, 10, 10));
  add(ranged(control(91, ControlKind::Slider, 10, 40, 300, 20), 250, 5000, 1250));
  add(ranged(control(93, ControlKind::CheckBox, 10, 70, 130, 20, "Auto"), 0, 0, 0));
  add(ranged(control(94, ControlKind::SpinBox, 10, 100, 57, 20), 1, 120, 120));
  add(control(90, ControlKind::Image, 100, 100, 50, 50));
  settle();
  struct Case {
    int id;
    std::function<void(QWidget*)> act;
    int stateAfter;
  };
  const Case cases[] = {
      {47, [](QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }, 0},
      {91, [](QWidget* w) { QTest::keyClick(w, Qt::Key_Right); }, 1251},
      {93, [](QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }, 1},
      {94, [](QWidget* w) { QTest::keyClick(w, Qt::Key_Down); }, 119},
      {90, [](QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    QWidget* widget = platform.controlWidget(c.id);
    widget->setFocus();
    c.act(widget);
    const std::vector<Event> events = drain(20);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_TRUE(isControl(events[0], c.id));
    EXPECT_EQ(platform.state(c.id), c.stateAfter);
  }
  // The spin box stops at the ends of its range, also for typed values.
  QWidget* spin = platform.controlWidget(94);
  QTest::keyClick(spin, Qt::Key_Up);
  QTest::keyClick(spin, Qt::Key_Up);
  EXPECT_EQ(platform.state(94), 120);
  QTest::keyClick(spin, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(spin, "999");
  EXPECT_LE(platform.state(94), 120);
  EXPECT_GE(platform.state(94), 1);
}

TEST_F(Controls, DisabledButtonIsGreyAndSilent) {
  add(button(56, 10, 10));
  settle();
  platform.setEnabled(56, false);
  EXPECT_FALSE(platform.controlWidget(56)->isEnabled());
  QTest::mouseClick(platform.controlWidget(56), Qt::LeftButton);
  EXPECT_EQ(platform.waitEvent(30).kind, EventKind::None);
  platform.setEnabled(56, true);
  QTest::mouseClick(platform.controlWidget(56), Qt::LeftButton);
  EXPECT_TRUE(isControl(platform.waitEvent(1000), 56));
}

TEST_F(Controls, EnterInThePasswordFieldPressesTheDefaultButton) {
  platform.closeWindow(window);
  window = platform.openWindow(250, 70, "AVR-NET-IO: Passwortabfrage", FrameKind::SystemMenu);
  add(control(1, ControlKind::PasswordField, 10, 10, 230, 20));
  ControlSpec login = button(2, 50, 40, "Anmelden");
  login.defaultButton = true;
  add(login);
  add(button(3, 140, 40, "Abbrechen"));
  platform.setFocus(1);
  settle();
  QWidget* field = platform.controlWidget(1);
  QTest::keyClicks(field, "pfau");
  EXPECT_EQ(platform.text(1), "pfau");
  QTest::keyClick(field, Qt::Key_Return);
  std::vector<Event> events = drain(20);
  ASSERT_FALSE(events.empty());
  EXPECT_TRUE(isControl(events.back(), 2));
  for (std::size_t i = 0; i + 1 < events.size(); ++i) {
    EXPECT_TRUE(isControl(events[i], 1)) << "typing reports the field itself";
  }
  EXPECT_TRUE(static_cast<QPushButton*>(platform.controlWidget(2))->isDefault());
}

TEST_F(Controls, TabWalksFocusableEnabledControlsInCreationOrderAndWraps) {
  add(control(1, ControlKind::GroupFrame, 5, 5, 390, 290, "Rahmen"));
  add(button(10, 10, 20));
  add(control(11, ControlKind::StaticText, 90, 20, 50, 20, "Text"));
  add(ranged(control(12, ControlKind::Slider, 10, 50, 200, 20), 0, 10, 5));
  add(button(13, 220, 50));
  add(ranged(control(14, ControlKind::CheckBox, 10, 80, 100, 20, "Box"), 0, 0, 0));
  add(control(15, ControlKind::Image, 300, 80, 50, 50));
  add(ranged(control(16, ControlKind::SpinBox, 10, 110, 57, 20), 1, 120, 60));
  add(control(17, ControlKind::PasswordField, 10, 140, 200, 20));
  add(button(18, 10, 170));
  platform.setEnabled(13, false);
  QWidget* top = platform.windowWidget(window);
  top->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(top));
  platform.setFocus(10);
  const auto focused = [this]() -> int {
    for (const int id : {10, 12, 13, 14, 16, 17, 18}) {
      if (platform.controlWidget(id)->hasFocus()) {
        return id;
      }
    }
    return 0;
  };
  ASSERT_EQ(focused(), 10);
  std::vector<int> forward;
  for (int i = 0; i < 6; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    forward.push_back(focused());
  }
  EXPECT_EQ(forward, (std::vector<int>{12, 14, 16, 17, 18, 10}));
  std::vector<int> backward;
  for (int i = 0; i < 2; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
    backward.push_back(focused());
  }
  EXPECT_EQ(backward, (std::vector<int>{18, 17}));
}

TEST_F(Controls, ImageControlTakesThePictureSize) {
  EXPECT_TRUE(platform.loadImage(0, bmpOfSize(140, 59)));
  ControlSpec logo = control(90, ControlKind::Image, 225, 200, 50, 50);
  logo.imageNumber = 0;
  add(logo);
  EXPECT_EQ(platform.controlWidget(90)->geometry(), QRect(225, 200, 140, 59));
  EXPECT_FALSE(static_cast<QLabel*>(platform.controlWidget(90))->pixmap().isNull());

  logo.id = 91;
  logo.imageNumber = 4;  // nothing loaded there
  add(logo);
  EXPECT_EQ(platform.controlWidget(91)->geometry(), QRect(225, 200, 50, 50));
  EXPECT_TRUE(static_cast<QLabel*>(platform.controlWidget(91))->pixmap().isNull());

  const std::vector<std::uint8_t> junk(100, 0x42);
  EXPECT_FALSE(platform.loadImage(0, junk));
  EXPECT_FALSE(platform.loadImage(1, {}));
  logo.id = 92;
  logo.imageNumber = 0;  // a failed load leaves no picture behind
  add(logo);
  EXPECT_EQ(platform.controlWidget(92)->size(), QSize(50, 50));
}

TEST_F(Controls, WindowFramesSizeTitleAndPlace) {
  struct Case {
    FrameKind frame;
    bool closeBox;
    bool minimiseBox;
  };
  for (const Case& c :
       {Case{FrameKind::TitleOnly, false, false}, Case{FrameKind::SystemMenu, true, false},
        Case{FrameKind::SystemMenuMinimise, true, true}}) {
    const WindowId id = platform.openWindow(590, 510, "DEMO-Tastomat V1.4", c.frame);
    const QWidget* widget = platform.windowWidget(id);
    SCOPED_TRACE(static_cast<int>(c.frame));
    const Qt::WindowFlags flags = widget->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowTitleHint);
    EXPECT_EQ(static_cast<bool>(flags & Qt::WindowCloseButtonHint), c.closeBox);
    EXPECT_EQ(static_cast<bool>(flags & Qt::WindowMinimizeButtonHint), c.minimiseBox);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowContextHelpButtonHint);
    EXPECT_EQ(widget->windowTitle(), QString("DEMO-Tastomat V1.4"));
    EXPECT_EQ(widget->size(), QSize(590, 510));
    EXPECT_EQ(widget->minimumSize(), widget->maximumSize());
    const QPoint centre = QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE((widget->geometry().center() - centre).manhattanLength(), 2);
    platform.closeWindow(id);
  }
  EXPECT_EQ(platform.openWindow(0, 10, "leer", FrameKind::SystemMenu), noWindow);
}

TEST_F(Controls, WindowIconFromMemory) {
  platform.setWindowIcon(window, std::vector<std::uint8_t>(40, 0x13));
  EXPECT_TRUE(platform.windowWidget(window)->windowIcon().isNull());
  platform.setWindowIcon(window, bmpOfSize(47, 37));
  EXPECT_FALSE(platform.windowWidget(window)->windowIcon().isNull());
}

TEST_F(Controls, ShutdownClosesEverything) {
  add(button(10, 10, 10));
  platform.armTimer(window, 1, 10);
  QTest::mouseClick(platform.controlWidget(10), Qt::LeftButton);
  platform.shutdown();
  EXPECT_EQ(platform.windowWidget(window), nullptr);
  EXPECT_EQ(platform.controlWidget(10), nullptr);
  EXPECT_EQ(platform.waitEvent(50).kind, EventKind::None);
  platform.shutdown();
}

}  // namespace
}  // namespace tastomat
