// SPDX-License-Identifier: MIT
// The K8IO outputs wired to the remote controls' keys: which socket a press switches.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace tastomat::sim {

enum class KeyRow { Ein, Aus };

// One key of one remote control held down.
struct KeyPressed {
  int remote = 0;  // 1..4, from the levels of outputs 7 and 8
  KeyRow row = KeyRow::Ein;
  int channel = 0;  // 1..4
  int device() const { return (remote - 1) * 4 + channel; }
  bool operator==(const KeyPressed&) const = default;
};

// "Device 06: EIN"
std::string describe(const KeyPressed& key);

// Outputs 1..8 and the keys they hold. Output 1 is the EIN row, 2 the AUS row,
// 3..6 channels 1..4; outputs 7 and 8 select the remote control
// ((0,0) -> 1, (1,0) -> 2, (0,1) -> 3, (1,1) -> 4). A key is held while its row
// output and its channel output are both 1.
class DeviceModel {
 public:
  static constexpr int outputCount = 8;

  // Sets output 1..8 to 0 or 1; gives the keys whose press starts with this change.
  std::vector<KeyPressed> setOutput(int output, bool level);

  bool level(int output) const { return levels_.at(static_cast<std::size_t>(output - 1)); }
  int remote() const;
  std::vector<KeyPressed> heldKeys() const;

 private:
  std::array<bool, outputCount> levels_{};
};

}  // namespace tastomat::sim
