// SPDX-License-Identifier: MIT
// The real main window and login dialog, offscreen: the widgets the program
// builds, read back from Qt, against the window as the user is meant to see it.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "app/login.h"
#include "media/media.h"
#include "panel/layout.h"
#include "platform/qt/qt_platform.h"
#include "tests/support_qt/qt_test_app.h"

namespace tastomat {
namespace {

enum class Kind { Frame, Text, Button, Slider, Check, Spin, Image };

constexpr Qt::Alignment left = Qt::AlignLeft;
constexpr Qt::Alignment centre = Qt::AlignHCenter;
constexpr Qt::Alignment right = Qt::AlignRight;

struct Row {
  int id;
  Kind kind;
  int x, y, w, h;
  std::string text;
  Qt::Alignment align;  // static texts and the spin box
  bool sunken;          // static texts
  std::string tooltip;
};

// The main window as it should look, from its layout tables; the logo row has
// the size it is created with.
std::vector<Row> expectedMainWindow() {
  std::vector<Row> rows = {
      {1, Kind::Frame, 10, 10, 280, 110, "Fernsteuerung 1 mit dem SystemCode XXX00", left, false,
       ""},
      {2, Kind::Frame, 300, 10, 280, 110, "Fernsteuerung 2 mit dem SystemCode XXX01", left, false,
       ""},
      {3, Kind::Frame, 10, 130, 280, 110, "Fernsteuerung 3 mit dem SystemCode XXX10", left, false,
       ""},
      {4, Kind::Frame, 300, 130, 280, 110, "Fernsteuerung 4 mit dem SystemCode XXX11", left, false,
       ""},
      {5, Kind::Frame, 10, 250, 210, 110, "Analoge Eingänge", left, false, ""},
      {6, Kind::Frame, 370, 250, 210, 110, "Digitale Eingänge", left, false, ""},
  };
  // Device n (1-16): y, name text (id, x), EIN button (id, x), AUS button (id, x).
  struct Device {
    int y, nameId, nameX, onId, onX, offId, offX;
  };
  constexpr Device devices[] = {
      {30, 8, 20, 47, 130, 51, 210},    {50, 9, 20, 48, 130, 52, 210},
      {70, 10, 20, 49, 130, 53, 210},   {90, 11, 20, 50, 130, 54, 210},
      {30, 12, 310, 55, 420, 59, 500},  {50, 13, 310, 56, 420, 60, 500},
      {70, 14, 310, 57, 420, 61, 500},  {90, 15, 310, 58, 420, 62, 500},
      {150, 16, 20, 63, 130, 67, 210},  {170, 17, 20, 64, 130, 68, 210},
      {190, 18, 20, 65, 130, 69, 210},  {210, 19, 20, 66, 130, 70, 210},
      {150, 20, 310, 71, 420, 75, 500}, {170, 21, 310, 72, 420, 76, 500},
      {190, 22, 310, 73, 420, 77, 500}, {210, 23, 310, 74, 420, 78, 500},
  };
  int number = 0;
  for (const Device& d : devices) {
    char name[16];
    std::snprintf(name, sizeof name, "Device %02d", ++number);
    const std::string device = name;
    rows.push_back({d.nameId, Kind::Text, d.nameX, d.y, 100, 20, device, left, true, ""});
    rows.push_back({d.onId, Kind::Button, d.onX, d.y, 70, 20, "EIN", centre, false,
                    "EIN-Schalter für '" + device + "'"});
    rows.push_back({d.offId, Kind::Button, d.offX, d.y, 70, 20, "AUS", centre, false,
                    "AUS-Schalter für '" + device + "'"});
  }
  const std::vector<Row> rest = {
      {79, Kind::Button, 10, 390, 200, 20, "Fernsteuerung 1 'Alle Steckdosen EIN'", centre, false,
       "Mit einem Klick alle Steckdosen von Fernsteuerung 1 einschalten"},
      {80, Kind::Button, 10, 410, 200, 20, "Fernsteuerung 2 'Alle Steckdosen EIN'", centre, false,
       "Mit einem Klick alle Steckdosen von Fernsteuerung 2 einschalten"},
      {81, Kind::Button, 10, 430, 200, 20, "Fernsteuerung 3 'Alle Steckdosen EIN'", centre, false,
       "Mit einem Klick alle Steckdosen von Fernsteuerung 3 einschalten"},
      {82, Kind::Button, 10, 450, 200, 20, "Fernsteuerung 4 'Alle Steckdosen EIN'", centre, false,
       "Mit einem Klick alle Steckdosen von Fernsteuerung 4 einschalten"},
      {83, Kind::Button, 380, 390, 200, 20, "Fernsteuerung 1 'Alle Steckdosen AUS'", centre, false,
       "Mit einem Klick alle Steckdosen von Fernsteuerung 1 ausschalten"},
      {84, Kind::Button, 380, 410, 200, 20, "Fernsteuerung 2 'Alle Steckdosen AUS'", centre, false,
       "Mit einem Klick alle Steckdosen von Fernsteuerung 2 ausschalten"},
      {85, Kind::Button, 380, 430, 200, 20, "Fernsteuerung 3 'Alle Steckdosen AUS'", centre, false,
       "Mit einem Klick alle Steckdosen von Fernsteuerung 3 ausschalten"},
      {86, Kind::Button, 380, 450, 200, 20, "Fernsteuerung 4 'Alle Steckdosen AUS'", centre, false,
       "Mit einem Klick alle Steckdosen von Fernsteuerung 4 ausschalten"},
      {87, Kind::Button, 10, 480, 200, 20, "Fernsteuerung 1-4 'Alle Steckdosen EIN'", centre, false,
       "Mit einem Klick alle Steckdosen aller Fernsteuerungen einschalten"},
      {88, Kind::Button, 380, 480, 200, 20, "Fernsteuerung 1-4 'Alle Steckdosen AUS'", centre,
       false, "Mit einem Klick alle Steckdosen aller Fernsteuerungen ausschalten"},
      {91, Kind::Slider, 40, 365, 510, 20, "", left, false,
       "Schieber für die Dauer des 'Sendetastendrucks' in ms"},
      {44, Kind::Text, 10, 365, 30, 20, "250", centre, false, ""},
      {45, Kind::Text, 550, 365, 30, 20, "5000", centre, false, ""},
      {46, Kind::Text, 280, 380, 30, 20, "1250", centre, false, ""},
      {90, Kind::Image, 225, 400, 50, 50, "", left, false, ""},
      {92, Kind::Button, 225, 480, 140, 20, "Bastelwerk-Homepage", centre, false,
       "Hier gelangen Sie auf meine Webseite. Dort finden Sie noch weitere Elektronikprojekte und "
       "Programme!"},
      {93, Kind::Check, 230, 310, 130, 20, "Auto-Abfrage Eingänge ", left, false,
       "Automatische und zyklische Abfrage der Eingänge aktivieren"},
      {94, Kind::Spin, 250, 330, 57, 20, "60", right, false,
       "Wartezeit in Sekunden zwischen den automatischen und zyklischen Abfragen der Eingänge. "
       "Gültige Eingabewerte = 1...120"},
      {95, Kind::Text, 310, 335, 50, 20, "Sekunden", left, false, ""},
      {96, Kind::Text, 230, 335, 20, 20, "alle", left, false, ""},
      {89, Kind::Button, 230, 270, 130, 20, "EINGANGSABFRAGE", centre, false,
       "Analoge und digitale Eingangswerte aktuell abfragen"},
  };
  rows.insert(rows.end(), rest.begin(), rest.end());
  for (int k = 1; k <= 4; ++k) {
    const int y = 250 + 20 * k;
    const std::string nn = "0" + std::to_string(k);
    rows.push_back({31 + k, Kind::Text, 20, y, 100, 20, "Analogeingang " + nn, left, true, ""});
    rows.push_back({35 + k, Kind::Text, 121, y, 40, 20, "--.--", right, true, ""});
    rows.push_back({39 + k, Kind::Text, 162, y, 50, 20, "Volt", left, true, ""});
    rows.push_back({23 + k, Kind::Text, 380, y, 100, 20, "Digitaleingang " + nn, left, true, ""});
    rows.push_back({27 + k, Kind::Text, 480, y, 90, 20, "---", centre, true, ""});
  }
  return rows;
}

// Tab order of the main window: device buttons block by block, EIN column
// before AUS, the group buttons, then slider, home page, check box, spin box, query.
std::vector<int> expectedTabOrder() {
  std::vector<int> order;
  for (int id = 47; id <= 88; ++id) {
    order.push_back(id);
  }
  for (const int id : {91, 92, 93, 94, 89}) {
    order.push_back(id);
  }
  return order;
}

// What a tooltip shows to the user, whatever markup carries it.
std::string shownToolTip(const QWidget* widget) {
  QTextDocument document;
  document.setHtml(widget->toolTip());
  return document.toPlainText().toStdString();
}

std::string str(const QString& text) {
  return text.toStdString();
}

// Whether some pixel of the picture is close to the colour: text is drawn
// anti-aliased, but the cores of its strokes carry the pure colour.
bool showsColour(const QImage& image, const QColor& colour) {
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor pixel = image.pixelColor(x, y);
      if (std::abs(pixel.red() - colour.red()) < 60 &&
          std::abs(pixel.green() - colour.green()) < 60 &&
          std::abs(pixel.blue() - colour.blue()) < 60) {
        return true;
      }
    }
  }
  return false;
}

