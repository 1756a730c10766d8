// SPDX-License-Identifier: MIT
// The running boardsim through a plain socket: replies, log, one client at a time, faults.
#include "tests/support/boardsim_process.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace tastomat {
namespace {

constexpr int replyTimeoutMs = 5000;
const std::string terminator = " \\r\\n";

sockaddr_in loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

// A bare TCP client, as little as the tests need.
class Client {
 public:
  struct Read {
    std::string bytes;
    bool closed = false;  // end of stream
    int error = 0;        // errno of a failed receive
    bool timedOut = false;
  };

  explicit Client(int port) : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    const sockaddr_in address = loopback(port);
    if (::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
      throw std::runtime_error("connect failed");
    }
  }
  ~Client() { close(); }
  Client(const Client&) = delete;
  Client& operator=(const Client&) = delete;

  void close() {
    if (fd_ >= 0) {
      ::close(fd_);
      fd_ = -1;
    }
  }

  void shutdownWrite() { ::shutdown(fd_, SHUT_WR); }

  void send(const std::string& bytes) {
    ASSERT_EQ(::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(bytes.size()));
  }

  // One receive, after waiting at most timeoutMs for something to arrive.
  Read readOnce(int timeoutMs = replyTimeoutMs) {
    Read read;
    pollfd ready{fd_, POLLIN, 0};
    if (::poll(&ready, 1, timeoutMs) == 0) {
      read.timedOut = true;
      return read;
    }
    char buffer[8192];
    const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
    if (n < 0) {
      read.error = errno;
    } else if (n == 0) {
      read.closed = true;
    } else {
      read.bytes.assign(buffer, static_cast<std::size_t>(n));
    }
    return read;
  }

  // Gathers up to `count` bytes; stops early on end of stream, an error or a time-out.
  std::string readExactly(std::size_t count, int timeoutMs = replyTimeoutMs) {
    std::string bytes;
    while (bytes.size() < count) {
      const Read read = readOnce(timeoutMs);
      if (read.bytes.empty()) {
        break;
      }
      bytes += read.bytes;
    }
    return bytes;
  }

  std::string ask(const std::string& command, std::size_t replySize) {
    send(command + terminator);
    return readExactly(replySize);
  }

 private:
  int fd_;
};

std::vector<std::string> texts(const std::vector<SimLogEntry>& entries) {
  std::vector<std::string> out;
  for (const SimLogEntry& e : entries) {
    out.push_back(e.text);
  }
  return out;
}

std::size_t countEntries(const BoardsimProcess& sim, const std::string& text) {
  const std::vector<std::string> all = texts(sim.readLog());
  return static_cast<std::size_t>(std::count(all.begin(), all.end(), text));
}

TEST(Boardsim, AnswersEachCommandAndLogsItWithTheTestsClock) {
  BoardsimProcess sim({"--adc1", "512", "--adc2", "77", "--port1", "1"});
  struct Case {
    std::string command;
    std::string reply;
  };
  const std::vector<Case> cases = {
      {"setport 7.1", "ACK\r\n"}, {"GETADC 1", "512\r\n"},    {"GETADC 2", "77\r\n"},
      {"GETPORT 1", "1\r\n"},     {"GETPORT 2", "0\r\n"},     {"getadc 1", "512\r\n"},
      {"bogus", "NAK\r\n"},       {"setport 9.1", "NAK\r\n"},
  };
  std::vector<std::int64_t> sentAt;
  std::vector<std::int64_t> answeredAt;
  {
    Client client(sim.port());
    for (const Case& c : cases) {
      sentAt.push_back(monotonicUsecNow());
      EXPECT_EQ(client.ask(c.command, c.reply.size()), c.reply) << c.command;
      answeredAt.push_back(monotonicUsecNow());
    }
  }
  ASSERT_TRUE(sim.waitForEntry("#close")) << sim.logText();

  const std::vector<SimLogEntry> commands = sim.commands();
  ASSERT_EQ(commands.size(), cases.size()) << sim.logText();
  for (std::size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(commands[i].text, cases[i].command);
    // The log's clock is the test's clock: each command arrived between send and reply.
    EXPECT_GE(commands[i].usec, sentAt[i]) << i;
    EXPECT_LE(commands[i].usec, answeredAt[i]) << i;
  }
  const std::vector<SimLogEntry> log = sim.readLog();
  for (std::size_t i = 1; i < log.size(); ++i) {
    EXPECT_GE(log[i].usec, log[i - 1].usec) << log[i].text;
  }
  EXPECT_EQ(log.front().text, "#listen 127.0.0.1:" + std::to_string(sim.port()));
  EXPECT_EQ(log[1].text, "#connect");
}

