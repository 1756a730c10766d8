// SPDX-License-Identifier: MIT
// BoardChannel over POSIX sockets: bounded waits that keep calling the wait hook.
#include "board/board_channel.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "board/wait_hook.h"

namespace tastomat {
namespace {

using Nanoseconds = std::int64_t;
constexpr Nanoseconds nsPerMs = 1'000'000;
constexpr Nanoseconds sliceNs = waitHookSliceMs * nsPerMs;

Nanoseconds monotonicNow() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return Nanoseconds{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

timespec toTimespec(Nanoseconds ns) {
  timespec t{};
  t.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
  t.tv_nsec = static_cast<long>(ns % 1'000'000'000);
  return t;
}

// A pause's counterpart of raising the system timer resolution: Linux lets a
// thread's timers fire up to its timer slack late (50 us by default). For the
// length of a pause the slack is the least there is, then restored.
class FineTimerSlack {
 public:
  FineTimerSlack() : previous_(prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0)) {
    if (previous_ > 1) {
      prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
    }
  }
  ~FineTimerSlack() {
    if (previous_ > 1) {
      prctl(PR_SET_TIMERSLACK, static_cast<unsigned long>(previous_), 0, 0, 0);
    }
  }
  FineTimerSlack(const FineTimerSlack&) = delete;
  FineTimerSlack& operator=(const FineTimerSlack&) = delete;

 private:
  long previous_;
};

// Milliseconds for poll(): the time left, rounded up, at most one slice.
int pollSliceMs(Nanoseconds deadline) {
  const Nanoseconds left = deadline - monotonicNow();
  if (left <= 0) {
    return 0;
  }
  return static_cast<int>(std::min<Nanoseconds>((left + nsPerMs - 1) / nsPerMs, waitHookSliceMs));
}

// A dotted IPv4 address is taken as it is (never looked up); anything else is
// looked up as a host name and its first IPv4 address is used.
std::optional<sockaddr_in> resolve(const std::string& address, std::uint16_t port, int socketType) {
  if (address.find('\0') != std::string::npos) {
    return std::nullopt;
  }
  sockaddr_in target{};
  target.sin_family = AF_INET;
  target.sin_port = htons(port);
  if (inet_pton(AF_INET, address.c_str(), &target.sin_addr) == 1) {
    return target;
  }
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = socketType;
  addrinfo* found = nullptr;
  if (getaddrinfo(address.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
    return std::nullopt;
  }
  target.sin_addr = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
  freeaddrinfo(found);
  return target;
}

bool setBlocking(int fd, bool blocking) {
  const int flags = fcntl(fd, F_GETFL);
  if (flags < 0) {
    return false;
  }
  const int wanted = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
  return fcntl(fd, F_SETFL, wanted) == 0;
}

// Waits for a non-blocking connect to finish, pumping the wait hook.
bool awaitConnect(int fd, int connectTimeoutMs) {
  const Nanoseconds deadline =
      monotonicNow() + Nanoseconds{std::max(connectTimeoutMs, 0)} * nsPerMs;
  for (;;) {
    pollfd entry{fd, POLLOUT, 0};
    const int ready = poll(&entry, 1, pollSliceMs(deadline));
    if (ready > 0) {
      int error = 0;
      socklen_t length = sizeof error;
      return getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
    }
    if (ready < 0 && errno != EINTR) {
      return false;
    }
    if (monotonicNow() >= deadline) {
      return false;
    }
    runWaitHook();
  }
}

}  // namespace

bool startNetwork() {
  return true;
}

bool probeAddress(const std::string& address, std::uint16_t port) {
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    return false;
  }
  const bool ok = resolve(address, port, SOCK_DGRAM).has_value() && setBlocking(fd, false);
  // Nothing uses the probe socket afterwards, so it is not kept open.
  close(fd);
  return ok;
}

std::optional<BoardConnection> openConnection(const std::string& address, std::uint16_t port,
                                              int connectTimeoutMs, int replyTimeoutMs) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) {
    return std::nullopt;
  }
  const auto target = resolve(address, port, SOCK_STREAM);
  bool connected = false;
  if (target) {
    if (connect(fd, reinterpret_cast<const sockaddr*>(&*target), sizeof *target) == 0) {
      connected = true;
    } else if (errno == EINPROGRESS || errno == EINTR) {
      connected = awaitConnect(fd, connectTimeoutMs);
    }
  }
  if (!connected || !setBlocking(fd, true)) {
    close(fd);
    return std::nullopt;
  }
  // Blocking again: every read polls first anyway. No Nagle delay: each command
  // is a few bytes whose moment on the wire matters to the millisecond. (Should
  // this fail, the connection still works, only less punctually.)
  const int noDelay = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
  return BoardConnection{fd, replyTimeoutMs};
}