class MainWindow : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ensureQtApplication(); }

  // Opens the window as the program does: logo first, then window, icon, controls.
  void open(bool withLogo) {
    if (withLogo) {
      loadLogo(platform);
    }
    window = platform.openWindow(590, 510, "DEMO-Tastomat V1.4", FrameKind::SystemMenuMinimise);
    ASSERT_NE(window, noWindow);
    platform.setWindowIcon(window, programIcon());
    buildControls(platform, window, LayoutSettings{}, logoImageNumber);
  }

  QWidget* top() const { return platform.windowWidget(window); }
  QWidget* widget(int id) const { return platform.controlWidget(id); }

  // The main-window control that holds the keyboard focus, 0 if none.
  int focusedId() const {
    for (const int id : expectedTabOrder()) {
      if (widget(id)->hasFocus()) {
        return id;
      }
    }
    return 0;
  }

  // Presses the key on the focused widget n times; the ids the focus went to.
  std::vector<int> walk(Qt::Key key, Qt::KeyboardModifiers modifiers, std::size_t n) {
    std::vector<int> seen;
    for (std::size_t i = 0; i < n; ++i) {
      QTest::keyClick(QApplication::focusWidget(), key, modifiers);
      seen.push_back(focusedId());
    }
    return seen;
  }

  void activate() {
    top()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(top()));
  }

  QtPlatform platform;
  WindowId window = noWindow;
};

