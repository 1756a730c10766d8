// SPDX-License-Identifier: MIT
// Runs boardsim, the stand-in board, as a child process of a test and reads its log.
#include "tests/support/boardsim_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace tastomat {
namespace {

using namespace std::chrono_literals;
constexpr auto pollInterval = 5ms;
constexpr auto startTimeout = 10s;
constexpr auto termTimeout = 3s;

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string makeFolder() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern =
      std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/boardsim.XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("boardsim: cannot make a temporary folder: " +
                             std::string(std::strerror(errno)));
  }
  return pattern;
}

std::string describeStatus(int status) {
  if (WIFEXITED(status)) {
    return "exit code " + std::to_string(WEXITSTATUS(status));
  }
  if (WIFSIGNALED(status)) {
    return "signal " + std::to_string(WTERMSIG(status));
  }
  return "status " + std::to_string(status);
}

}  // namespace

std::int64_t monotonicUsecNow() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1'000'000 + now.tv_nsec / 1000;
}

std::string boardsimPath() {
  return TASTOMAT_BOARDSIM_PATH;
}

BoardsimProcess::BoardsimProcess(std::vector<std::string> args) : folder_(makeFolder()) {
  std::vector<std::string> argv = {boardsimPath(),  "--port",     "0",
                                   "--port-file",   path("port"), "--log",
                                   path("log"),     "--control",  path("control"),
                                   "--max-seconds", "600",        "--exit-with-parent"};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> pointers;
  pointers.reserve(argv.size() + 1);
  for (std::string& arg : argv) {
    pointers.push_back(arg.data());
  }
  pointers.push_back(nullptr);

  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, path("stdout").c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  // A test runner may have blocked or ignored signals; boardsim needs the defaults.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none;
  sigemptyset(&none);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGTERM);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  const int spawned =
      posix_spawn(&pid_, pointers[0], &files, &attributes, pointers.data(), environ);
  posix_spawn_file_actions_destroy(&files);
  posix_spawnattr_destroy(&attributes);
  if (spawned != 0) {
    pid_ = -1;
    std::filesystem::remove_all(folder_);
    throw std::runtime_error("boardsim: cannot start " + boardsimPath() + ": " +
                             std::strerror(spawned));
  }

  const auto deadline = std::chrono::steady_clock::now() + startTimeout;
  while (std::chrono::steady_clock::now() < deadline) {
    const std::string text = readFile(path("port"));
    if (!text.empty()) {
      port_ = std::atoi(text.c_str());
      return;
    }
    if (reapIfExited()) {
      break;
    }
    std::this_thread::sleep_for(pollInterval);
  }
  const std::string why = pid_ < 0 ? describeStatus(status_) : "no port file after 10 s";
  const std::string printed = stdoutText();
  stop();
  std::filesystem::remove_all(folder_);
  throw std::runtime_error("boardsim did not start (" + why + "); it printed: " + printed);
}

BoardsimProcess::~BoardsimProcess() {
  stop();
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

bool BoardsimProcess::reapIfExited() {
  if (pid_ < 0) {
    return true;
  }
  int status = 0;
  if (waitpid(pid_, &status, WNOHANG) == pid_) {
    status_ = status;
    pid_ = -1;
    return true;
  }
  return false;
}

bool BoardsimProcess::running() {
  return !reapIfExited();
}

int BoardsimProcess::stop() {
  if (pid_ < 0) {
    return status_;
  }
  kill(pid_, SIGTERM);
  const auto deadline = std::chrono::steady_clock::now() + termTimeout;
  while (std::chrono::steady_clock::now() < deadline) {
    if (reapIfExited()) {
      return status_;
    }
    std::this_thread::sleep_for(pollInterval);
  }
  kill(pid_, SIGKILL);
  int status = 0;
  while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  status_ = status;
  pid_ = -1;
  return status_;
}

std::string BoardsimProcess::logText() const {
  return readFile(path("log"));
}
std::string BoardsimProcess::stdoutText() const {
  return readFile(path("stdout"));
}

std::vector<SimLogEntry> BoardsimProcess::readLog() const {
  std::vector<SimLogEntry> entries;
  std::istringstream lines(logText());
  std::string line;
  // A line still being written has no newline yet; getline would hand it over
  // cut, so only complete lines count.
  while (std::getline(lines, line) && !lines.eof()) {
    const std::size_t space = line.find(' ');
    if (space == std::string::npos) {
      continue;
    }
    entries.push_back({std::atoll(line.substr(0, space).c_str()), line.substr(space + 1)});
  }
  return entries;
}

std::vector<SimLogEntry> BoardsimProcess::commands() const {
  std::vector<SimLogEntry> result;
  for (SimLogEntry& entry : readLog()) {
    if (entry.isCommand()) {
      result.push_back(std::move(entry));
    }
  }
  return result;
}

bool BoardsimProcess::waitForLogLines(
    const std::function<bool(const std::vector<SimLogEntry>&)>& done, Timeout timeout) const {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (true) {
    if (done(readLog())) {
      return true;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      return false;
    }
    std::this_thread::sleep_for(pollInterval);
  }
}

bool BoardsimProcess::waitForEntry(std::string_view text, Timeout timeout) const {
  return waitForLogLines(
      [text](const std::vector<SimLogEntry>& entries) {
        for (const SimLogEntry& entry : entries) {
          if (entry.text == text) {
            return true;
          }
        }
        return false;
      },
      timeout);
}

bool BoardsimProcess::setControl(const std::string& key, const std::string& value,
                                 Timeout timeout) {
  controls_[key] = value;
  const std::size_t seen = readLog().size();
  {
    std::ofstream out(path("control.tmp"), std::ios::trunc);
    for (const auto& [k, v] : controls_) {
      out << k << '=' << v << '\n';
    }
  }
  // rename gives the file a new inode, so boardsim sees the change even within
  // one tick of the file system's clock.
  if (std::rename(path("control.tmp").c_str(), path("control").c_str()) != 0) {
    return false;
  }
  const std::string applied = "#control " + key + "=" + value;
  bool refused = false;
  const bool taken = waitForLogLines(
      [&](const std::vector<SimLogEntry>& entries) {
        for (std::size_t i = seen; i < entries.size(); ++i) {
          if (entries[i].text == applied) {
            return true;
          }
          if (entries[i].text.rfind("#control-error", 0) == 0) {
            refused = true;
          }
        }
        return refused;
      },
      timeout);
  if (!taken || refused) {
    controls_.erase(key);  // else every later reload would refuse it again
    return false;
  }
  return true;
}

}  // namespace tastomat
