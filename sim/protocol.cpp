// SPDX-License-Identifier: MIT
// The board's command language: what a command means and what the board answers.
#include "sim/protocol.h"

#include <cctype>
#include <optional>

namespace tastomat::sim {
namespace {

constexpr std::string_view ack = "ACK\r\n";
constexpr std::string_view nak = "NAK\r\n";

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) {
    s.remove_prefix(1);
  }
  while (!s.empty() && isBlank(s.back())) {
    s.remove_suffix(1);
  }
  return s;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

// Plain decimal digits only, short enough never to overflow.
std::optional<int> parseNumber(std::string_view s) {
  if (s.empty() || s.size() > 4) {
    return std::nullopt;
  }
  int value = 0;
  for (char c : s) {
    if (c < '0' || c > '9') {
      return std::nullopt;
    }
    value = value * 10 + (c - '0');
  }
  return value;
}

struct Keyword {
  std::string_view name;
  CommandKind kind;
  int maxIndex;
};
constexpr Keyword keywords[] = {
    {"setport", CommandKind::SetPort, DeviceModel::outputCount},
    {"getadc", CommandKind::GetAdc, 2},
    {"getport", CommandKind::GetPort, 2},
};

}  // namespace

Command parseCommand(std::string_view text) {
  text = trim(text);
  std::size_t split = 0;
  while (split < text.size() && !isBlank(text[split])) {
    ++split;
  }
  const std::string_view word = text.substr(0, split);
  const std::string_view argument = trim(text.substr(split));

  for (const Keyword& keyword : keywords) {
    if (!equalsIgnoreCase(word, keyword.name)) {
      continue;
    }
    Command command;
    std::string_view indexText = argument;
    if (keyword.kind == CommandKind::SetPort) {
      const std::size_t point = argument.find('.');
      if (point == std::string_view::npos) {
        return {};
      }
      indexText = argument.substr(0, point);
      const std::optional<int> level = parseNumber(argument.substr(point + 1));
      if (!level || *level > 1) {
        return {};
      }
      command.level = *level;
    }
    const std::optional<int> index = parseNumber(indexText);
    if (!index || *index < 1 || *index > keyword.maxIndex) {
      return {};
    }
    command.kind = keyword.kind;
    command.index = *index;
    return command;
  }
  return {};
}

Answer carryOut(const Command& command, const BoardInputs& inputs, DeviceModel& model) {
  Answer answer;
  switch (command.kind) {
    case CommandKind::SetPort:
      answer.started = model.setOutput(command.index, command.level == 1);
      answer.reply = ack;
      break;
    case CommandKind::GetAdc:
      answer.reply = std::to_string(command.index == 1 ? inputs.adc1 : inputs.adc2) + "\r\n";
      break;
    case CommandKind::GetPort:
      answer.reply = (command.index == 1 ? inputs.port1 : inputs.port2) != 0 ? "1\r\n" : "0\r\n";
      break;
    case CommandKind::Invalid:
      answer.reply = nak;
      break;
  }
  return answer;
}

}  // namespace tastomat::sim