void checkRow(const Row& r, QWidget* w, QWidget* window) {
  SCOPED_TRACE("control " + std::to_string(r.id));
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->isVisible());
  EXPECT_TRUE(w->isEnabled());
  EXPECT_EQ(shownToolTip(w), r.tooltip);
  switch (r.kind) {
    case Kind::Frame: {
      auto* frame = qobject_cast<QGroupBox*>(w);
      ASSERT_NE(frame, nullptr);
      EXPECT_EQ(str(frame->title()), r.text);
      EXPECT_EQ(frame->focusPolicy(), Qt::NoFocus);
      break;
    }
    case Kind::Text:
    case Kind::Image: {
      auto* label = qobject_cast<QLabel*>(w);
      ASSERT_NE(label, nullptr);
      EXPECT_EQ(str(label->text()), r.text);
      EXPECT_EQ(label->alignment() & Qt::AlignHorizontal_Mask, r.align);
      EXPECT_EQ(label->frameShape(), r.sunken ? QFrame::Panel : QFrame::NoFrame);
      if (r.sunken) {
        EXPECT_EQ(label->frameShadow(), QFrame::Sunken);
      }
      EXPECT_EQ(label->focusPolicy(), Qt::NoFocus);
      if (r.kind == Kind::Text) {
        EXPECT_TRUE(label->pixmap().isNull());
      }
      break;
    }
    case Kind::Button: {
      auto* button = qobject_cast<QPushButton*>(w);
      ASSERT_NE(button, nullptr);
      EXPECT_EQ(str(button->text()), r.text);
      EXPECT_FALSE(button->isDefault());
      EXPECT_FALSE(button->isCheckable());
      break;
    }
    case Kind::Slider: {
      auto* slider = qobject_cast<QSlider*>(w);
      ASSERT_NE(slider, nullptr);
      EXPECT_EQ(slider->orientation(), Qt::Horizontal);
      EXPECT_EQ(slider->minimum(), 250);
      EXPECT_EQ(slider->maximum(), 5000);
      EXPECT_EQ(slider->value(), 1250);
      break;
    }
    case Kind::Check: {
      auto* box = qobject_cast<QCheckBox*>(w);
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(str(box->text()), r.text);
      EXPECT_FALSE(box->isChecked());
      EXPECT_FALSE(box->isTristate());
      EXPECT_EQ(box->layoutDirection(), Qt::LeftToRight);  // caption right of the box
      break;
    }
    case Kind::Spin: {
      auto* spin = qobject_cast<QSpinBox*>(w);
      ASSERT_NE(spin, nullptr);
      EXPECT_EQ(spin->minimum(), 1);
      EXPECT_EQ(spin->maximum(), 120);
      EXPECT_EQ(spin->value(), 60);
      EXPECT_EQ(str(spin->text()), r.text);
      EXPECT_EQ(spin->alignment() & Qt::AlignHorizontal_Mask, r.align);
      EXPECT_EQ(spin->buttonSymbols(), QAbstractSpinBox::UpDownArrows);
      break;
    }
  }
  // Nothing created later covers a control: a click at its centre reaches it.
  // (Frames are passive and hold other controls at their centres.)
  if (r.kind != Kind::Frame) {
    QWidget* hit = window->childAt(w->geometry().center());
    EXPECT_TRUE(hit == w || w->isAncestorOf(hit));
  }
}

