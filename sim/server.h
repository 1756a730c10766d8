// SPDX-License-Identifier: MIT
// boardsim's TCP server: one client at a time, one poll loop, faults on demand.
#pragma once

#include "sim/device_model.h"
#include "sim/event_log.h"
#include "sim/framer.h"
#include "sim/options.h"
#include "sim/reply_shaper.h"

#include <sys/stat.h>

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace tastomat::sim {

// Runs until SIGTERM or SIGINT (which the caller must block and route here with
// installStopSignals) or until --max-seconds have passed. Single-threaded: a
// poll loop over the listening socket, the one client and the due replies.
class BoardServer {
 public:
  explicit BoardServer(SimOptions options);
  ~BoardServer();
  BoardServer(const BoardServer&) = delete;
  BoardServer& operator=(const BoardServer&) = delete;

  // Binds, listens, writes the port file. Gives an error text, or empty.
  std::string start();
  int port() const { return port_; }
  // Serves until stopped; gives the process exit code.
  int run();

  // Blocks SIGTERM and SIGINT and lets them in only while the loop waits.
  static void installStopSignals();

 private:
  enum class Send { Bytes, Close, Reset };
  struct Outgoing {
    Send kind = Send::Bytes;
    std::string bytes;
    std::size_t sent = 0;
    std::int64_t dueUsec = 0;
    std::string event;  // a hangup's log line; empty logs nothing
  };

  void acceptClient();
  void readClient();
  void handleFrame(const Frame& frame, std::int64_t usec);
  void queueHangup(Send kind, std::string event);
  void sendDue(std::int64_t now);
  // Closes the client's socket; logs `text` unless it is empty.
  void dropClient(std::int64_t usec, std::string text, bool reset = false);
  void checkControlFile();
  void fillBacklog();
  void event(std::int64_t usec, const std::string& text);
  std::int64_t nextWakeUsec(std::int64_t now) const;
  bool waitingForWritable() const;

  SimOptions options_;
  EventLog log_;
  DeviceModel model_;
  int listenFd_ = -1;
  int port_ = 0;
  std::vector<int> backlogFillers_;

  int clientFd_ = -1;
  bool clientReading_ = false;
  bool clientBlocked_ = false;  // the last send would have blocked
  bool peerGone_ = false;       // the client has closed its side
  int commandCount_ = 0;
  CommandFramer framer_;
  ReplyShaper shaper_{1};
  std::deque<Outgoing> outgoing_;
  std::size_t queuedBytes_ = 0;  // reply bytes in outgoing_

  struct FileStamp {
    bool exists = false;
    ino_t inode = 0;
    timespec modified{};
    off_t size = 0;
    bool operator==(const FileStamp& o) const {
      return exists == o.exists && inode == o.inode && modified.tv_sec == o.modified.tv_sec &&
             modified.tv_nsec == o.modified.tv_nsec && size == o.size;
    }
  };
  FileStamp controlStamp_;
  std::int64_t nextControlCheckUsec_ = 0;
  pid_t parent_ = 0;
};

}  // namespace tastomat::sim
