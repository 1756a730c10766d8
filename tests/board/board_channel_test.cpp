// SPDX-License-Identifier: MIT
// BoardChannel against a scripted loopback server: replies, failures, time-outs, pauses.
#include "board/board_channel.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board/commands.h"
#include "board/wait_hook.h"
#include "loopback_board.h"
#include "syscall_spy.h"

namespace tastomat {
namespace {

using test::Clock;
using test::LoopbackPeer;
using test::LoopbackServer;
using test::msSince;

// Counts wait-hook calls and the longest gap between two of them.
struct HookProbe {
  static inline int calls = 0;
  static inline double longestGapMs = 0;
  static inline Clock::time_point last;
  static inline int extraWorkMs = 0;

  static void hook() {
    const auto now = Clock::now();
    if (calls > 0) {
      longestGapMs = std::max(longestGapMs, test::msBetween(last, now));
    }
    ++calls;
    if (extraWorkMs > 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(extraWorkMs));
    }
    last = Clock::now();
  }

  explicit HookProbe(int workMs = 0) {
    calls = 0;
    longestGapMs = 0;
    last = Clock::now();
    extraWorkMs = workMs;
    setWaitHook(&HookProbe::hook);
  }
  ~HookProbe() { setWaitHook(nullptr); }
};

// A socket bound to a loopback port that never listens: connects to it are refused.
struct RefusingPort {
  int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  std::uint16_t port = 0;
  RefusingPort() {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(socket, reinterpret_cast<sockaddr*>(&address), length);
    getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
  }
  ~RefusingPort() { close(socket); }
};

TEST(ReadReply, IsExactlyTheBytesOfOneReceive) {
  LoopbackServer server([](LoopbackPeer& peer) {
    peer.readCommand();
    peer.send("abc");
    peer.readCommand();
    peer.send(std::string(100, 'x') + std::string(50, 'y'));
    peer.readCommand();
    peer.send("51");  // one reply in two pieces
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    peer.send("2\r\n");
    peer.awaitClientClose();
  });
  BoardConnection connection = test::connectTo(server);
  ReplyArea area{};
  area.fill('#');  // an earlier, longer reply

  sendCommand(connection, getAdc1Command);
  const std::string_view shortReply = readReply(connection, area);
  EXPECT_EQ(shortReply, "abc");
  EXPECT_EQ(shortReply.data(), area.data());
  EXPECT_EQ(area[3], '#');

  sendCommand(connection, getAdc2Command);
  EXPECT_EQ(readReply(connection, area), std::string(100, 'x'));
  // The rest of a long reply is what the next read gets.
  EXPECT_EQ(readReply(connection, area), std::string(50, 'y'));

  sendCommand(connection, getPort1Command);
  EXPECT_EQ(readReply(connection, area), "51");
  EXPECT_EQ(readReply(connection, area), "2\r\n");

  closeConnection(connection);
  server.join();
}

TEST(ReadReply, KeepsNulAndHighBytes) {
  const std::string junk("\0\xff\r\n\x80z", 6);
  LoopbackServer server([&](LoopbackPeer& peer) {
    peer.send(junk);
    peer.awaitClientClose();
  });
  BoardConnection connection = test::connectTo(server);
  ReplyArea area{};
  EXPECT_EQ(readReply(connection, area), junk);
  closeConnection(connection);
}

TEST(ReadReply, EndOfStreamGivesEmptyRepliesAtOnce) {
  LoopbackServer server([](LoopbackPeer& peer) { peer.close(); });
  BoardConnection connection = test::connectTo(server, 10000);
  server.join();
  ReplyArea area{};
  const auto start = Clock::now();
  for (int i = 0; i < 3; ++i) {
    sendCommand(connection, getAdc1Command);
    EXPECT_TRUE(readReply(connection, area).empty());
  }
  EXPECT_LT(msSince(start), 2000);  // far below the 10 s reply time-out
  closeConnection(connection);
}

TEST(ReadReply, SilentBoardGivesEmptyReplyAfterTheTimeOut) {
  LoopbackServer server([](LoopbackPeer& peer) { peer.awaitClientClose(); });
  BoardConnection connection = test::connectTo(server, 200);
  HookProbe probe;
  ReplyArea area{};
  const auto start = Clock::now();
  EXPECT_TRUE(readReply(connection, area).empty());
  const double elapsed = msSince(start);
  EXPECT_GE(elapsed, 199);
  EXPECT_LT(elapsed, 1500);
  // The window is pumped throughout the wait.
  EXPECT_GE(probe.calls, 8);
  EXPECT_LT(probe.longestGapMs, 60);
  closeConnection(connection);
}

TEST(ReadReply, ResetConnectionNeitherRaisesSigpipeNorBlocks) {
  LoopbackServer server([](LoopbackPeer& peer) {
    peer.readCommand();
    peer.reset();
  });
  BoardConnection connection = test::connectTo(server, 10000);
  ReplyArea area{};
  sendCommand(connection, getAdc1Command);
  EXPECT_TRUE(readReply(connection, area).empty());
  server.join();
  // SIGPIPE keeps its default action here: a send without MSG_NOSIGNAL on the
  // dead socket would end the test executable.
  const auto start = Clock::now();
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(sendCommand(connection, setportCommand(7, 1)), -1);
    EXPECT_TRUE(readReply(connection, area).empty());
  }
  EXPECT_LT(msSince(start), 2000);
  closeConnection(connection);
}