TEST_F(MainWindow, EveryControlAsLaidOut) {
  open(true);
  const std::vector<Row> rows = expectedMainWindow();
  ASSERT_EQ(rows.size(), 95u);  // ids 1-6 and 8-96
  for (const Row& r : rows) {
    QWidget* w = widget(r.id);
    checkRow(r, w, top());
    if (w != nullptr && r.kind != Kind::Image) {
      EXPECT_EQ(w->geometry(), QRect(r.x, r.y, r.w, r.h)) << "control " << r.id;
    }
  }
  // The logo takes the size of its picture and stands right above the home-page button.
  auto* logo = static_cast<QLabel*>(widget(controlId::logo));
  EXPECT_EQ(logo->geometry(), QRect(225, 400, 140, 59));
  EXPECT_EQ(logo->pixmap().size(), QSize(140, 59));
  EXPECT_EQ(logo->geometry().left(), widget(controlId::homePageButton)->geometry().left());
  EXPECT_EQ(logo->width(), widget(controlId::homePageButton)->width());
  // Id 7 is the connection window's and no control of this one.
  EXPECT_EQ(widget(7), nullptr);
  EXPECT_EQ(widget(97), nullptr);
}

TEST_F(MainWindow, LogoWithoutPictureKeepsItsCreatedSize) {
  open(false);
  auto* logo = static_cast<QLabel*>(widget(controlId::logo));
  ASSERT_NE(logo, nullptr);
  EXPECT_EQ(logo->geometry(), QRect(225, 400, 50, 50));
  EXPECT_TRUE(logo->pixmap().isNull());
}

