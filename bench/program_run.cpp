// SPDX-License-Identifier: MIT
// One run of the real program (QtPlatform, offscreen), with the benchmark as its user.
//
// ScriptedUser is a Platform that hands every call to the QtPlatform and only
// stands in for the person in front of the window: it types the password, moves
// the slider and clicks buttons by returning their events from waitEvent, as
// the Qt platform would after a real click. Everything else -- the flow, the
// board link, the widgets, the wait hook -- is the program itself.
#include "bench/program_run.h"

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <optional>
#include <utility>

#include "app/flow.h"
#include "app/login.h"
#include "app/panel_settings.h"
#include "bench/stats.h"
#include "board/wait_hook.h"
#include "panel/layout.h"
#include "platform/qt/qt_platform.h"

namespace tastomat::bench {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int singlePressButton = 47;  // "Device 01" EIN
constexpr int groupButton = 79;        // remote control 1, all on
constexpr int firstDeviceButton = 47;
constexpr int lastDeviceButton = 62;
constexpr int mainWindowWidth = 590;
constexpr int mainWindowHeight = 510;

// Assembled at run time, so no built file carries it in one piece.
std::string password() {
  return std::string("pf") + "au";
}

// The process's CPU time, all threads, to the nanosecond (getrusage counts in
// scheduler ticks, too coarse for a loop that wakes once a second).
double cpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

long peakRssKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// The wait hook is a plain function pointer, so its timing lives here.
struct HookTiming {
  WaitHook inner = nullptr;
  std::vector<Clock::time_point> starts;
  double longestMs = 0;
};
HookTiming* hookTiming = nullptr;

void timedHook() {
  const auto start = Clock::now();
  hookTiming->starts.push_back(start);
  if (hookTiming->inner != nullptr) {
    hookTiming->inner();
  }
  hookTiming->longestMs = std::max(hookTiming->longestMs, msBetween(start, Clock::now()));
}

enum class Step { Slider, Press, Query, Group, Memory, Idle, Close };
enum class Action { None, Press, Query, Group };

class ScriptedUser final : public Platform {
 public:
  ScriptedUser(Platform& real, const ProgramScript& script) : real_(real), script_(script) {
    if (script.pressDurationMs > 0) {
      steps_.push_back(Step::Slider);
    }
    steps_.insert(steps_.end(), static_cast<std::size_t>(script.presses), Step::Press);
    steps_.insert(steps_.end(), static_cast<std::size_t>(script.queries), Step::Query);
    if (script.groupAction) {
      steps_.push_back(Step::Group);
    }
    steps_.push_back(Step::Memory);
    if (script.idleS > 0) {
      steps_.push_back(Step::Idle);
    }
    steps_.push_back(Step::Close);
  }

  const std::vector<std::pair<std::string, double>>& figures() const { return figures_; }
  const std::vector<std::string>& problems() const { return problems_; }
  bool reachedMainLoop() const { return startupMeasured_; }

  // Controls: a device button's disabling and enabling bracket one press.
  void setEnabled(int controlId, bool enabled) override {
    const bool deviceButton = controlId >= firstDeviceButton && controlId <= lastDeviceButton;
    if (deviceButton && !enabled) {
      pressStart_ = Clock::now();
    }
    real_.setEnabled(controlId, enabled);
    if (deviceButton && enabled && pressStart_) {
      add("press_ms", msBetween(*pressStart_, Clock::now()));
      pressStart_.reset();
    }
  }
  void setText(int controlId, const std::string& text) override { real_.setText(controlId, text); }
  void setTextColour(int controlId, Rgb colour) override { real_.setTextColour(controlId, colour); }

