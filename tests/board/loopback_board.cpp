// SPDX-License-Identifier: MIT
// Test fixtures: a scripted one-client TCP server on 127.0.0.1 and a recording Controls.
#include "loopback_board.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "board/commands.h"

namespace tastomat::test {
namespace {

constexpr int fixtureWaitMs = 5000;

bool awaitReadable(int socket, int timeoutMs) {
  pollfd entry{socket, POLLIN, 0};
  return poll(&entry, 1, timeoutMs) > 0;
}

}  // namespace

std::string LoopbackPeer::readCommand() {
  std::string command;
  while (!command.ends_with(CommandTerminator)) {
    char byte = 0;
    if (!awaitReadable(socket_, fixtureWaitMs) || recv(socket_, &byte, 1, 0) != 1) {
      return {};
    }
    command += byte;
  }
  return command;
}

std::string LoopbackPeer::readSome(int timeoutMs) {
  char bytes[256];
  if (!awaitReadable(socket_, timeoutMs)) {
    return {};
  }
  const ssize_t n = recv(socket_, bytes, sizeof bytes, 0);
  return n > 0 ? std::string(bytes, static_cast<std::size_t>(n)) : std::string();
}

void LoopbackPeer::send(std::string_view bytes) {
  ASSERT_EQ(::send(socket_, bytes.data(), bytes.size(), MSG_NOSIGNAL),
            static_cast<ssize_t>(bytes.size()));
}

void LoopbackPeer::reset() {
  const linger abort{1, 0};
  setsockopt(socket_, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
  close();
}

void LoopbackPeer::close() {
  if (socket_ >= 0) {
    ::close(socket_);
    socket_ = -1;
  }
}

void LoopbackPeer::awaitClientClose() {
  while (socket_ >= 0 && awaitReadable(socket_, fixtureWaitMs)) {
    char bytes[256];
    if (recv(socket_, bytes, sizeof bytes, 0) <= 0) {
      return;
    }
  }
}

LoopbackServer::LoopbackServer(Script script) {
  listenSocket_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (listenSocket_ < 0 ||
      bind(listenSocket_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      listen(listenSocket_, 1) != 0 ||
      getsockname(listenSocket_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ADD_FAILURE() << "loopback server could not listen";
    return;
  }
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this, script = std::move(script)] {
    if (!awaitReadable(listenSocket_, fixtureWaitMs)) {
      return;
    }
    const int client = accept4(listenSocket_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) {
      return;
    }
    LoopbackPeer peer(client);
    script(peer);
    peer.close();
  });
}

LoopbackServer::~LoopbackServer() {
  join();
  if (listenSocket_ >= 0) {
    ::close(listenSocket_);
  }
}

void LoopbackServer::join() {
  if (thread_.joinable()) {
    thread_.join();
  }
}

LoopbackServer::Script answering(std::vector<Received>& log,
                                 std::function<std::string(const std::string&)> reply) {
  return [&log, reply = std::move(reply)](LoopbackPeer& peer) {
    for (std::string command = peer.readCommand(); !command.empty(); command = peer.readCommand()) {
      log.push_back({command, Clock::now()});
      const std::string answer = reply(command);
      if (!answer.empty()) {
        peer.send(answer);
      }
    }
  };
}

BoardConnection connectTo(const LoopbackServer& server, int replyTimeoutMs) {
  auto connection = openConnection("127.0.0.1", server.port(), 2000, replyTimeoutMs);
  EXPECT_TRUE(connection.has_value()) << "cannot connect to the loopback server";
  return connection.value_or(BoardConnection{});
}

void RecordingControls::setEnabled(int controlId, bool enabled) {
  record("enable " + std::to_string(controlId) + (enabled ? " 1" : " 0"));
}

void RecordingControls::setText(int controlId, const std::string& text) {
  record("text " + std::to_string(controlId) + " " + text);
}

void RecordingControls::setTextColour(int controlId, Rgb colour) {
  record("colour " + std::to_string(controlId) + " " + std::to_string(colour.r) + "," +
         std::to_string(colour.g) + "," + std::to_string(colour.b));
}

void RecordingControls::record(std::string call) {
  calls.push_back(std::move(call));
  times.push_back(Clock::now());
}

}  // namespace tastomat::test