TEST(Boardsim, ShowsOtherTerminatorsAndHostileBytesInTheLog) {
  BoardsimProcess sim({"--adc1", "512"});
  Client client(sim.port());
  client.send("GETADC 1\r\n");
  EXPECT_EQ(client.readExactly(5), "512\r\n");
  client.send("#close" + terminator);
  EXPECT_EQ(client.readExactly(5), "NAK\r\n");
  client.send(std::string(64 * 1024, 'G') + terminator);
  EXPECT_EQ(client.readExactly(5), "NAK\r\n");

  // Random bytes, terminators and all: boardsim answers what it can and carries on.
  std::mt19937 random(3);
  std::string garbage(20'000, '\0');
  for (char& c : garbage) {
    c = static_cast<char>(random());
  }
  client.send(garbage + "\n");
  client.send("GETADC 1" + terminator);
  std::string replies;
  while (replies.size() < 5 || replies.substr(replies.size() - 5) != "512\r\n") {
    const Client::Read read = client.readOnce();
    ASSERT_FALSE(read.bytes.empty()) << "no reply after the garbage";
    replies += read.bytes;
  }
  const std::vector<SimLogEntry> commands = sim.commands();
  ASSERT_GE(commands.size(), 4u);
  EXPECT_EQ(commands[0].text, "GETADC 1\\x0D\\x0A");
  EXPECT_EQ(commands[1].text, "\\x23close");
  EXPECT_EQ(commands[2].text, std::string(1024, 'G') + "\\...(+64512 bytes)");
  EXPECT_EQ(commands.back().text, "GETADC 1");
  EXPECT_EQ(countEntries(sim, "#close"), 0u);
}

TEST(Boardsim, ControlFileChangesValuesWhileRunning) {
  BoardsimProcess sim({"--adc1", "512"});
  Client client(sim.port());
  EXPECT_EQ(client.ask("GETADC 1", 5), "512\r\n");
  ASSERT_TRUE(sim.setControl("adc1", "900"));
  EXPECT_EQ(client.ask("GETADC 1", 5), "900\r\n");
  ASSERT_TRUE(sim.setControl("port2", "1"));
  EXPECT_EQ(client.ask("GETPORT 2", 3), "1\r\n");
  EXPECT_FALSE(sim.setControl("adc1", "lots"));
  EXPECT_FALSE(sim.setControl("port", "80"));
  ASSERT_TRUE(sim.setControl("oversize", "8"));
  EXPECT_EQ(client.ask("GETADC 1", 8), "900\r\nxxx");
}

TEST(Boardsim, ReportsTheDeviceAKeyPressSwitches) {
  BoardsimProcess sim;
  Client client(sim.port());
  for (const char* step : {"7.1", "8.0", "1.1", "4.1", "4.0", "1.0", "7.0", "8.0"}) {
    EXPECT_EQ(client.ask(std::string("setport ") + step, 5), "ACK\r\n");
  }
  ASSERT_TRUE(sim.waitForEntry("#device Device 06: EIN"));
  const std::vector<std::string> log = texts(sim.readLog());
  const auto device = std::find(log.begin(), log.end(), "#device Device 06: EIN");
  EXPECT_EQ(*(device - 1), "setport 4.1");  // the press starts with the channel output
  EXPECT_EQ(std::count_if(log.begin(), log.end(),
                          [](const std::string& t) { return t.rfind("#device", 0) == 0; }),
            1);
  EXPECT_NE(sim.stdoutText().find("Device 06: EIN\n"), std::string::npos) << sim.stdoutText();
}

TEST(Boardsim, ServesOneClientAtATime) {
  BoardsimProcess sim({"--adc1", "512"});
  auto first = std::make_unique<Client>(sim.port());
  EXPECT_EQ(first->ask("GETADC 1", 5), "512\r\n");
  Client second(sim.port());  // queued by the kernel, not yet accepted
  second.send("GETADC 1" + terminator);
  EXPECT_TRUE(second.readOnce(200).timedOut);
  first.reset();
  EXPECT_EQ(second.readExactly(5), "512\r\n");
  EXPECT_EQ(countEntries(sim, "#connect"), 2u);
  EXPECT_EQ(countEntries(sim, "#close"), 1u);
}

TEST(Boardsim, OversizeRepliesCarryExactlyThatManyBytes) {
  BoardsimProcess sim({"--adc1", "512", "--oversize", "150"});
  Client client(sim.port());
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(client.ask("GETADC 1", 150), "512\r\n" + std::string(145, 'x'));
  }
  EXPECT_TRUE(client.readOnce(100).timedOut);  // and no more
}