  WindowId openWindow(int clientWidth, int clientHeight, const std::string& title,
                      FrameKind frame) override {
    const WindowId window = real_.openWindow(clientWidth, clientHeight, title, frame);
    if (loginWindow_ == noWindow) {
      loginWindow_ = window;
    } else if (clientWidth == mainWindowWidth && clientHeight == mainWindowHeight) {
      mainWindow_ = window;
    }
    return window;
  }
  void closeWindow(WindowId window) override {
    if (window == loginWindow_ && !loginClosed_) {
      loginClosed_ = Clock::now();
    }
    real_.closeWindow(window);
  }
  void setWindowIcon(WindowId window, std::span<const std::uint8_t> bmp) override {
    real_.setWindowIcon(window, bmp);
  }
  void addControl(WindowId window, const ControlSpec& spec) override {
    real_.addControl(window, spec);
  }
  void setFlickerFree(WindowId window) override { real_.setFlickerFree(window); }
  void armTimer(WindowId window, int timerId, int periodMs) override {
    real_.armTimer(window, timerId, periodMs);
  }
  void removeTimer(WindowId window, int timerId) override { real_.removeTimer(window, timerId); }
  std::string text(int controlId) override { return real_.text(controlId); }
  int state(int controlId) override { return real_.state(controlId); }
  void setState(int controlId, int value) override { real_.setState(controlId, value); }
  void setFocus(int controlId) override { real_.setFocus(controlId); }

  Event waitEvent(int timeoutMs) override {
    const auto entered = Clock::now();
    if (mainWindow_ == noWindow) {
      return loginAnswer(timeoutMs);
    }
    endAction(entered);
    if (!startupMeasured_) {
      // The first wait paints the new window; the start-up ends after it.
      const Event pending = real_.waitEvent(0);
      startupMeasured_ = true;
      if (loginClosed_) {
        add("startup_ms", msBetween(*loginClosed_, Clock::now()));
      }
      if (pending.kind != EventKind::None) {
        return pending;
      }
    }
    while (next_ < steps_.size()) {
      switch (steps_[next_]) {
        case Step::Slider:
          ++next_;
          real_.setState(controlId::pressDurationSlider, script_.pressDurationMs);
          return Event{EventKind::Other, 0, 0};  // the next pass reads the slider
        case Step::Press:
          ++next_;
          return begin(Action::Press, singlePressButton);
        case Step::Query:
          ++next_;
          return begin(Action::Query, controlId::queryButton);
        case Step::Group:
          ++next_;
          hook_ = HookTiming{waitHook(), {}, 0};
          hookTiming = &hook_;
          setWaitHook(timedHook);
          return begin(Action::Group, groupButton);
        case Step::Memory:
          ++next_;
          add("peak_rss_kb", static_cast<double>(peakRssKb()));
          break;
        case Step::Idle:
          if (const auto waited = idle(timeoutMs)) {
            return *waited;
          }
          ++next_;
          break;
        case Step::Close:
          ++next_;
          return Event{EventKind::CloseRequest, 0, 0};
      }
    }
    return Event{EventKind::CloseRequest, 0, 0};
  }

  void messageBox(const std::string& title, const std::string& text) override {
    // Nobody would press OK: note it and let the program run on to its end.
    problems_.emplace_back("message box '" + title + "': " + text);
  }
  bool startSound() override { return real_.startSound(); }
  bool loadSound(int number, std::span<const std::uint8_t> wav) override {
    return real_.loadSound(number, wav);
  }
  void playSound(int number) override { real_.playSound(number); }
  bool loadImage(int number, std::span<const std::uint8_t> bmp) override {
    return real_.loadImage(number, bmp);
  }
  void openUrl(const std::string& url) override { real_.openUrl(url); }
  void shutdown() override { real_.shutdown(); }

 private:
  void add(const std::string& name, double value) { figures_.emplace_back(name, value); }

  Event loginAnswer(int timeoutMs) {
    if (!loginAnswered_) {
      loginAnswered_ = true;
      real_.setText(loginControl::passwordField, password());
      return Event{EventKind::Control, loginControl::loginButton, 0};
    }
    problems_.emplace_back("the login asked again");
    return real_.waitEvent(timeoutMs);
  }

  Event begin(Action action, int controlId) {
    action_ = action;
    actionStart_ = Clock::now();
    return Event{EventKind::Control, controlId, 0};
  }

  void endAction(Clock::time_point now) {
    switch (action_) {
      case Action::None:
      case Action::Press:
        break;
      case Action::Query:
        add("query_action_ms", msBetween(actionStart_, now));
        break;
      case Action::Group: {
        setWaitHook(hook_.inner);
        hookTiming = nullptr;
        double longestGap = 0;
        Clock::time_point previous = actionStart_;
        for (const auto& start : hook_.starts) {
          longestGap = std::max(longestGap, msBetween(previous, start));
          previous = start;
        }
        longestGap = std::max(longestGap, msBetween(previous, now));
        add("group_action_ms", msBetween(actionStart_, now));
        add("group_pump_gap_ms", longestGap);
        add("group_hook_longest_ms", hook_.longestMs);
        add("group_hook_calls", static_cast<double>(hook_.starts.size()));
        break;
      }
    }
    action_ = Action::None;
  }