TEST_F(MainWindow, FixedWindowWithTitleIconAndNoMaximise) {
  open(true);
  const QWidget* w = top();
  EXPECT_EQ(str(w->windowTitle()), "DEMO-Tastomat V1.4");
  EXPECT_EQ(w->size(), QSize(590, 510));
  EXPECT_EQ(w->minimumSize(), QSize(590, 510));
  EXPECT_EQ(w->maximumSize(), QSize(590, 510));
  const Qt::WindowFlags flags = w->windowFlags();
  EXPECT_TRUE(flags & Qt::WindowTitleHint);
  EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_FALSE(w->windowIcon().isNull());
  EXPECT_TRUE(w->windowIcon().availableSizes().contains(QSize(47, 37)));
}

TEST_F(MainWindow, TabAndShiftTabWalkTheControlsInCreationOrder) {
  open(true);
  activate();
  const std::vector<int> order = expectedTabOrder();
  platform.setFocus(order.front());
  ASSERT_EQ(focusedId(), order.front());

  // Forwards once round: 48 ... 89, then back to 47.
  std::vector<int> forwards(order.begin() + 1, order.end());
  forwards.push_back(order.front());
  EXPECT_EQ(walk(Qt::Key_Tab, Qt::NoModifier, order.size()), forwards);

  // Backwards once round from 47: 89, 94, ..., 48, 47.
  const std::vector<int> backwards(order.rbegin(), order.rend());
  EXPECT_EQ(walk(Qt::Key_Tab, Qt::ShiftModifier, order.size()), backwards);

  // A disabled spin box (auto-query off) is skipped both ways.
  platform.setEnabled(controlId::pollIntervalSpin, false);
  platform.setFocus(controlId::autoQueryCheck);
  EXPECT_EQ(walk(Qt::Key_Tab, Qt::NoModifier, 2), (std::vector<int>{89, 47}));
  EXPECT_EQ(walk(Qt::Key_Tab, Qt::ShiftModifier, 2), (std::vector<int>{89, 93}));
}

TEST_F(MainWindow, SpinBoxKeepsTheIntervalWithinItsRange) {
  open(true);
  activate();
  const int spin = controlId::pollIntervalSpin;
  auto* edit = widget(spin)->findChild<QLineEdit*>();
  ASSERT_NE(edit, nullptr);
  // Replaces the field's text by typing, then leaves the field as a user does.
  const auto type = [&](const char* keys) {
    platform.setFocus(spin);
    edit->selectAll();
    QTest::keyClicks(edit, keys);
    QTest::keyClick(edit, Qt::Key_Return);
  };
  struct Case {
    const char* typed;
    int expected;
  };
  // A key that would take the text out of the range is refused as it is
  // typed ("500" stops at 50, a minus sign never shows); a number below the
  // range goes back to the last valid value when the field is left.
  for (const Case& c : {Case{"45", 45}, Case{"500", 50}, Case{"120", 120}, Case{"121", 12},
                        Case{"0", 12}, Case{"7", 7}, Case{"-5", 5}, Case{"abc", 5}}) {
    type(c.typed);
    EXPECT_EQ(platform.state(spin), c.expected) << "typed " << c.typed;
    EXPECT_EQ(platform.text(spin), std::to_string(c.expected)) << "typed " << c.typed;
  }
  // The arrow keys step by one and stop at the ends.
  platform.setState(spin, 119);
  EXPECT_EQ(walk(Qt::Key_Up, Qt::NoModifier, 1), std::vector<int>{spin});
  EXPECT_EQ(platform.state(spin), 120);
  QTest::keyClick(edit, Qt::Key_Up);
  EXPECT_EQ(platform.state(spin), 120);
  platform.setState(spin, 2);
  QTest::keyClick(edit, Qt::Key_Down);
  QTest::keyClick(edit, Qt::Key_Down);
  EXPECT_EQ(platform.state(spin), 1);
}