TEST(Boardsim, CloseAfterClosesOnTheNthCommandWithoutAnswer) {
  BoardsimProcess sim({"--close-after", "2"});
  Client client(sim.port());
  EXPECT_EQ(client.ask("setport 1.1", 5), "ACK\r\n");
  client.send("setport 3.1" + terminator);
  const Client::Read read = client.readOnce();
  EXPECT_TRUE(read.closed);
  EXPECT_EQ(read.bytes, "");
  ASSERT_TRUE(sim.waitForEntry("#hangup close-after"));
  EXPECT_EQ(countEntries(sim, "#device Device 01: EIN"), 0u);  // not carried out
}

TEST(Boardsim, ResetAndCloseAtOnceTearTheConnectionDown) {
  {
    BoardsimProcess sim({"--reset-after", "1"});
    Client client(sim.port());
    client.send("GETADC 1" + terminator);
    EXPECT_EQ(client.readOnce().error, ECONNRESET);
  }
  {
    BoardsimProcess sim({"--close-after", "0"});
    Client client(sim.port());
    EXPECT_TRUE(client.readOnce().closed);
  }
}

TEST(Boardsim, SplitRepliesArriveInPieces) {
  BoardsimProcess sim({"--adc1", "512", "--split", "--split-gap-ms", "50"});
  Client client(sim.port());
  client.send("GETADC 1" + terminator);
  const Client::Read first = client.readOnce();
  EXPECT_LT(first.bytes.size(), 5u);  // the rest is 50 ms per byte behind
  EXPECT_EQ(first.bytes + client.readExactly(5 - first.bytes.size()), "512\r\n");
}

