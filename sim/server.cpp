// SPDX-License-Identifier: MIT
// boardsim's TCP server: one client at a time, one poll loop, faults on demand.
#include "sim/server.h"

#include "sim/protocol.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace tastomat::sim {
namespace {

constexpr std::int64_t usecPerMs = 1000;
constexpr std::int64_t controlCheckUsec = 50 * usecPerMs;
constexpr std::size_t receiveChunk = 4096;
constexpr std::size_t shownReplyBytes = 200;
// A client that sends but never reads is not read any further once this much waits for it.
constexpr std::size_t maxQueuedBytes = std::size_t{256} * 1024;

volatile sig_atomic_t stopSignal = 0;
sigset_t loopSignalMask;  // the mask ppoll waits with: stop signals let in

extern "C" void onStopSignal(int signal) {
  stopSignal = signal;
}

void say(const std::string& line) {
  std::fputs(line.c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

std::string shownReply(const std::string& bytes) {
  if (bytes.size() <= shownReplyBytes) {
    return escapeBytes(bytes);
  }
  return escapeBytes(std::string_view(bytes).substr(0, shownReplyBytes)) + "\\...(" +
         std::to_string(bytes.size()) + " bytes)";
}

bool writeFileAtomically(const std::string& path, const std::string& content) {
  const std::string temporary = path + ".tmp";
  {
    std::ofstream out(temporary, std::ios::trunc);
    out << content;
    if (!out.flush()) {
      return false;
    }
  }
  return std::rename(temporary.c_str(), path.c_str()) == 0;
}

std::string peerText(const sockaddr_in& peer) {
  char address[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &peer.sin_addr, address, sizeof address);
  return std::string(address) + ":" + std::to_string(ntohs(peer.sin_port));
}

}  // namespace

void BoardServer::installStopSignals() {
  struct sigaction action {};
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);

  sigset_t stops;
  sigemptyset(&stops);
  sigaddset(&stops, SIGTERM);
  sigaddset(&stops, SIGINT);
  sigprocmask(SIG_BLOCK, &stops, &loopSignalMask);
  sigdelset(&loopSignalMask, SIGTERM);
  sigdelset(&loopSignalMask, SIGINT);
}

BoardServer::BoardServer(SimOptions options)
    : options_(std::move(options)), shaper_(options_.faults.seed), parent_(getppid()) {}

BoardServer::~BoardServer() {
  if (clientFd_ >= 0) {
    ::close(clientFd_);
  }
  for (int fd : backlogFillers_) {
    ::close(fd);
  }
  if (listenFd_ >= 0) {
    ::close(listenFd_);
  }
}

void BoardServer::event(std::int64_t usec, const std::string& text) {
  log_.write(usec, text);
}

std::string BoardServer::start() {
  if (!isLoopbackAddress(options_.listenAddress)) {
    return "refusing to listen outside 127.0.0.0/8";
  }
  if (!options_.logFile.empty() && !log_.open(options_.logFile)) {
    return "cannot write the log " + options_.logFile + ": " + std::strerror(errno);
  }
  listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (listenFd_ < 0) {
    return std::string("socket: ") + std::strerror(errno);
  }
  const int on = 1;
  setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(options_.port));
  inet_pton(AF_INET, options_.listenAddress.c_str(), &address.sin_addr);
  if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    return "bind " + options_.listenAddress + ":" + std::to_string(options_.port) + ": " +
           std::strerror(errno);
  }
  // A backlog of 0 lets the kernel queue a single connection; fillBacklog takes it.
  if (::listen(listenFd_, options_.faults.backlogFull ? 0 : 8) != 0) {
    return std::string("listen: ") + std::strerror(errno);
  }
  socklen_t length = sizeof address;
  getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length);
  port_ = ntohs(address.sin_port);
  if (options_.faults.backlogFull) {
    fillBacklog();
  }

  checkControlFile();
  const std::string where = options_.listenAddress + ":" + std::to_string(port_);
  event(monotonicUsec(), "#listen " + where);
  if (!options_.portFile.empty() &&
      !writeFileAtomically(options_.portFile, std::to_string(port_) + "\n")) {
    return "cannot write the port file " + options_.portFile;
  }
  say("boardsim listening on " + where + (options_.faults.noAccept ? " (never accepting)" : ""));
  return {};
}

// Linux queues one connection on a backlog of 0 and then drops further SYNs, so
// a client's connect hangs until its own time-out. Connect to ourselves until a
// connect stays pending.
void BoardServer::fillBacklog() {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length);
  constexpr int maxFillers = 16;
  constexpr int settleMs = 100;
  for (int i = 0; i < maxFillers; ++i) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
      return;
    }
    backlogFillers_.push_back(fd);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
      continue;
    }
    pollfd pending{fd, POLLOUT, 0};
    if (::poll(&pending, 1, settleMs) == 0) {
      return;  // this one hangs: the queue is full
    }
  }
}