TEST(ReadReply, NoConnectionGivesEmptyReplyAndFailedSend) {
  BoardConnection connection;  // never opened
  ReplyArea area{};
  area.fill('#');
  const auto start = Clock::now();
  EXPECT_TRUE(readReply(connection, area).empty());
  EXPECT_EQ(sendCommand(connection, getAdc1Command), -1);
  EXPECT_LT(msSince(start), 1000);
  closeConnection(connection);
  closeConnection(connection);  // twice is harmless
  EXPECT_EQ(connection.socket, -1);
}

TEST(BoardChannelSend, SendsTheWholeTextInOneSendAndNothingElse) {
  std::string received;
  LoopbackServer recorder([&](LoopbackPeer& peer) {
    for (std::string piece = peer.readSome(2000); !piece.empty(); piece = peer.readSome(2000)) {
      received += piece;
    }
  });
  BoardConnection connection = test::connectTo(recorder);
  test::resetSyscallCounts();
  EXPECT_EQ(sendCommand(connection, getPort2Command), 14);
  EXPECT_EQ(sendCommand(connection, setportCommand(4, 1)), 16);
  EXPECT_EQ(test::syscallCounts().sends, 2);
  closeConnection(connection);
  recorder.join();
  EXPECT_EQ(received, std::string(getPort2Command) + setportCommand(4, 1));
}

TEST(BoardChannelOpen, DottedAddressIsNeverLookedUpAndNamesAre) {
  LoopbackServer first([](LoopbackPeer& peer) { peer.awaitClientClose(); });
  test::resetSyscallCounts();
  auto byAddress = openConnection("127.0.0.1", first.port(), 2000, 3000);
  ASSERT_TRUE(byAddress.has_value());
  EXPECT_EQ(byAddress->replyTimeoutMs, 3000);
  EXPECT_EQ(test::syscallCounts().lookups, 0);
  // Commands go out at once (no Nagle delay); the socket blocks again.
  int noDelay = 0;
  socklen_t size = sizeof noDelay;
  ASSERT_EQ(getsockopt(byAddress->socket, IPPROTO_TCP, TCP_NODELAY, &noDelay, &size), 0);
  EXPECT_NE(noDelay, 0);
  EXPECT_EQ(fcntl(byAddress->socket, F_GETFL) & O_NONBLOCK, 0);
  closeConnection(*byAddress);

  LoopbackServer second([](LoopbackPeer& peer) { peer.awaitClientClose(); });
  test::resetSyscallCounts();
  EXPECT_TRUE(probeAddress("localhost", second.port()));
  auto byName = openConnection("localhost", second.port(), 2000, 3000);
  ASSERT_TRUE(byName.has_value());
  EXPECT_EQ(test::syscallCounts().lookups, 2);  // once by the probe, once by the connect
  closeConnection(*byName);
}