TEST(Boardsim, SilentDelayedAndJunkReplies) {
  {
    BoardsimProcess sim({"--silent-after", "1"});
    Client client(sim.port());
    EXPECT_EQ(client.ask("setport 1.1", 5), "ACK\r\n");
    client.send("setport 1.0" + terminator);
    EXPECT_TRUE(client.readOnce(300).timedOut);
    EXPECT_TRUE(sim.waitForLogLines([&](const auto&) { return sim.commands().size() == 2; }));
  }
  {
    BoardsimProcess sim({"--delay-ms", "300"});
    Client client(sim.port());
    EXPECT_EQ(client.ask("setport 1.1", 5), "ACK\r\n");
    ASSERT_TRUE(sim.waitForEntry("#reply ACK\\x0D\\x0A"));  // logged just after the send
    const std::vector<SimLogEntry> log = sim.readLog();
    const auto command =
        std::find_if(log.begin(), log.end(), [](const SimLogEntry& e) { return e.isCommand(); });
    ASSERT_NE(command, log.end());
    ASSERT_EQ((command + 1)->text, "#reply ACK\\x0D\\x0A");
    EXPECT_GE((command + 1)->usec - command->usec, 300'000);
  }
  {
    BoardsimProcess sim({"--junk"});
    Client client(sim.port());
    client.send("GETADC 1" + terminator);
    const std::string junk = client.readOnce().bytes;
    EXPECT_NE(junk.find('\0'), std::string::npos);
  }
}

TEST(Boardsim, DeliversQueuedRepliesAfterTheClientHalfCloses) {
  BoardsimProcess sim({"--delay-ms", "200"});
  Client client(sim.port());
  client.send("setport 1.1" + terminator + "bogus" + terminator);
  client.shutdownWrite();  // as nc does at the end of its input
  EXPECT_EQ(client.readExactly(10), "ACK\r\nNAK\r\n");
  EXPECT_TRUE(client.readOnce().closed);
  EXPECT_EQ(countEntries(sim, "#close"), 1u);
}

// Resident memory of a process in kB, from /proc.
long residentKb(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) {
      return std::atol(line.c_str() + 6);
    }
  }
  return -1;
}

TEST(Boardsim, AClientThatNeverReadsCannotGrowItsMemory) {
  // 5000 commands fit the socket buffers at once; their replies would be 320 MB.
  BoardsimProcess sim({"--oversize", "65536"});
  Client client(sim.port());
  std::string burst;
  for (int i = 0; i < 5000; ++i) {
    burst += "GETADC 1" + terminator;
  }
  client.send(burst);
  EXPECT_FALSE(sim.waitForLogLines([&](const auto&) { return sim.commands().size() >= 2500; },
                                   std::chrono::seconds(1)));
  EXPECT_LT(residentKb(sim.pid()), 150 * 1024);
  EXPECT_TRUE(sim.running());
}

TEST(Boardsim, ConnectFaults) {
  {
    // Connects succeed, but nothing is accepted, read or answered.
    BoardsimProcess sim({"--no-accept"});
    Client client(sim.port());
    client.send("GETADC 1" + terminator);
    EXPECT_TRUE(client.readOnce(200).timedOut);
    EXPECT_EQ(countEntries(sim, "#connect"), 0u);
  }
  {
    // A full listen queue: the connect itself hangs.
    BoardsimProcess sim({"--backlog-full"});
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const sockaddr_in address = loopback(sim.port());
    EXPECT_NE(::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(errno, EINPROGRESS);
    pollfd pending{fd, POLLOUT, 0};
    EXPECT_EQ(::poll(&pending, 1, 500), 0);
    ::close(fd);
  }
}

TEST(Boardsim, RefusesToListenOutsideLoopback) {
  EXPECT_THROW(BoardsimProcess({"--listen", "192.168.1.90"}), std::runtime_error);
  EXPECT_THROW(BoardsimProcess({"--listen", "0.0.0.0"}), std::runtime_error);
}

TEST(Boardsim, StopsCleanlyOnSignalAndByItself) {
  {
    BoardsimProcess sim;
    Client client(sim.port());
    ASSERT_TRUE(sim.waitForEntry("#connect"));
    const int status = sim.stop();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_TRUE(client.readOnce().closed);
    const std::vector<SimLogEntry> log = sim.readLog();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2].text, "#hangup shutdown");
    EXPECT_EQ(log.back().text, "#exit signal");
  }
  {
    BoardsimProcess sim({"--max-seconds", "1"});
    ASSERT_TRUE(sim.waitForEntry("#exit max-seconds"));
    ASSERT_TRUE(sim.waitForLogLines([&](const auto&) { return !sim.running(); }));
    EXPECT_TRUE(WIFEXITED(sim.exitStatus()) && WEXITSTATUS(sim.exitStatus()) == 0);
  }
}

}  // namespace
}  // namespace tastomat