long sendCommand(const BoardConnection& connection, std::string_view text) {
  if (connection.socket < 0) {
    return -1;
  }
  // MSG_DONTWAIT: a board that stops reading must not block the window for good;
  // a command that does not fit is lost like any other failed send.
  ssize_t sent = 0;
  do {
    sent = send(connection.socket, text.data(), text.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
  } while (sent < 0 && errno == EINTR);
  return sent < 0 ? -1 : static_cast<long>(sent);
}

std::string_view readReply(const BoardConnection& connection, ReplyArea& area) {
  if (connection.socket < 0) {
    return {};
  }
  const Nanoseconds deadline =
      monotonicNow() + Nanoseconds{std::max(connection.replyTimeoutMs, 0)} * nsPerMs;
  for (;;) {
    pollfd entry{connection.socket, POLLIN, 0};
    const int ready = poll(&entry, 1, pollSliceMs(deadline));
    if (ready > 0) {
      if ((entry.revents & POLLNVAL) != 0) {
        return {};
      }
      const ssize_t received = recv(connection.socket, area.data(), area.size(), MSG_DONTWAIT);
      if (received > 0) {
        return {area.data(), static_cast<std::size_t>(received)};
      }
      // A spurious wake-up received nothing yet: keep waiting. End of stream or
      // an error: the empty reply, at once.
      if (received == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
        return {};
      }
    } else if (ready < 0 && errno != EINTR) {
      return {};
    }
    if (monotonicNow() >= deadline) {
      return {};
    }
    runWaitHook();
  }
}

void closeConnection(BoardConnection& connection) {
  if (connection.socket >= 0) {
    close(connection.socket);
  }
  connection.socket = -1;
}

void sleepMs(int milliseconds) {
  if (milliseconds <= 0) {
    sched_yield();
    return;
  }
  const FineTimerSlack fine;
  const Nanoseconds deadline = monotonicNow() + Nanoseconds{milliseconds} * nsPerMs;
  // The hook runs at once and then on a grid of slices that ends one slice
  // (plus a run of the hook) before the deadline. Its last run so has a whole
  // slice of room: a slow repaint does not make the pause late, and the window
  // is still pumped every slice, up to the end of the pause. The estimate of
  // its cost is capped so that one slow run cannot silence the hook for good.
  constexpr Nanoseconds maxHookCost = 4 * sliceNs;
  thread_local Nanoseconds hookCost = 0;
  for (;;) {
    Nanoseconds now = monotonicNow();
    if (now >= deadline) {
      return;
    }
    if (deadline - now > sliceNs / 2 + hookCost) {
      runWaitHook();
      const Nanoseconds after = monotonicNow();
      hookCost = std::min(std::max(after - now, hookCost - hookCost / 8), maxHookCost);
      now = after;
    }
    Nanoseconds wake = deadline;
    const Nanoseconds lastRun = deadline - sliceNs - hookCost;
    if (now < lastRun) {
      Nanoseconds step = (lastRun - now) % sliceNs;
      if (step < sliceNs / 4) {
        step += sliceNs;  // a grid point right ahead: skip it rather than run twice
      }
      wake = std::min(now + step, deadline);
    }
    const timespec until = toTimespec(wake);
    clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr);
  }
}

}  // namespace tastomat
