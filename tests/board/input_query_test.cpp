// SPDX-License-Identifier: MIT
// InputQuery: the analog text, the digital state rule, and the ten steps against a loopback board.
#include "board/input_query.h"

#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <locale>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "board/commands.h"
#include "loopback_board.h"

namespace tastomat {
namespace {

using test::LoopbackPeer;
using test::LoopbackServer;
using test::Received;

struct AnalogCase {
  std::string reply;
  std::string shown;
};

// Default settings: 0.0048828 V per count, rounded to 1/1000, four characters.
const std::vector<AnalogCase>& analogCases() {
  static const std::vector<AnalogCase> cases = {
      {"0", "0,00"},
      {"1", "0,00"},
      {"2", "0,01"},
      {"10", "0,04"},  // 0.049: the last decimal is cut, not rounded
      {"205", "1,00"},
      {"511", "2,49"},
      {"512", "2,50"},
      {"1023", "4,99"},
      {"1024", "5,00"},
      {"2048", "10,0"},
      {"20480", "100,"},
      {"512\r\n", "2,50"},
      {"51\r\n2", "2,50"},  // line ends go before the number is read
      {"512\r\n3\r\n", "25,0"},
      {"\r\n\r\n1023", "4,99"},
      {"511,7", "2,49"},  // a comma ends the number
      {"511.7", "2,49"},
      {"ERR", "0,00"},
      {"", "0,00"},
      {"-5", "-0,0"},  // the sign is one of the four characters
      {"-0", "0,00"},  // a negative zero shows without its sign
      {"-1", "-0,0"},  // -0.0048828 rounds away from zero to -0.005
      {" 512", "2,50"},
      {"\t\v\f 512", "2,50"},
      {"+512", "2,50"},
      {"512abc", "2,50"},
      {"5.12e2", "2,50"},
      {"5120E-1", "2,50"},
      {"512e", "2,50"},  // an exponent without digits is not part of the number
      {"512e+", "2,50"},
      {".5e3", "2,44"},
      {"512.", "2,50"},
      {".", "0,00"},
      {"-", "0,00"},
      {"+-512", "0,00"},
      {"0x200", "0,00"},  // no hexadecimal
      {"inf", "0,00"},    // no infinity or NaN words
      {"nan", "0,00"},
      {"INFINITY", "0,00"},
      {std::string("512\0"
                   "99",
                   6),
       "2,50"},  // a NUL byte ends the number, not the text
      {std::string("\0"
                   "512",
                   4),
       "0,00"},
      {"\xa0"
       "512",
       "0,00"},           // a byte above 127 is no white space
      {"1e300", "4882"},  // 309 integer digits: cut, no overflow of any buffer
      {"1e400", "inf"},   // past the range of double, as strtod reads it
      {"-1e400", "-inf"},
      {"1e-400", "0,00"},
      {"0.000000000000000000001e-400", "0,00"},
      {std::string(400, '9'), "inf"},
  };
  return cases;
}

TEST(AnalogText, DefaultSettingsTable) {
  for (const auto& c : analogCases()) {
    EXPECT_EQ(analogText(c.reply, 0.0048828, 1000, 4), c.shown) << '"' << c.reply << '"';
  }
}

TEST(AnalogText, OtherSettings) {
  struct Case {
    std::string reply;
    double factor;
    int scale;
    int chars;
    std::string shown;
  };
  const Case cases[] = {
      {"512", 0.0048828, 1000, 12, "2,5000000000"},
      {"512", 0.0048828, 1000, 100, "2,5000000000"},
      {"-512", 0.0048828, 1000, 100, "-2,5000000000"},
      {"512", 0.0048828, 1000, 0, ""},
      {"512", 0.0048828, 1000, -3, ""},
      {"512", 0.0048828, 10, 12, "2,5000000000"},
      {"511", 0.0048828, 100, 12, "2,5000000000"},  // 249.51 rounds up
      {"5", 0.1, 1, 12, "1,0000000000"},            // 0.5 rounds away from zero
      {"-5", 0.1, 1, 20, "-1,0000000000"},
      {"511", 0.0048828, -1000, 12, "2,4950000000"},
      {"511", 0.0048828, 0, 12, "2,4951108000"},  // no scale: no rounding
      {"512", 0.0, 1000, 12, "0,0000000000"},
      {"512", -0.0048828, 1000, 4, "-2,5"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(analogText(c.reply, c.factor, c.scale, c.chars), c.shown)
        << '"' << c.reply << "\" " << c.factor << ' ' << c.scale << ' ' << c.chars;
  }
}

// A C locale whose decimal point is ',' for the test's length: the system's
// German one if installed, else one compiled into a temporary folder from the
// system's locale sources (the `locales` package), else none.
class GermanCLocale {
 public:
  GermanCLocale() : before_(std::setlocale(LC_ALL, nullptr)) {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8"}) {
      if (std::setlocale(LC_ALL, name) != nullptr) {
        name_ = name;
        return;
      }
    }
    folder_ =
        std::filesystem::temp_directory_path() / ("tastomat-locale-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder_);
    const std::string command =
        "localedef -i de_DE -f UTF-8 '" + (folder_ / "de_DE.UTF-8").string() + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) == 0) {
      ::setenv("LOCPATH", folder_.c_str(), 1);
      if (std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr) {
        name_ = "de_DE.UTF-8, compiled for the test";
      }
    }
  }
  ~GermanCLocale() {
    std::setlocale(LC_ALL, before_.c_str());
    if (!folder_.empty()) {
      ::unsetenv("LOCPATH");
      std::error_code ignored;
      std::filesystem::remove_all(folder_, ignored);
    }
  }
  const std::string& name() const { return name_; }

