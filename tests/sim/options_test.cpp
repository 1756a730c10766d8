// SPDX-License-Identifier: MIT
// boardsim's command line and control file: values, faults, and the loopback-only rule.
#include "sim/options.h"
#include "sim/event_log.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tastomat::sim {
namespace {

using namespace std::string_literals;

TEST(Options, ListensOnLoopbackOnly) {
  for (const char* address : {"127.0.0.1", "127.1.2.3", "127.255.255.254"}) {
    EXPECT_EQ(parseCommandLine({"--listen", address}).error, "") << address;
  }
  for (const char* address :
       {"192.168.1.90", "10.0.0.1", "0.0.0.0", "128.0.0.1", "localhost", "::1", "127.0.0", ""}) {
    EXPECT_NE(parseCommandLine({"--listen", address}).error, "") << address;
  }
}

TEST(Options, ReadsValuesAndFaults) {
  const CommandLine line =
      parseCommandLine({"--adc1", "512", "--port1=1", "--silent", "--close-after", "2", "--split",
                        "--oversize", "150", "--backlog-full", "--adc1", "600"});
  ASSERT_EQ(line.error, "");
  EXPECT_EQ(line.options.inputs.adc1, 600);  // the last one wins
  EXPECT_EQ(line.options.inputs.port1, 1);
  EXPECT_TRUE(line.options.faults.silent);
  EXPECT_EQ(line.options.faults.closeAfter, 2);
  EXPECT_EQ(line.options.faults.resetAfter, -1);
  EXPECT_TRUE(line.options.faults.split);
  EXPECT_EQ(line.options.faults.oversize, 150);
  EXPECT_TRUE(line.options.faults.noAccept);  // a full backlog is never accepted either
}

TEST(Options, RefusesBadCommandLines) {
  const std::vector<std::vector<std::string>> cases = {
      {"--adc1"}, {"--adc1", "x"},     {"--port1", "2"}, {"--bogus"},
      {"adc1"},   {"--port", "70000"}, {"--adc1", "5x"}, {"--max-seconds", "0"},
  };
  for (const auto& args : cases) {
    EXPECT_NE(parseCommandLine(args).error, "") << args[0];
  }
  EXPECT_TRUE(parseCommandLine({"--help"}).helpWanted);
}

TEST(Options, ControlTextTakesOnlyLiveSettings) {
  SimOptions options;
  const ControlResult result =
      applyControlText(options,
                       "adc1=900\n# comment\n\n port2 = 1 \r\nsilent=1\nport=5\nbogus\nadc2=abc\n"
                       "delay-ms=30");
  EXPECT_EQ(result.applied,
            (std::vector<std::string>{"adc1=900", "port2=1", "silent=1", "delay-ms=30"}));
  EXPECT_EQ(result.errors.size(), 3u);
  EXPECT_EQ(options.inputs.adc1, 900);
  EXPECT_EQ(options.inputs.port2, 1);
  EXPECT_TRUE(options.faults.silent);
  EXPECT_EQ(options.faults.delayMs, 30);
  EXPECT_EQ(options.port, 0);
}

TEST(EventLog, EscapesSoCommandsAndEventsNeverMix) {
  EXPECT_EQ(escapeBytes("setport 7.1"), "setport 7.1");
  EXPECT_EQ(escapeBytes("#connect"), "\\x23connect");
  EXPECT_EQ(escapeBytes("a#b"), "a#b");
  EXPECT_EQ(escapeBytes("\0\x7f\xff\\\r\n"s), "\\x00\\x7F\\xFF\\x5C\\x0D\\x0A");
  EXPECT_EQ(commandLogText({"GETADC 1", Terminator::CrLf, 0}), "GETADC 1\\x0D\\x0A");
  EXPECT_EQ(commandLogText({"AB", Terminator::Board, 7}), "AB\\...(+7 bytes)");
}

}  // namespace
}  // namespace tastomat::sim
