// SPDX-License-Identifier: MIT
// dispatch over a recording platform and a loopback board: the click, the
// setport commands, the buttons around each press, the pauses, the queries.
#include "panel/action_table.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <string>
#include <vector>

#include "tests/panel/ack_board.h"
#include "tests/scripted/scripted_platform.h"

namespace tastomat {
namespace {

using test::Timeline;

// Writes the calls that matter for the order of an action into the timeline.
class TimelinePlatform : public testing::ScriptedPlatform {
 public:
  explicit TimelinePlatform(Timeline& timeline) : timeline_(timeline) {}
  void setEnabled(int controlId, bool enabled) override {
    ScriptedPlatform::setEnabled(controlId, enabled);
    timeline_.add(calls.back());
  }
  void playSound(int number) override {
    ScriptedPlatform::playSound(number);
    timeline_.add(calls.back());
  }
  void openUrl(const std::string& url) override {
    ScriptedPlatform::openUrl(url);
    timeline_.add(calls.back());
  }

 private:
  Timeline& timeline_;
};

std::vector<std::string> setports(const std::string& arguments) {
  std::vector<std::string> out;
  std::istringstream in(arguments);
  for (std::string a; in >> a;) {
    out.push_back("setport " + a);
  }
  return out;
}

const std::vector<std::string> queryCommands = {"GETADC 1", "GETADC 2", "GETPORT 1", "GETPORT 2"};

// One press as the timeline shows it: the button greyed around its commands.
std::vector<std::string> pressOf(int button, const std::string& arguments) {
  std::vector<std::string> out{"setEnabled " + std::to_string(button) + " 0"};
  const auto commands = setports(arguments);
  out.insert(out.end(), commands.begin(), commands.end());
  out.push_back("setEnabled " + std::to_string(button) + " 1");
  return out;
}

void append(std::vector<std::string>& to, const std::vector<std::string>& more) {
  to.insert(to.end(), more.begin(), more.end());
}

class Dispatch : public ::testing::Test {
 protected:
  Dispatch() : board(timeline), platform(timeline) {
    auto opened = openConnection("127.0.0.1", board.port(), 2000, 3000);
    if (opened) {
      connection = *opened;
    }
    query.connection = &connection;
    query.analogReplies = &analogReplies;
    query.digitalReplies = &digitalReplies;
    query.display = &display;
    query.settings = &querySettings;
  }
  ~Dispatch() override { closeConnection(connection); }

  void SetUp() override { ASSERT_GE(connection.socket, 0) << "no connection to the test board"; }

  void run(int controlId) {
    ActionContext context{platform, connection,  pressReplies,   query,
                          click,    halfPressMs, pressDurationMs};
    dispatch(controlId, context);
    timeline.add("returned");
  }

  // The timeline without the "returned" marks.
  std::vector<std::string> events() const {
    std::vector<std::string> out;
    for (const std::string& text : timeline.texts()) {
      if (text != "returned") {
        out.push_back(text);
      }
    }
    return out;
  }