  // The main loop left alone: its own waits, its own events. Nothing once over.
  std::optional<Event> idle(int timeoutMs) {
    const auto now = Clock::now();
    if (!idleStart_) {
      idleStart_ = now;
      idleCpuStartMs_ = cpuMs();
    }
    const double leftMs = script_.idleS * 1000.0 - msBetween(*idleStart_, now);
    if (leftMs > 0) {
      ++idlePasses_;
      return real_.waitEvent(std::min(timeoutMs, static_cast<int>(std::ceil(leftMs))));
    }
    const double cpu = cpuMs() - idleCpuStartMs_;
    const double wallMs = msBetween(*idleStart_, now);
    add("idle_cpu_ms", cpu);
    add("idle_wall_s", wallMs / 1000.0);
    add("idle_cpu_pct", 100.0 * cpu / wallMs);
    add("idle_passes", idlePasses_);
    return std::nullopt;
  }

  Platform& real_;
  ProgramScript script_;
  std::vector<Step> steps_;
  std::size_t next_ = 0;
  std::vector<std::pair<std::string, double>> figures_;
  std::vector<std::string> problems_;

  WindowId loginWindow_ = noWindow;
  WindowId mainWindow_ = noWindow;
  bool loginAnswered_ = false;
  std::optional<Clock::time_point> loginClosed_;
  bool startupMeasured_ = false;

  Action action_ = Action::None;
  Clock::time_point actionStart_;
  std::optional<Clock::time_point> pressStart_;
  HookTiming hook_;

  std::optional<Clock::time_point> idleStart_;
  double idleCpuStartMs_ = 0;
  double idlePasses_ = 0;
};

struct Option {
  const char* name;
  int ProgramScript::*field;
};
constexpr Option numberOptions[] = {
    {"--port", &ProgramScript::boardPort},  {"--duration", &ProgramScript::pressDurationMs},
    {"--presses", &ProgramScript::presses}, {"--queries", &ProgramScript::queries},
    {"--idle", &ProgramScript::idleS},
};

}  // namespace

std::vector<std::string> scriptArguments(const ProgramScript& script) {
  std::vector<std::string> args;
  for (const Option& option : numberOptions) {
    args.emplace_back(option.name);
    args.push_back(std::to_string(script.*option.field));
  }
  if (script.groupAction) {
    args.emplace_back("--group");
  }
  return args;
}

std::optional<ProgramScript> parseScript(const std::vector<std::string>& args, std::string& error) {
  ProgramScript script;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--group") {
      script.groupAction = true;
      continue;
    }
    const auto option = std::find_if(std::begin(numberOptions), std::end(numberOptions),
                                     [&](const Option& o) { return args[i] == o.name; });
    if (option == std::end(numberOptions) || i + 1 >= args.size()) {
      error = "program: unknown option or missing value: " + args[i];
      return std::nullopt;
    }
    const std::string& text = args[++i];
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 0) {
      error = "program: not a number: " + std::string(option->name) + " " + text;
      return std::nullopt;
    }
    script.*option->field = value;
  }
  if (script.boardPort <= 0 || script.boardPort > 65535) {
    error = "program: --port is needed (the stand-in board's port on 127.0.0.1)";
    return std::nullopt;
  }
  return script;
}

int runScriptedProgram(const ProgramScript& script) {
  QtPlatform qt;
  ScriptedUser user(qt, script);
  // The stand-in board on loopback, whatever address this build has built in.
  const int port = script.boardPort;
  runProgram(user, [port] {
    PanelSettings settings = fillSettings();
    settings.boardAddress = "127.0.0.1";
    settings.boardPort = port;
    return settings;
  });
  for (const auto& [name, value] : user.figures()) {
    std::printf("%s %.4f\n", name.c_str(), value);
  }
  std::vector<std::string> problems = user.problems();
  if (!user.reachedMainLoop()) {
    problems.emplace_back("the program never reached its main loop");
  }
  for (const std::string& problem : problems) {
    std::printf("problem %s\n", problem.c_str());
  }
  std::fflush(stdout);
  return problems.empty() ? 0 : 1;
}

}  // namespace tastomat::bench
