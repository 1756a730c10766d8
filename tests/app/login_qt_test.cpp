// SPDX-License-Identifier: MIT
// The login dialog on the real Qt platform, offscreen, typed into as a user does.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <optional>
#include <string>

#include "app/login.h"
#include "platform/qt/qt_platform.h"
#include "tests/support_qt/qt_test_app.h"

namespace tastomat {
namespace {

struct SeenBox {
  QString title;
  QString text;
  bool dialogVisible = false;
};

class LoginQt : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ensureQtApplication(); }

  // Runs the dialog; 'user' acts once it shows. A message box is noted and
  // acknowledged with OK.
  bool run(const std::function<void(QLineEdit*)>& user) {
    QTimer::singleShot(50, [this, user] {
      auto* field = qobject_cast<QLineEdit*>(platform.controlWidget(loginControl::passwordField));
      ASSERT_NE(field, nullptr);
      // The window's focus child; the window itself may not be active yet.
      focusWasInField = field->window()->focusWidget() == field;
      masked = field->echoMode() == QLineEdit::Password;
      user(field);
    });
    QTimer boxWatch;
    QObject::connect(&boxWatch, &QTimer::timeout, [this] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        auto* owner = box->parentWidget();
        box_ = SeenBox{box->windowTitle(), box->text(), owner != nullptr && owner->isVisible()};
        box->button(QMessageBox::Ok)->click();
      }
    });
    boxWatch.start(20);
    return runLogin(platform);
  }

  QWidget* control(int id) { return platform.controlWidget(id); }

  QtPlatform platform;
  std::optional<SeenBox> box_;
  bool focusWasInField = false;
  bool masked = false;
};

TEST_F(LoginQt, EnterInTheFieldSubmitsTheRightPassword) {
  EXPECT_TRUE(run([](QLineEdit* field) {
    QTest::keyClicks(field, "pfau");
    QTest::keyClick(field, Qt::Key_Return);
  }));
  EXPECT_FALSE(box_.has_value());
  EXPECT_TRUE(masked);
  EXPECT_TRUE(focusWasInField);
}

TEST_F(LoginQt, EmptyEnterChangesNothingThenAnmeldenByMouse) {
  EXPECT_TRUE(run([this](QLineEdit* field) {
    QTest::keyClick(field, Qt::Key_Return);
    QTimer::singleShot(600, [this, field] {  // past one 500 ms pass of the dialog
      QTest::keyClicks(field, "pfau");
      QTest::mouseClick(control(loginControl::loginButton), Qt::LeftButton);
    });
  }));
  EXPECT_FALSE(box_.has_value());
}

TEST_F(LoginQt, WrongCaseShowsTheMessageOverTheOpenDialog) {
  EXPECT_FALSE(run([](QLineEdit* field) {
    QTest::keyClicks(field, "PFAU");
    QTest::keyClick(field, Qt::Key_Return);
  }));
  ASSERT_TRUE(box_.has_value());
  EXPECT_EQ(box_->title, "AVR-NET-IO: Problem");
  EXPECT_EQ(box_->text,
            "Es wurde ein falsches Passwort eingegeben!   \n\n Ein Neustart des Programms ist "
            "erforderlich!");
  EXPECT_TRUE(box_->dialogVisible);
}

TEST_F(LoginQt, AbbrechenAndClosingEndWithoutMessage) {
  EXPECT_FALSE(run([this](QLineEdit* field) {
    QTest::keyClicks(field, "pfau");
    QTest::mouseClick(control(loginControl::cancelButton), Qt::LeftButton);
  }));
  EXPECT_FALSE(box_.has_value());

  EXPECT_FALSE(run([](QLineEdit* field) {
    QTest::keyClicks(field, "pfau");
    field->window()->close();
  }));
  EXPECT_FALSE(box_.has_value());
}

}  // namespace
}  // namespace tastomat