  Timeline timeline;
  test::AckBoard board;
  TimelinePlatform platform;
  BoardConnection connection;
  ReplyArea pressReplies{};
  ReplyArea analogReplies{};
  ReplyArea digitalReplies{};
  InputDisplay display;
  QuerySettings querySettings;
  InputQuery query;
  ClickSound click{1, 1};
  int halfPressMs = 10;
  int pressDurationMs = 20;
};

TEST_F(Dispatch, Device06OnClicksPressesAndQueries) {
  run(56);
  std::vector<std::string> expected{"playSound 0"};
  append(expected, pressOf(56, "7.1 8.0 1.1 4.1 4.0 1.0 7.0 8.0"));
  append(expected, queryCommands);
  EXPECT_EQ(events(), expected);
  EXPECT_EQ(board.leftover(), "");
  // The query wrote its displays after the press.
  EXPECT_EQ(platform.callsStartingWith("setText 36").size(), 1u);
}

// Every single-key entry: its own button, then the commands of its remote
// control (7.0 / 7.1), row (1 EIN / 2 AUS) and channel output (3..6).
TEST_F(Dispatch, EverySingleKeyEntry) {
  const std::vector<std::pair<int, std::string>> cases = {
      {47, "7.0 8.0 1.1 3.1 3.0 1.0 7.0 8.0"}, {48, "7.0 8.0 1.1 4.1 4.0 1.0 7.0 8.0"},
      {49, "7.0 8.0 1.1 5.1 5.0 1.0 7.0 8.0"}, {50, "7.0 8.0 1.1 6.1 6.0 1.0 7.0 8.0"},
      {51, "7.0 8.0 2.1 3.1 3.0 2.0 7.0 8.0"}, {52, "7.0 8.0 2.1 4.1 4.0 2.0 7.0 8.0"},
      {53, "7.0 8.0 2.1 5.1 5.0 2.0 7.0 8.0"}, {54, "7.0 8.0 2.1 6.1 6.0 2.0 7.0 8.0"},
      {55, "7.1 8.0 1.1 3.1 3.0 1.0 7.0 8.0"}, {56, "7.1 8.0 1.1 4.1 4.0 1.0 7.0 8.0"},
      {57, "7.1 8.0 1.1 5.1 5.0 1.0 7.0 8.0"}, {58, "7.1 8.0 1.1 6.1 6.0 1.0 7.0 8.0"},
      {59, "7.1 8.0 2.1 3.1 3.0 2.0 7.0 8.0"}, {60, "7.1 8.0 2.1 4.1 4.0 2.0 7.0 8.0"},
      {61, "7.1 8.0 2.1 5.1 5.0 2.0 7.0 8.0"}, {62, "7.1 8.0 2.1 6.1 6.0 2.0 7.0 8.0"},
  };
  halfPressMs = 0;
  pressDurationMs = 0;
  for (const auto& [id, arguments] : cases) {
    timeline.clear();
    run(id);
    std::vector<std::string> expected{"playSound 0"};
    append(expected, pressOf(id, arguments));
    append(expected, queryCommands);
    EXPECT_EQ(events(), expected) << "control " << id;
  }
}

struct GroupCase {
  int id;
  std::vector<std::pair<int, std::string>> presses;
  bool query;
};

const std::vector<GroupCase> groupCases = {
    {79,
     {{47, "7.0 8.0 1.1 3.1 3.0 1.0 7.0 8.0"},
      {48, "7.0 8.0 1.1 4.1 4.0 1.0 7.0 8.0"},
      {49, "7.0 8.0 1.1 5.1 5.0 1.0 7.0 8.0"},
      {50, "7.0 8.0 1.1 6.1 6.0 1.0 7.0 8.0"}},
     true},
    {80,
     {{55, "7.1 8.0 1.1 3.1 3.0 1.0 7.0 8.0"},
      {56, "7.1 8.0 1.1 4.1 4.0 1.0 7.0 8.0"},
      {57, "7.1 8.0 1.1 5.1 5.0 1.0 7.0 8.0"},
      {58, "7.1 8.0 1.1 6.1 6.0 1.0 7.0 8.0"}},
     true},
    {83,
     {{51, "7.0 8.0 2.1 3.1 3.0 2.0 7.0 8.0"},
      {52, "7.0 8.0 2.1 4.1 4.0 2.0 7.0 8.0"},
      {53, "7.0 8.0 2.1 5.1 5.0 2.0 7.0 8.0"},
      {54, "7.0 8.0 2.1 6.1 6.0 2.0 7.0 8.0"}},
     true},
    {84,
     {{59, "7.1 8.0 2.1 3.1 3.0 2.0 7.0 8.0"},
      {60, "7.1 8.0 2.1 4.1 4.0 2.0 7.0 8.0"},
      {61, "7.1 8.0 2.1 5.1 5.0 2.0 7.0 8.0"},
      {62, "7.1 8.0 2.1 6.1 6.0 2.0 7.0 8.0"}},
     true},
    {87,
     {{47, "7.0 8.0 1.1 3.1 3.0 1.0 7.0 8.0"},
      {48, "7.0 8.0 1.1 4.1 4.0 1.0 7.0 8.0"},
      {49, "7.0 8.0 1.1 5.1 5.0 1.0 7.0 8.0"},
      {50, "7.0 8.0 1.1 6.1 6.0 1.0 7.0 8.0"},
      {55, "7.1 8.0 1.1 3.1 3.0 1.0 7.0 8.0"},
      {56, "7.1 8.0 1.1 4.1 4.0 1.0 7.0 8.0"},
      {57, "7.1 8.0 1.1 5.1 5.0 1.0 7.0 8.0"},
      {58, "7.1 8.0 1.1 6.1 6.0 1.0 7.0 8.0"}},
     false},
    {88,
     {{51, "7.0 8.0 2.1 3.1 3.0 2.0 7.0 8.0"},
      {52, "7.0 8.0 2.1 4.1 4.0 2.0 7.0 8.0"},
      {53, "7.0 8.0 2.1 5.1 5.0 2.0 7.0 8.0"},
      {54, "7.0 8.0 2.1 6.1 6.0 2.0 7.0 8.0"},
      {59, "7.1 8.0 2.1 3.1 3.0 2.0 7.0 8.0"},
      {60, "7.1 8.0 2.1 4.1 4.0 2.0 7.0 8.0"},
      {61, "7.1 8.0 2.1 5.1 5.0 2.0 7.0 8.0"},
      {62, "7.1 8.0 2.1 6.1 6.0 2.0 7.0 8.0"}},
     false},
};

// One click, the device presses in order (each device's own button greyed,
// never the group button), the query only for a single remote control.
TEST_F(Dispatch, EveryGroupEntry) {
  halfPressMs = 0;
  pressDurationMs = 0;
  for (const GroupCase& c : groupCases) {
    timeline.clear();
    platform.calls.clear();
    run(c.id);
    std::vector<std::string> expected{"playSound 0"};
    for (const auto& [button, arguments] : c.presses) {
      append(expected, pressOf(button, arguments));
    }
    if (c.query) {
      append(expected, queryCommands);
    }
    EXPECT_EQ(events(), expected) << "control " << c.id;
    EXPECT_TRUE(platform.callsStartingWith("setEnabled " + std::to_string(c.id)).empty());
    EXPECT_EQ(platform.callsStartingWith("setText").empty(), !c.query) << "control " << c.id;
  }
}

// Milliseconds from the n-th timeline entry equal to 'what' to the next entry.
double gapAfter(const std::vector<Timeline::Entry>& entries, std::size_t index) {
  return std::chrono::duration<double, std::milli>(entries[index + 1].at - entries[index].at)
      .count();
}

// After each press of a group comes a pause of halfPressMs, also after the
// last one: from the eighth command of a press to whatever follows it (the
// next press's first command, the query, or the end of the action). Within a
// press the eighth command has no pause, so without the group's pause the gap
// would be a loopback round trip.
TEST_F(Dispatch, GroupPausesHalfAPressAfterEveryPress) {
  halfPressMs = 20;
  pressDurationMs = 10;  // keeps the presses short; the half is set on its own here
  for (int id : {79, 87}) {
    timeline.clear();
    run(id);
    const auto entries = timeline.entries();
    int pauses = 0;
    for (std::size_t i = 0; i + 1 < entries.size(); ++i) {
      if (entries[i].what.rfind("setEnabled", 0) == 0 && entries[i].what.back() == '1') {
        // the button's enabling follows the eighth reply at once; the pause follows it
        EXPECT_GE(gapAfter(entries, i), halfPressMs - 1) << "control " << id << " at " << i;
        ++pauses;
      }
    }
    EXPECT_EQ(pauses, id == 79 ? 4 : 8);
    if (id == 79) {
      EXPECT_EQ(entries[entries.size() - 5].what, "GETADC 1");
    } else {
      EXPECT_EQ(entries[entries.size() - 2].what, "setEnabled 58 1");
    }
  }
}

TEST_F(Dispatch, QueryButtonClicksAndQueriesOnly) {
  run(89);
  std::vector<std::string> expected{"playSound 0"};
  append(expected, queryCommands);
  EXPECT_EQ(events(), expected);
  EXPECT_TRUE(platform.callsStartingWith("setEnabled").empty());
}

TEST_F(Dispatch, HomePageButtonClicksAndOpensTheAddress) {
  run(92);
  EXPECT_EQ(events(),
            (std::vector<std::string>{"playSound 0", "openUrl https://demo-tastomat.example/"}));
  EXPECT_EQ(homePageUrl.rfind("https://", 0), 0u);
}

TEST_F(Dispatch, ControlsWithoutActionDoNothingAtAll) {
  std::vector<int> ids;
  for (int id = 63; id <= 78; ++id) {
    ids.push_back(id);
  }
  // the remote controls 3 and 4 groups, logo, slider, check box, spin box,
  // passive texts and frames, and numbers that name no control
  for (int id :
       {81, 82, 85, 86, 90, 91, 93, 94, 1, 6, 8, 24, 28, 36, 44, 46, 95, 96, 0, 7, 97, -1, 1000}) {
    ids.push_back(id);
  }
  for (int id : ids) {
    run(id);
  }
  EXPECT_EQ(events(), std::vector<std::string>{}) << "something happened";
  EXPECT_EQ(platform.calls, std::vector<std::string>{});
}

// Without a working click, every action sends the same, only silently.
TEST_F(Dispatch, SilentClickChangesNothingElse) {
  halfPressMs = 0;
  pressDurationMs = 0;
  for (int id : {56, 79, 89, 92}) {
    click = ClickSound{1, 1};
    timeline.clear();
    run(id);
    auto withSound = events();
    ASSERT_FALSE(withSound.empty());
    ASSERT_EQ(withSound.front(), "playSound 0");
    withSound.erase(withSound.begin());
    for (const ClickSound silent : {ClickSound{0, 1}, ClickSound{1, 0}, ClickSound{0, 0}}) {
      click = silent;
      timeline.clear();
      run(id);
      EXPECT_EQ(events(), withSound) << "control " << id << " ready " << silent.soundReady
                                     << " enabled " << silent.clickSoundEnabled;
    }
  }
}

}  // namespace
}  // namespace tastomat