void BoardServer::checkControlFile() {
  if (options_.controlFile.empty()) {
    return;
  }
  FileStamp stamp;
  struct stat info {};
  if (::stat(options_.controlFile.c_str(), &info) == 0) {
    stamp = {true, info.st_ino, info.st_mtim, info.st_size};
  }
  if (stamp == controlStamp_) {
    return;
  }
  controlStamp_ = stamp;
  if (!stamp.exists) {
    return;
  }
  std::ifstream in(options_.controlFile);
  std::stringstream text;
  text << in.rdbuf();
  const ControlResult result = applyControlText(options_, text.str());
  const std::int64_t now = monotonicUsec();
  for (const std::string& line : result.applied) {
    event(now, "#control " + line);
    if (options_.verbose) {
      say("control: " + line);
    }
  }
  for (const std::string& error : result.errors) {
    event(now, "#control-error " + escapeBytes(error));
    std::fprintf(stderr, "boardsim: control file: %s\n", error.c_str());
  }
}

void BoardServer::acceptClient() {
  sockaddr_in peer{};
  socklen_t length = sizeof peer;
  const int fd = ::accept4(listenFd_, reinterpret_cast<sockaddr*>(&peer), &length,
                           SOCK_NONBLOCK | SOCK_CLOEXEC);
  if (fd < 0) {
    return;
  }
  // Every reply (and every byte of a split one) leaves at once, as a board's would.
  const int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  clientFd_ = fd;
  clientReading_ = true;
  clientBlocked_ = false;
  peerGone_ = false;
  commandCount_ = 0;
  framer_.clear();
  outgoing_.clear();
  queuedBytes_ = 0;
  shaper_ = ReplyShaper(options_.faults.seed);
  event(monotonicUsec(), "#connect");
  say("connected: " + peerText(peer));
  if (options_.faults.closeAfter == 0) {
    queueHangup(Send::Close, "#hangup close-after");
  } else if (options_.faults.resetAfter == 0) {
    queueHangup(Send::Reset, "#hangup reset-after");
  }
}

// `text` by value: callers pass a hangup's own text, which clearing the queue destroys.
void BoardServer::dropClient(std::int64_t usec,
                             std::string text,  // NOLINT(performance-unnecessary-value-param)
                             bool reset) {
  if (reset) {
    // Linger 0 turns close into a reset.
    const linger abort{1, 0};
    setsockopt(clientFd_, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
  }
  ::close(clientFd_);
  clientFd_ = -1;
  outgoing_.clear();
  queuedBytes_ = 0;
  if (!text.empty()) {
    event(usec, text);
    say("connection: " + text.substr(1));
  }
}

void BoardServer::readClient() {
  char buffer[receiveChunk];
  const ssize_t n = ::recv(clientFd_, buffer, sizeof buffer, 0);
  const std::int64_t usec = monotonicUsec();
  if (n == 0) {
    // The client is done sending; like a TCP stack, still deliver what is queued.
    event(usec, "#close");
    say("connection: close");
    peerGone_ = true;
    if (outgoing_.empty()) {
      dropClient(usec, "");
    } else {
      queueHangup(Send::Close, "");
    }
    return;
  }
  if (n < 0) {
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
      return;
    }
    dropClient(usec, errno == ECONNRESET ? "#close reset" : "#close error");
    return;
  }
  for (const Frame& frame : framer_.feed(std::string_view(buffer, static_cast<std::size_t>(n)))) {
    if (!clientReading_) {
      break;
    }
    handleFrame(frame, usec);
  }
}

void BoardServer::handleFrame(const Frame& frame, std::int64_t usec) {
  ++commandCount_;
  const std::string text = commandLogText(frame);
  event(usec, text);
  if (options_.verbose) {
    say("<- " + text);
  }
  const Faults& faults = options_.faults;
  if (commandCount_ == faults.closeAfter) {
    queueHangup(Send::Close, "#hangup close-after");
    return;
  }
  if (commandCount_ == faults.resetAfter) {
    queueHangup(Send::Reset, "#hangup reset-after");
    return;
  }

  const Command command = frame.droppedBytes > 0 ? Command{} : parseCommand(frame.text);
  const Answer answer = carryOut(command, options_.inputs, model_);
  for (const KeyPressed& key : answer.started) {
    event(usec, "#device " + describe(key));
    say(describe(key));
  }
  if (faults.silent || (faults.silentAfter >= 0 && commandCount_ > faults.silentAfter)) {
    return;
  }
  Outgoing reply;
  reply.bytes = shaper_.shape(answer.reply, faults);
  reply.dueUsec = usec + faults.delayMs * usecPerMs;
  queuedBytes_ += reply.bytes.size();
  outgoing_.push_back(std::move(reply));
}

