// SPDX-License-Identifier: MIT
// A tiny stand-in board on 127.0.0.1 for the flow tests.
#include "tests/app/loopback_board.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string_view>

#include "board/commands.h"

namespace tastomat::testing {

namespace {

int listenOnLoopback(int& port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  ::listen(fd, 1);
  socklen_t len = sizeof addr;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  port = ntohs(addr.sin_port);
  return fd;
}

std::string replyTo(std::string_view command) {
  if (command.starts_with("GETADC")) {
    return "512\r\n";
  }
  if (command.starts_with("GETPORT")) {
    return "1\r\n";
  }
  return "OK\r\n";
}

}  // namespace

LoopbackBoard::LoopbackBoard() {
  listener_ = listenOnLoopback(port_);
  thread_ = std::thread([this] { serve(); });
}

LoopbackBoard::~LoopbackBoard() {
  ::shutdown(listener_, SHUT_RDWR);
  thread_.join();
  ::close(listener_);
}

void LoopbackBoard::serve() {
  // Bounded: a test that never connects ends the thread after 30 s.
  pollfd waitForClient{listener_, POLLIN, 0};
  if (::poll(&waitForClient, 1, 30000) <= 0 || (waitForClient.revents & POLLIN) == 0) {
    return;
  }
  const int client = ::accept(listener_, nullptr, nullptr);
  if (client < 0) {
    return;
  }
  std::string pending;
  char buffer[256];
  while (true) {
    pollfd p{client, POLLIN, 0};
    if (::poll(&p, 1, 30000) <= 0) {
      break;
    }
    const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
    if (n <= 0) {
      break;
    }
    pending.append(buffer, static_cast<std::size_t>(n));
    for (auto end = pending.find(CommandTerminator); end != std::string::npos;
         end = pending.find(CommandTerminator)) {
      std::string command = pending.substr(0, end);
      pending.erase(0, end + CommandTerminator.size());
      const std::string reply = replyTo(command);
      {
        std::lock_guard lock(mutex_);
        commands_.push_back(std::move(command));
      }
      ::send(client, reply.data(), reply.size(), MSG_NOSIGNAL);
    }
  }
  ::close(client);
  std::lock_guard lock(mutex_);
  clientClosed_ = true;
  changed_.notify_all();
}

std::vector<std::string> LoopbackBoard::commands() {
  std::lock_guard lock(mutex_);
  return commands_;
}

bool LoopbackBoard::waitForClose(std::chrono::milliseconds limit) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, limit, [this] { return clientClosed_; });
}

int unusedLoopbackPort() {
  int port = 0;
  const int fd = listenOnLoopback(port);
  ::close(fd);
  return port;
}

}  // namespace tastomat::testing