TEST_F(MainWindow, TextColourAndTextChangeIndependently) {
  open(true);
  struct Case {
    int id;
    Rgb colour;
    const char* text;
  };
  // As the input query shows a reading: values blue, open blue, closed red.
  for (const Case& c : {Case{36, blue, "2,50"}, Case{39, blue, "--.--"}, Case{28, blue, "OFFEN"},
                        Case{29, red, "GESCHLOSSEN"}}) {
    SCOPED_TRACE(c.id);
    auto* label = qobject_cast<QLabel*>(widget(c.id));
    ASSERT_NE(label, nullptr);
    const std::string before = platform.text(c.id);
    const QColor colour(c.colour.r, c.colour.g, c.colour.b);
    platform.setTextColour(c.id, c.colour);
    EXPECT_EQ(platform.text(c.id), before);
    platform.setText(c.id, c.text);
    EXPECT_EQ(platform.text(c.id), c.text);
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
      EXPECT_EQ(label->palette().color(group, label->foregroundRole()), colour);
    }
    EXPECT_TRUE(showsColour(label->grab().toImage(), colour));
  }
  // The neighbours keep the default colour.
  const QColor standard = QApplication::palette().color(QPalette::WindowText);
  EXPECT_EQ(widget(37)->palette().color(QPalette::WindowText), standard);
  EXPECT_EQ(widget(32)->palette().color(QPalette::WindowText), standard);
}

TEST_F(MainWindow, UnknownIdsChangeNothing) {
  open(true);
  const auto snapshot = [this] {
    std::vector<std::string> all;
    for (int id = 1; id <= 96; ++id) {
      const QWidget* w = widget(id);
      all.push_back(platform.text(id) + "|" + std::to_string(platform.state(id)) + "|" +
                    (w != nullptr && w->isEnabled() ? "on" : "off") + "|" +
                    (w != nullptr ? str(w->palette().color(QPalette::WindowText).name()) : ""));
    }
    return all;
  };
  const auto before = snapshot();
  for (const int id : {0, 7, 97, -1, 100000}) {
    platform.setText(id, "x");
    platform.setTextColour(id, red);
    platform.setEnabled(id, false);
    platform.setState(id, 5);
    platform.setFocus(id);
    EXPECT_EQ(platform.state(id), 0) << id;
    EXPECT_EQ(platform.text(id), "") << id;
    EXPECT_EQ(widget(id), nullptr) << id;
  }
  EXPECT_EQ(snapshot(), before);
}

// The login dialog as runLogin builds it, looked at while it waits, then cancelled.
TEST(LoginWindow, ControlsAsLaidOut) {
  ensureQtApplication();
  QtPlatform platform;
  bool looked = false;
  QTimer::singleShot(50, [&] {
    looked = true;
    QWidget* field = platform.controlWidget(loginControl::passwordField);
    ASSERT_NE(field, nullptr);
    QWidget* dialog = field->window();
    EXPECT_EQ(str(dialog->windowTitle()), "AVR-NET-IO: Passwortabfrage");
    EXPECT_EQ(dialog->size(), QSize(250, 70));
    EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());
    const Qt::WindowFlags flags = dialog->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(dialog->focusWidget(), field);

    auto* edit = qobject_cast<QLineEdit*>(field);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->geometry(), QRect(10, 10, 230, 20));
    EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(edit->hasFrame());
    EXPECT_TRUE(edit->text().isEmpty());
    struct Button {
      int id;
      QRect geometry;
      const char* caption;
      bool isDefault;
    };
    for (const Button& b :
         {Button{loginControl::loginButton, {50, 40, 60, 20}, "Anmelden", true},
          Button{loginControl::cancelButton, {140, 40, 60, 20}, "Abbrechen", false}}) {
      auto* button = qobject_cast<QPushButton*>(platform.controlWidget(b.id));
      ASSERT_NE(button, nullptr) << b.id;
      EXPECT_EQ(button->geometry(), b.geometry) << b.id;
      EXPECT_EQ(str(button->text()), b.caption);
      EXPECT_EQ(button->isDefault(), b.isDefault) << b.id;
    }
    // A long entry scrolls inside the field instead of widening it.
    QTest::keyClicks(edit, QString(80, QLatin1Char('x')));
    EXPECT_EQ(edit->geometry(), QRect(10, 10, 230, 20));
    QTest::mouseClick(platform.controlWidget(loginControl::cancelButton), Qt::LeftButton);
  });
  EXPECT_FALSE(runLogin(platform));
  EXPECT_TRUE(looked);
}

}  // namespace
}  // namespace tastomat