// Replies still queued go out first; nothing more is read.
void BoardServer::queueHangup(Send kind, std::string event) {
  clientReading_ = false;
  Outgoing hangup;
  hangup.kind = kind;
  hangup.event = std::move(event);
  hangup.dueUsec = monotonicUsec();
  outgoing_.push_back(std::move(hangup));
}

void BoardServer::sendDue(std::int64_t now) {
  clientBlocked_ = false;
  while (clientFd_ >= 0 && !outgoing_.empty() && outgoing_.front().dueUsec <= now) {
    Outgoing& front = outgoing_.front();
    if (front.kind != Send::Bytes) {
      dropClient(now, front.event, front.kind == Send::Reset);
      return;
    }
    const std::size_t chunk = options_.faults.split ? 1 : front.bytes.size() - front.sent;
    const ssize_t n = ::send(clientFd_, front.bytes.data() + front.sent, chunk, MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK) {
        clientBlocked_ = true;
        return;
      }
      if (errno != EINTR) {
        dropClient(now, peerGone_ ? "" : "#close error");
      }
      return;
    }
    front.sent += static_cast<std::size_t>(n);
    if (front.sent < front.bytes.size()) {
      if (options_.faults.split) {
        front.dueUsec = now + options_.faults.splitGapMs * usecPerMs;
      }
      continue;
    }
    const std::string shown = shownReply(front.bytes);
    queuedBytes_ -= front.bytes.size();
    outgoing_.pop_front();
    event(monotonicUsec(), "#reply " + shown);
    if (options_.verbose) {
      say("-> " + shown);
    }
  }
}

bool BoardServer::waitingForWritable() const {
  return clientBlocked_ && !outgoing_.empty();
}

std::int64_t BoardServer::nextWakeUsec(std::int64_t now) const {
  std::int64_t wake = nextControlCheckUsec_;
  if (!outgoing_.empty() && !waitingForWritable()) {
    wake = std::min(wake, outgoing_.front().dueUsec);
  }
  return std::max(wake, now);
}

int BoardServer::run() {
  const std::int64_t deadline =
      monotonicUsec() + static_cast<std::int64_t>(options_.maxSeconds) * 1'000'000;
  std::string reason;
  while (reason.empty()) {
    const std::int64_t now = monotonicUsec();
    if (stopSignal != 0) {
      reason = "signal";
      break;
    }
    if (now >= deadline) {
      reason = "max-seconds";
      break;
    }
    if (now >= nextControlCheckUsec_) {
      // An orphan is handed to another parent: the test that started us is gone.
      if (options_.exitWithParent && getppid() != parent_) {
        reason = "parent-gone";
        break;
      }
      checkControlFile();
      nextControlCheckUsec_ = now + controlCheckUsec;
    }
    sendDue(now);

    pollfd fds[2];
    nfds_t count = 0;
    int listenSlot = -1;
    int clientSlot = -1;
    if (clientFd_ < 0 && !options_.faults.noAccept) {
      listenSlot = static_cast<int>(count);
      fds[count++] = {listenFd_, POLLIN, 0};
    }
    if (clientFd_ >= 0) {
      short wanted = clientReading_ && queuedBytes_ < maxQueuedBytes ? POLLIN : 0;
      if (waitingForWritable()) {
        wanted |= POLLOUT;
      }
      clientSlot = static_cast<int>(count);
      fds[count++] = {clientFd_, wanted, 0};
    }
    const std::int64_t waitUsec = std::min(nextWakeUsec(now), deadline) - now;
    const timespec timeout{static_cast<time_t>(waitUsec / 1'000'000),
                           static_cast<long>(waitUsec % 1'000'000) * 1000};
    const int ready = ::ppoll(fds, count, &timeout, &loopSignalMask);
    if (ready <= 0) {
      continue;
    }
    if (clientSlot >= 0 && (fds[clientSlot].revents & (POLLIN | POLLHUP | POLLERR)) != 0 &&
        clientReading_) {
      readClient();
    } else if (clientSlot >= 0 && (fds[clientSlot].revents & (POLLHUP | POLLERR)) != 0) {
      dropClient(monotonicUsec(), peerGone_ ? "" : "#close");
    }
    if (listenSlot >= 0 && (fds[listenSlot].revents & POLLIN) != 0) {
      acceptClient();
    }
  }
  const std::int64_t usec = monotonicUsec();
  if (clientFd_ >= 0) {
    dropClient(usec, "#hangup shutdown");
  }
  event(usec, "#exit " + reason);
  say("boardsim: exit (" + reason + ")");
  return 0;
}

}  // namespace tastomat::sim
