// SPDX-License-Identifier: MIT
// The ActionTable as data: single key presses, groups of them, query, home page.
#include "panel/action_table.h"

#include <algorithm>
#include <array>
#include <span>
#include <string>

#include "panel/layout.h"

namespace tastomat {
namespace {

// One device button of remote control 1 or 2. The button disabled during the
// press is the entry's own; outputs 7 and 8 end at 0 and output 8 starts at 0.
struct SingleKeyRow {
  int id;
  int selectLevel7;   // 0: remote control 1, 1: remote control 2
  int rowOutput;      // 1: EIN, 2: AUS
  int channelOutput;  // 3..6: channel 1..4
};

constexpr std::array<SingleKeyRow, 16> singleKeys{{
    {47, 0, 1, 3},  // Device 01 EIN
    {48, 0, 1, 4},  // Device 02 EIN
    {49, 0, 1, 5},  // Device 03 EIN
    {50, 0, 1, 6},  // Device 04 EIN
    {51, 0, 2, 3},  // Device 01 AUS
    {52, 0, 2, 4},  // Device 02 AUS
    {53, 0, 2, 5},  // Device 03 AUS
    {54, 0, 2, 6},  // Device 04 AUS
    {55, 1, 1, 3},  // Device 05 EIN
    {56, 1, 1, 4},  // Device 06 EIN
    {57, 1, 1, 5},  // Device 07 EIN
    {58, 1, 1, 6},  // Device 08 EIN
    {59, 1, 2, 3},  // Device 05 AUS
    {60, 1, 2, 4},  // Device 06 AUS
    {61, 1, 2, 5},  // Device 07 AUS
    {62, 1, 2, 6},  // Device 08 AUS
}};

struct GroupRow {
  int id;
  std::array<int, 8> keys;  // single-key ids, in order; only the first 'count' are used
  int count;
  bool queryAfterwards;
};

constexpr std::array<GroupRow, 6> groups{{
    {79, {47, 48, 49, 50}, 4, true},
    {80, {55, 56, 57, 58}, 4, true},
    {83, {51, 52, 53, 54}, 4, true},
    {84, {59, 60, 61, 62}, 4, true},
    {87, {47, 48, 49, 50, 55, 56, 57, 58}, 8, false},
    {88, {51, 52, 53, 54, 59, 60, 61, 62}, 8, false},
}};

template <typename Row, std::size_t N>
constexpr const Row* find(const std::array<Row, N>& table, int id) {
  const auto it =
      std::find_if(table.begin(), table.end(), [id](const Row& r) { return r.id == id; });
  return it == table.end() ? nullptr : &*it;
}

// Every group names only single-key entries, so dispatch never meets a gap.
constexpr bool groupsNameSingleKeys() {
  for (const GroupRow& group : groups) {
    for (int i = 0; i < group.count; ++i) {
      if (find(singleKeys, group.keys[static_cast<std::size_t>(i)]) == nullptr) {
        return false;
      }
    }
  }
  return true;
}
static_assert(groupsNameSingleKeys());

KeyPress keyPressOf(const SingleKeyRow& row) {
  KeyPress k;
  k.button = row.id;
  k.selectLevel7 = row.selectLevel7;
  k.selectLevel8 = 0;
  k.rowOutput = row.rowOutput;
  k.channelOutput = row.channelOutput;
  k.endLevel7 = 0;
  k.endLevel8 = 0;
  return k;
}

void pressKey(const SingleKeyRow& row, ActionContext& c) {
  press(keyPressOf(row), c.connection, c.pressReplies, c.halfPressMs, c.pressDurationMs,
        c.platform);
}

}  // namespace

void dispatch(int id, ActionContext& c) {
  if (const SingleKeyRow* key = find(singleKeys, id)) {
    playClick(c.platform, c.click);
    pressKey(*key, c);
    queryInputs(c.query, c.platform);
  } else if (const GroupRow* group = find(groups, id)) {
    playClick(c.platform, c.click);
    for (int keyId : std::span(group->keys).first(static_cast<std::size_t>(group->count))) {
      pressKey(*find(singleKeys, keyId), c);
      sleepMs(c.halfPressMs);  // also after the last press
    }
    if (group->queryAfterwards) {
      queryInputs(c.query, c.platform);
    }
  } else if (id == controlId::queryButton) {
    playClick(c.platform, c.click);
    queryInputs(c.query, c.platform);
  } else if (id == controlId::homePageButton) {
    playClick(c.platform, c.click);
    c.platform.openUrl(std::string(homePageUrl));
  }
}

}  // namespace tastomat