TEST(BoardChannelOpen, RefusedPortGivesNoConnectionQuickly) {
  RefusingPort refusing;
  const auto start = Clock::now();
  EXPECT_FALSE(openConnection("127.0.0.1", refusing.port, 5000, 3000).has_value());
  EXPECT_LT(msSince(start), 2000);
}

TEST(BoardChannelOpen, UnresolvableNameGivesNoConnection) {
  // A label over 63 characters fails inside the resolver: no query leaves the machine.
  const std::string name = std::string(64, 'a') + ".invalid";
  EXPECT_FALSE(openConnection(name, 1, 1000, 1000).has_value());
  EXPECT_FALSE(openConnection(std::string("127.0.0.1\0junk", 14), 1, 1000, 1000).has_value());
}

TEST(BoardChannelOpen, ConnectGivesUpAfterItsTimeOutPumpingTheHook) {
  // A listener that never accepts, with its backlog filled: further handshakes
  // get no answer, as from a board that is switched off.
  const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), length), 0);
  ASSERT_EQ(listen(listener, 0), 0);
  ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
  const std::uint16_t port = ntohs(address.sin_port);
  std::vector<BoardConnection> fillers;
  for (int i = 0; i < 8; ++i) {
    auto filler = openConnection("127.0.0.1", port, 100, 100);
    if (!filler) {
      break;
    }
    fillers.push_back(*filler);
  }
  ASSERT_LT(fillers.size(), 8u) << "the backlog never filled";

  HookProbe probe;
  const auto start = Clock::now();
  EXPECT_FALSE(openConnection("127.0.0.1", port, 300, 3000).has_value());
  const double elapsed = msSince(start);
  EXPECT_GE(elapsed, 299);
  EXPECT_LT(elapsed, 2000);
  EXPECT_GE(probe.calls, 10);
  EXPECT_LT(probe.longestGapMs, 60);
  for (auto& filler : fillers) {
    closeConnection(filler);
  }
  close(listener);
}

TEST(BoardChannelProbe, SucceedsForAnyResolvableAddressAndSendsNothing) {
  RefusingPort refusing;  // nobody answers there: the probe does not care
  test::resetSyscallCounts();
  EXPECT_TRUE(probeAddress("127.0.0.1", refusing.port));
  EXPECT_TRUE(probeAddress("localhost", refusing.port));
  EXPECT_FALSE(probeAddress(std::string(64, 'b') + ".invalid", refusing.port));
  EXPECT_FALSE(probeAddress("", refusing.port));
  EXPECT_EQ(test::syscallCounts().sends, 0);
}

TEST(BoardChannelSleep, NeverEndsEarlyAndPumpsTheHook) {
  struct Case {
    int ms;
    int hookWorkMs;  // a repaint that takes a while
  };
  for (const Case c : {Case{1, 0}, Case{25, 0}, Case{200, 0}, Case{200, 4}}) {
    HookProbe probe(c.hookWorkMs);
    const auto start = Clock::now();
    sleepMs(c.ms);
    const double elapsed = msSince(start);
    EXPECT_GE(elapsed, c.ms) << c.ms << " ms, hook " << c.hookWorkMs;
    EXPECT_LT(elapsed, c.ms + 50) << c.ms << " ms, hook " << c.hookWorkMs;
    if (c.ms >= 200) {
      EXPECT_GE(probe.calls, 8) << "hook " << c.hookWorkMs;
      EXPECT_LT(probe.longestGapMs, 60) << "hook " << c.hookWorkMs;
    }
  }
}

TEST(BoardChannelSleep, ZeroAndNegativeOnlyYield) {
  HookProbe probe;
  const auto start = Clock::now();
  sleepMs(0);
  sleepMs(-5);
  EXPECT_LT(msSince(start), 50);
  EXPECT_EQ(probe.calls, 0);
}

TEST(BoardChannelStart, AlwaysSucceeds) {
  EXPECT_TRUE(startNetwork());
}

}  // namespace
}  // namespace tastomat
