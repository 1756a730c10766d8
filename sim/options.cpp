// SPDX-License-Identifier: MIT
// boardsim's settings: command line, control file, and the fault switches.
#include "sim/options.h"

#include <arpa/inet.h>

#include <algorithm>
#include <charconv>

namespace tastomat::sim {
namespace {

using FlagField = bool& (*)(SimOptions&);
using NumberField = int& (*)(SimOptions&);
using TextField = std::string& (*)(SimOptions&);

// One row per setting. `live` rows may also be changed through the control file.
struct Setting {
  std::string_view name;
  bool live;
  FlagField flag;
  NumberField number;
  TextField text;
  int min;
  int max;
  std::string_view valueName;
  std::string_view help;
};

constexpr int manyBytes = 1 << 20;
constexpr int longMs = 600'000;

// clang-format off
const Setting settings[] = {
  {"listen", false, nullptr, nullptr, [](SimOptions& o) -> std::string& { return o.listenAddress; }, 0, 0,
   "ADDR", "address to listen on, 127.0.0.0/8 only (127.0.0.1)"},
  {"port", false, nullptr, [](SimOptions& o) -> int& { return o.port; }, nullptr, 0, 65535,
   "N", "TCP port, 0 = any free one (0)"},
  {"port-file", false, nullptr, nullptr, [](SimOptions& o) -> std::string& { return o.portFile; }, 0, 0,
   "FILE", "write the port there (atomically) once listening"},
  {"log", false, nullptr, nullptr, [](SimOptions& o) -> std::string& { return o.logFile; }, 0, 0,
   "FILE", "one line per command and event: <usec> <text>"},
  {"control", false, nullptr, nullptr, [](SimOptions& o) -> std::string& { return o.controlFile; }, 0, 0,
   "FILE", "key=value lines, re-read when the file changes"},
  {"verbose", false, [](SimOptions& o) -> bool& { return o.verbose; }, nullptr, nullptr, 0, 1,
   "", "print every command and reply"},
  {"max-seconds", false, nullptr, [](SimOptions& o) -> int& { return o.maxSeconds; }, nullptr, 1, 86400,
   "N", "exit by itself after N seconds (600)"},
  {"exit-with-parent", false, [](SimOptions& o) -> bool& { return o.exitWithParent; }, nullptr, nullptr, 0, 1,
   "", "exit when the process that started boardsim ends"},
  {"adc1", true, nullptr, [](SimOptions& o) -> int& { return o.inputs.adc1; }, nullptr, 0, 65535,
   "N", "GETADC 1 reports N (0)"},
  {"adc2", true, nullptr, [](SimOptions& o) -> int& { return o.inputs.adc2; }, nullptr, 0, 65535,
   "N", "GETADC 2 reports N (0)"},
  {"port1", true, nullptr, [](SimOptions& o) -> int& { return o.inputs.port1; }, nullptr, 0, 1,
   "0|1", "GETPORT 1 reports it (0)"},
  {"port2", true, nullptr, [](SimOptions& o) -> int& { return o.inputs.port2; }, nullptr, 0, 1,
   "0|1", "GETPORT 2 reports it (0)"},
  {"silent", true, [](SimOptions& o) -> bool& { return o.faults.silent; }, nullptr, nullptr, 0, 1,
   "", "never answer"},
  {"silent-after", true, nullptr, [](SimOptions& o) -> int& { return o.faults.silentAfter; }, nullptr, -1, manyBytes,
   "N", "answer N commands per connection, then none"},
  {"close-after", true, nullptr, [](SimOptions& o) -> int& { return o.faults.closeAfter; }, nullptr, -1, manyBytes,
   "N", "close on the N-th command without answering or carrying it out; 0 = at accept"},
  {"reset-after", true, nullptr, [](SimOptions& o) -> int& { return o.faults.resetAfter; }, nullptr, -1, manyBytes,
   "N", "as close-after, but reset the connection (RST)"},
  {"split", true, [](SimOptions& o) -> bool& { return o.faults.split; }, nullptr, nullptr, 0, 1,
   "", "send every reply one byte per send"},
  {"split-gap-ms", true, nullptr, [](SimOptions& o) -> int& { return o.faults.splitGapMs; }, nullptr, 0, longMs,
   "N", "pause between split bytes (2)"},
  {"oversize", true, nullptr, [](SimOptions& o) -> int& { return o.faults.oversize; }, nullptr, 0, 65536,
   "N", "every reply exactly N bytes: the reply, then 'x' filler"},
  {"junk", true, [](SimOptions& o) -> bool& { return o.faults.junk; }, nullptr, nullptr, 0, 1,
   "", "answer with binary junk (zero bytes, bytes > 127)"},
  {"seed", true, nullptr, [](SimOptions& o) -> int& { return o.faults.seed; }, nullptr, 0, 1 << 30,
   "N", "junk seed (1), restarted per connection"},
  {"delay-ms", true, nullptr, [](SimOptions& o) -> int& { return o.faults.delayMs; }, nullptr, 0, longMs,
   "N", "answer N ms after the command arrived"},
  {"no-accept", false, [](SimOptions& o) -> bool& { return o.faults.noAccept; }, nullptr, nullptr, 0, 1,
   "", "listen but never accept (connects succeed)"},
  {"backlog-full", false, [](SimOptions& o) -> bool& { return o.faults.backlogFull; }, nullptr, nullptr, 0, 1,
   "", "never accept, listen queue kept full: connects hang"},
};
// clang-format on

const Setting* findSetting(std::string_view name) {
  for (const Setting& setting : settings) {
    if (setting.name == name) {
      return &setting;
    }
  }
  return nullptr;
}

std::string_view trim(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!s.empty() && blank(s.front())) {
    s.remove_prefix(1);
  }
  while (!s.empty() && blank(s.back())) {
    s.remove_suffix(1);
  }
  return s;
}

// Gives an error text, or empty when the value was taken.
std::string assign(SimOptions& options, const Setting& setting, std::string_view value) {
  if (setting.text != nullptr) {
    setting.text(options) = std::string(value);
    return {};
  }
  int number = 0;
  const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), number);
  if (ec != std::errc() || end != value.data() + value.size() || number < setting.min ||
      number > setting.max) {
    return std::string(setting.name) + ": '" + std::string(value) + "' is not a number from " +
           std::to_string(setting.min) + " to " + std::to_string(setting.max);
  }
  if (setting.flag != nullptr) {
    setting.flag(options) = number != 0;
  } else {
    setting.number(options) = number;
  }
  return {};
}

}  // namespace