 private:
  std::string before_;
  std::string name_;
  std::filesystem::path folder_;
};

// A numpunct facet with a decimal comma, for the C++ side of the locale.
struct CommaPunct : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
  char do_thousands_sep() const override { return '.'; }
  std::string do_grouping() const override { return "\3"; }
};

TEST(AnalogText, IgnoresTheProcessLocale) {
  const GermanCLocale german;
  // An unnamed C++ locale leaves the C locale as it is.
  const std::locale previous =
      std::locale::global(std::locale(std::locale::classic(), new CommaPunct));
  if (!german.name().empty()) {
    EXPECT_STREQ(std::localeconv()->decimal_point, ",") << german.name();
    EXPECT_EQ(std::strtod("2,5", nullptr), 2.5) << "strtod follows " << german.name();
  } else {
    std::cout << "no German C locale available: checking under the C++ locale only\n";
  }
  for (const auto& c : analogCases()) {
    EXPECT_EQ(analogText(c.reply, 0.0048828, 1000, 4), c.shown) << '"' << c.reply << '"';
  }
  EXPECT_EQ(analogText("1234567", 1.0, 1000, 100), "1234567,0000000000");  // no grouping
  std::locale::global(previous);
}

TEST(DigitalState, FirstCharacterDecides) {
  const std::string open = "OFFEN";
  const std::string closed = "GESCHLOSSEN";
  struct Case {
    std::string reply;
    std::string current;
    std::string state;
  };
  const Case cases[] = {
      {"1\r\n", "---", open},
      {"10", "---", open},
      {"1", "GESCHLOSSEN", open},
      {"0\r\n", "OFFEN", closed},
      {"", "OFFEN", closed},
      {" 1", "OFFEN", closed},
      {"\r\n1", "OFFEN", closed},
      {"\t1", "OFFEN", closed},
      {"+1", "OFFEN", closed},
      {"-1", "OFFEN", closed},
      {"$", "OFFEN", closed},
      {"%", "OFFEN", closed},
      {"x", "OFFEN", closed},
      {std::string("\0"
                   "1",
                   2),
       "OFFEN", closed},
      {"\xb9", "OFFEN", closed},  // superscript one in Latin-1: no digit
      {"\xff", "OFFEN", closed},
      {"2", "---", "---"},
      {"5", "OFFEN", "OFFEN"},
      {"7", "---", "---"},
      {"9\r\n", "GESCHLOSSEN", "GESCHLOSSEN"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(digitalStateFor(c.reply, c.current, open, closed), c.state)
        << '"' << c.reply << "\" from " << c.current;
  }
}

// Answers GETADC/GETPORT from four queues of scripted replies, one per command.
struct ScriptedReplies {
  std::vector<std::string> adc1, adc2, port1, port2;
  std::size_t next[4] = {0, 0, 0, 0};

  std::string operator()(const std::string& command) {
    std::vector<std::string>* queues[] = {&adc1, &adc2, &port1, &port2};
    const std::string_view commands[] = {getAdc1Command, getAdc2Command, getPort1Command,
                                         getPort2Command};
    for (std::size_t i = 0; i < 4; ++i) {
      if (command == commands[i] && next[i] < queues[i]->size()) {
        return (*queues[i])[next[i]++];
      }
    }
    return "?";
  }
};

struct QueryRig {
  ReplyArea analogReplies{};
  ReplyArea digitalReplies{};
  InputDisplay display;
  QuerySettings settings;
  test::RecordingControls controls;

  void run(const BoardConnection* connection) {
    InputQuery query{connection, &analogReplies, &digitalReplies, &display, &settings};
    queryInputs(query, controls);
  }
};

std::vector<std::string> expectedCalls(const std::string& a1, const std::string& a2,
                                       const std::string& colour28, const std::string& d1,
                                       const std::string& colour29, const std::string& d2) {
  return {"colour 36 0,0,255", "colour 37 0,0,255",     "colour 38 0,0,255",
          "colour 39 0,0,255", "text 36 " + a1,         "text 37 " + a2,
          "text 38 --.--",     "text 39 --.--",         "colour 28 " + colour28,
          "text 28 " + d1,     "colour 29 " + colour29, "text 29 " + d2};
}

const std::string blueText = "0,0,255";
const std::string redText = "255,0,0";

TEST(InputQuery, TenStepsInOrder) {
  std::vector<Received> log;
  ScriptedReplies replies;
  replies.adc1 = {"1023", "512\r\n"};
  replies.adc2 = {"5", "0"};
  replies.port1 = {"1\r\n", "7"};
  replies.port2 = {"0\r\n", "5"};
  LoopbackServer server(test::answering(log, std::ref(replies)));
  BoardConnection connection = test::connectTo(server);
  QueryRig rig;

  rig.run(&connection);
  // A shorter second reply shows only its own digits, though it lands in the same area.
  EXPECT_EQ(rig.controls.calls,
            expectedCalls("4,99", "0,02", blueText, "OFFEN", redText, "GESCHLOSSEN"));

  rig.controls.calls.clear();
  rig.run(&connection);
  // Digits 2 to 9 keep what the row showed, now in blue.
  EXPECT_EQ(rig.controls.calls,
            expectedCalls("2,50", "0,00", blueText, "OFFEN", redText, "GESCHLOSSEN"));
  EXPECT_EQ(rig.display.digitalState[0], "OFFEN");
  EXPECT_EQ(rig.display.digitalState[1], "GESCHLOSSEN");
  EXPECT_EQ(rig.display.analogValue[2], "--.--");
  EXPECT_EQ(rig.display.digitalState[2], "---");

  closeConnection(connection);
  server.join();
  std::vector<std::string> commands;
  for (const auto& r : log) {
    commands.push_back(r.command);
  }
  const std::vector<std::string> oneQuery{std::string(getAdc1Command), std::string(getAdc2Command),
                                          std::string(getPort1Command),
                                          std::string(getPort2Command)};
  std::vector<std::string> twoQueries = oneQuery;
  twoQueries.insert(twoQueries.end(), oneQuery.begin(), oneQuery.end());
  EXPECT_EQ(commands, twoQueries);
}

TEST(InputQuery, KeepsDigitalStateOnDigitsTwoToNine) {
  std::vector<Received> log;
  ScriptedReplies replies;
  replies.adc1 = {"0"};
  replies.adc2 = {"0"};
  replies.port1 = {"7"};
  replies.port2 = {"2\r\n"};
  LoopbackServer server(test::answering(log, std::ref(replies)));
  BoardConnection connection = test::connectTo(server);
  QueryRig rig;
  rig.run(&connection);
  EXPECT_EQ(rig.controls.calls, expectedCalls("0,00", "0,00", blueText, "---", blueText, "---"));
  closeConnection(connection);
}

TEST(InputQuery, EmptyRepliesShowZeroAndClosed) {
  const auto expected =
      expectedCalls("0,00", "0,00", redText, "GESCHLOSSEN", redText, "GESCHLOSSEN");
  {
    LoopbackServer server([](LoopbackPeer& peer) { peer.close(); });
    BoardConnection connection = test::connectTo(server);
    server.join();
    QueryRig rig;
    rig.analogReplies.fill('9');  // old bytes are not part of an empty reply
    rig.digitalReplies.fill('1');
    rig.run(&connection);
    EXPECT_EQ(rig.controls.calls, expected);
    closeConnection(connection);
  }
  {
    QueryRig rig;
    rig.run(nullptr);  // reached the window without a connection
    EXPECT_EQ(rig.controls.calls, expected);
  }
  {
    test::RecordingControls controls;
    InputQuery nothing;  // every part missing: still no crash
    queryInputs(nothing, controls);
    EXPECT_EQ(controls.calls, expected);
  }
}

TEST(InputQuery, WaitsTheReplyDelayBeforeEachRead) {
  std::vector<Received> log;
  LoopbackServer server(test::answering(log, [](const std::string&) { return "1"; }));
  BoardConnection connection = test::connectTo(server);
  QueryRig rig;
  rig.settings.replyDelayMs = 40;
  const auto start = test::Clock::now();
  rig.run(&connection);
  EXPECT_GE(test::msSince(start), 4 * 40);
  EXPECT_EQ(rig.display.analogValue[0], "0,00");
  EXPECT_EQ(rig.display.digitalState[0], "OFFEN");
  closeConnection(connection);
}

}  // namespace
}  // namespace tastomat
