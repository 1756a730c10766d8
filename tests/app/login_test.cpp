// SPDX-License-Identifier: MIT
// The login dialog's logic over the scripted platform.
#include "app/login.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/scripted/scripted_platform.h"

namespace tastomat {
namespace {

using testing::ScriptedPlatform;

const std::string loginTitle = "AVR-NET-IO: Passwortabfrage";
const std::string wrongMessage =
    "messageBox 'AVR-NET-IO: Problem' 'Es wurde ein falsches Passwort eingegeben!   \r\r Ein "
    "Neustart des Programms ist erforderlich!'";

// One user step: optionally type into the field, then the event.
struct Step {
  enum Kind { Anmelden, Abbrechen, FieldEvent, Close, Nothing, Other } kind;
  const char* typed = nullptr;  // nullptr: leave the field as it is
};

void play(ScriptedPlatform& p, const std::vector<Step>& steps) {
  for (const auto& step : steps) {
    auto before = [typed = step.typed](ScriptedPlatform& sp) {
      if (typed != nullptr) {
        sp.userSetText(loginControl::passwordField, typed);
      }
    };
    switch (step.kind) {
      case Step::Anmelden:
        p.pushControl(loginControl::loginButton, before);
        break;
      case Step::Abbrechen:
        p.pushControl(loginControl::cancelButton, before);
        break;
      case Step::FieldEvent:
        p.pushControl(loginControl::passwordField, before);
        break;
      case Step::Close:
        p.push(Event{EventKind::CloseRequest}, before);
        break;
      case Step::Nothing:
        p.push(Event{EventKind::None}, before);
        break;
      case Step::Other:
        p.push(Event{EventKind::Other}, before);
        break;
    }
  }
}

struct LoginCase {
  const char* name;
  std::vector<Step> steps;
  bool succeeds;
  bool message;
  int waits;  // events taken: shows where the dialog stopped listening
};

TEST(Login, OutcomesTable) {
  const LoginCase cases[] = {
      {"correct", {{Step::Anmelden, "pfau"}}, true, false, 1},
      {"wrong case", {{Step::Anmelden, "PFAU"}}, false, true, 1},
      {"space before", {{Step::Anmelden, " pfau"}}, false, true, 1},
      {"space after", {{Step::Anmelden, "pfau "}}, false, true, 1},
      {"prefix only", {{Step::Anmelden, "pfa"}}, false, true, 1},
      {"empty Anmelden changes nothing",
       {{Step::Anmelden, ""}, {Step::Nothing}, {Step::Anmelden, "pfau"}},
       true,
       false,
       3},
      {"typed, field and other events, never submitted, then close",
       {{Step::FieldEvent, "pfau"}, {Step::Other}, {Step::Nothing}, {Step::Close}},
       false,
       false,
       4},
      {"Abbrechen after typing", {{Step::Abbrechen, "pfau"}}, false, false, 1},
      {"close request", {{Step::Close}}, false, false, 1},
      {"close request with the right text typed", {{Step::Close, "pfau"}}, false, false, 1},
      {"only the first non-empty submission counts",
       {{Step::Anmelden, "falsch"}, {Step::Anmelden, "pfau"}},
       false,
       true,
       1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedPlatform p;
    play(p, c.steps);
    bool dialogOpenAtMessage = false;
    p.onMessageBox = [&](ScriptedPlatform& sp, const std::string&, const std::string&) {
      dialogOpenAtMessage = sp.topWindow() != nullptr && sp.topWindow()->title == loginTitle;
    };

    EXPECT_EQ(runLogin(p), c.succeeds);
    EXPECT_EQ(p.waits, c.waits);
    const auto messages = p.callsStartingWith("messageBox");
    if (c.message) {
      ASSERT_EQ(messages.size(), 1u);
      EXPECT_EQ(messages[0], wrongMessage);
      EXPECT_TRUE(dialogOpenAtMessage);
    } else {
      EXPECT_TRUE(messages.empty());
    }
    // The dialog is gone whatever the outcome, and closed last.
    EXPECT_EQ(p.calls.back(), "closeWindow '" + loginTitle + "'");
    EXPECT_EQ(p.topWindow(), nullptr);
  }
}

TEST(Login, DialogLayoutFocusAndWait) {
  ScriptedPlatform p;
  p.pushClose();
  runLogin(p);

  const std::vector<std::string> expected{
      "openWindow 250x70 '" + loginTitle + "' SystemMenu",
      "addControl 1",
      "addControl 2",
      "addControl 3",
      "setFocus 1",
      "waitEvent 500",
      "closeWindow '" + loginTitle + "'",
  };
  EXPECT_EQ(p.calls, expected);

  struct Want {
    int id;
    ControlKind kind;
    int x, y, w, h;
    const char* text;
    bool isDefault;
  };
  const Want wants[] = {
      {1, ControlKind::PasswordField, 10, 10, 230, 20, "", false},
      {2, ControlKind::PushButton, 50, 40, 60, 20, "Anmelden", true},
      {3, ControlKind::PushButton, 140, 40, 60, 20, "Abbrechen", false},
  };
  const auto& controls = p.window(1)->controls;
  for (const auto& w : wants) {
    SCOPED_TRACE(w.id);
    const ControlSpec& s = controls.at(w.id).spec;
    EXPECT_EQ(s.kind, w.kind);
    EXPECT_EQ((std::vector{s.x, s.y, s.w, s.h}), (std::vector{w.x, w.y, w.w, w.h}));
    EXPECT_EQ(s.text, w.text);
    EXPECT_EQ(s.defaultButton, w.isDefault);
  }
}

TEST(Login, NoDialogMeansNoLogin) {
  ScriptedPlatform p;
  p.windowsOpen = false;
  EXPECT_FALSE(runLogin(p));
  EXPECT_EQ(p.waits, 0);
}

}  // namespace
}  // namespace tastomat
