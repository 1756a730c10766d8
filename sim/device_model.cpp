// SPDX-License-Identifier: MIT
// The K8IO outputs wired to the remote controls' keys: which socket a press switches.
#include "sim/device_model.h"

#include <algorithm>
#include <cstdio>

namespace tastomat::sim {
namespace {

constexpr int firstChannelOutput = 3;
constexpr int channelsPerRemote = 4;

struct RowOutput {
  int output;
  KeyRow row;
};
constexpr RowOutput rowOutputs[] = {{1, KeyRow::Ein}, {2, KeyRow::Aus}};

}  // namespace

std::string describe(const KeyPressed& key) {
  char text[40];
  std::snprintf(text, sizeof text, "Device %02d: %s", key.device(),
                key.row == KeyRow::Ein ? "EIN" : "AUS");
  return text;
}

int DeviceModel::remote() const {
  return 1 + (level(7) ? 1 : 0) + (level(8) ? 2 : 0);
}

std::vector<KeyPressed> DeviceModel::heldKeys() const {
  std::vector<KeyPressed> keys;
  for (const RowOutput& row : rowOutputs) {
    if (!level(row.output)) {
      continue;
    }
    for (int channel = 1; channel <= channelsPerRemote; ++channel) {
      if (level(firstChannelOutput + channel - 1)) {
        keys.push_back({remote(), row.row, channel});
      }
    }
  }
  return keys;
}

std::vector<KeyPressed> DeviceModel::setOutput(int output, bool newLevel) {
  if (output < 1 || output > outputCount) {
    return {};
  }
  const std::vector<KeyPressed> before = heldKeys();
  levels_[static_cast<std::size_t>(output - 1)] = newLevel;
  std::vector<KeyPressed> started;
  for (const KeyPressed& key : heldKeys()) {
    if (std::find(before.begin(), before.end(), key) == before.end()) {
      started.push_back(key);
    }
  }
  return started;
}

}  // namespace tastomat::sim
