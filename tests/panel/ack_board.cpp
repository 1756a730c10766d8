// SPDX-License-Identifier: MIT
// A tiny loopback board for action tests (see ack_board.h).
#include "tests/panel/ack_board.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

#include "board/commands.h"

namespace tastomat::test {

void Timeline::add(std::string what) {
  std::lock_guard lock(mutex_);
  entries_.push_back({std::move(what), Clock::now()});
}

std::vector<Timeline::Entry> Timeline::entries() const {
  std::lock_guard lock(mutex_);
  return entries_;
}

std::vector<std::string> Timeline::texts() const {
  std::vector<std::string> out;
  for (const Entry& e : entries()) {
    out.push_back(e.what);
  }
  return out;
}

void Timeline::clear() {
  std::lock_guard lock(mutex_);
  entries_.clear();
}

namespace {
constexpr int pollSliceMs = 20;
}

AckBoard::AckBoard(Timeline& timeline) : timeline_(timeline) {
  listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof address;
  if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      ::listen(listener_, 4) != 0 ||
      ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    if (listener_ >= 0) {
      ::close(listener_);
    }
    throw std::runtime_error("AckBoard: cannot listen on 127.0.0.1");
  }
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { serve(); });
}

AckBoard::~AckBoard() {
  stop_ = true;
  thread_.join();
  ::close(listener_);
}

std::string AckBoard::leftover() const {
  std::lock_guard lock(leftoverMutex_);
  return leftover_;
}

void AckBoard::serve() {
  while (!stop_) {
    pollfd p{listener_, POLLIN, 0};
    if (::poll(&p, 1, pollSliceMs) > 0) {
      const int client = ::accept(listener_, nullptr, nullptr);
      if (client >= 0) {
        serveClient(client);
        ::close(client);
      }
    }
  }
}

// Commands are cut at the board's five-byte terminator; each one is logged
// before its reply goes out, so the client's next step always comes later.
void AckBoard::serveClient(int client) {
  std::string buffer;
  while (!stop_) {
    pollfd p{client, POLLIN, 0};
    if (::poll(&p, 1, pollSliceMs) <= 0) {
      continue;
    }
    char chunk[256];
    const ssize_t n = ::recv(client, chunk, sizeof chunk, 0);
    if (n <= 0) {
      return;
    }
    buffer.append(chunk, static_cast<std::size_t>(n));
    for (std::size_t end; (end = buffer.find(CommandTerminator)) != std::string::npos;) {
      timeline_.add(buffer.substr(0, end));
      buffer.erase(0, end + CommandTerminator.size());
      static constexpr char reply[] = "ACK\r\n";
      ::send(client, reply, sizeof reply - 1, MSG_NOSIGNAL);
    }
    std::lock_guard lock(leftoverMutex_);
    leftover_ = buffer;
  }
}

}  // namespace tastomat::test