bool isLoopbackAddress(const std::string& address) {
  in_addr parsed{};
  if (inet_pton(AF_INET, address.c_str(), &parsed) != 1) {
    return false;
  }
  return (ntohl(parsed.s_addr) >> 24) == 127;
}

CommandLine parseCommandLine(const std::vector<std::string>& args) {
  CommandLine result;
  for (std::size_t i = 0; i < args.size() && result.error.empty(); ++i) {
    std::string_view arg = args[i];
    if (arg == "--help" || arg == "-h") {
      result.helpWanted = true;
      return result;
    }
    if (arg.substr(0, 2) != "--") {
      result.error = "unexpected argument '" + std::string(arg) + "'";
      break;
    }
    arg.remove_prefix(2);
    std::string_view name = arg;
    std::string value;
    bool hasValue = false;
    if (const std::size_t eq = arg.find('='); eq != std::string_view::npos) {
      name = arg.substr(0, eq);
      value = std::string(arg.substr(eq + 1));
      hasValue = true;
    }
    const Setting* setting = findSetting(name);
    if (setting == nullptr) {
      result.error = "unknown option --" + std::string(name);
      break;
    }
    if (setting->flag != nullptr && !hasValue) {
      value = "1";
    } else if (!hasValue) {
      if (i + 1 >= args.size()) {
        result.error = "--" + std::string(name) + " needs a value";
        break;
      }
      value = args[++i];
    }
    result.error = assign(result.options, *setting, value);
  }
  if (result.error.empty() && !isLoopbackAddress(result.options.listenAddress)) {
    result.error = "refusing to listen on '" + result.options.listenAddress +
                   "': only 127.0.0.0/8 addresses are allowed";
  }
  if (result.options.faults.backlogFull) {
    result.options.faults.noAccept = true;
  }
  return result;
}

std::string usageText() {
  std::string text =
      "usage: boardsim [options]\n"
      "A stand-in AVR-NET-IO board on loopback: SETPORT n.v, GETADC n, GETPORT n.\n"
      "Options (also --name=value; flags take no value):\n";
  for (const Setting& setting : settings) {
    std::string head = "  --" + std::string(setting.name);
    if (!setting.valueName.empty()) {
      head += " " + std::string(setting.valueName);
    }
    head.resize(std::max<std::size_t>(head.size() + 1, 24), ' ');
    text += head + (setting.live ? "* " : "  ") + std::string(setting.help) + "\n";
  }
  text +=
      "* may also be set in the control file, as key=value lines (flags 0 or 1, counts -1 = "
      "off):\n ";
  for (const Setting& setting : settings) {
    if (setting.live) {
      text += " " + std::string(setting.name);
    }
  }
  text += "\n";
  return text;
}

ControlResult applyControlText(SimOptions& options, std::string_view text) {
  ControlResult result;
  while (!text.empty()) {
    const std::size_t newline = text.find('\n');
    const std::string_view line = trim(text.substr(0, newline));
    text = newline == std::string_view::npos ? std::string_view{} : text.substr(newline + 1);
    if (line.empty() || line.front() == '#') {
      continue;
    }
    const std::size_t eq = line.find('=');
    const std::string_view key = trim(line.substr(0, eq));
    const Setting* setting = findSetting(key);
    if (eq == std::string_view::npos || setting == nullptr || !setting->live) {
      result.errors.push_back("not a control setting: " + std::string(line));
      continue;
    }
    const std::string_view value = trim(line.substr(eq + 1));
    if (std::string error = assign(options, *setting, value); !error.empty()) {
      result.errors.push_back(error);
      continue;
    }
    result.applied.push_back(std::string(key) + "=" + std::string(value));
  }
  return result;
}

}  // namespace tastomat::sim
