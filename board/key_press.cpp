// SPDX-License-Identifier: MIT
// KeyPressSequencer: the eight setport steps of one key press and their pauses.
#include "board/key_press.h"

#include "board/commands.h"

namespace tastomat {

std::array<std::string, 8> pressCommands(const KeyPress& keyPress) {
  return {
      setportCommand(7, keyPress.selectLevel7),  setportCommand(8, keyPress.selectLevel8),
      setportCommand(keyPress.rowOutput, 1),     setportCommand(keyPress.channelOutput, 1),
      setportCommand(keyPress.channelOutput, 0), setportCommand(keyPress.rowOutput, 0),
      setportCommand(7, keyPress.endLevel7),     setportCommand(8, keyPress.endLevel8),
  };
}

void press(const KeyPress& keyPress, const BoardConnection& connection, ReplyArea& pressReplies,
           int halfPressMs, int pressDurationMs, Controls& controls) {
  // The key is held (row and channel on) between steps 4 and 5.
  const std::array<int, 7> pauseAfterStepMs{halfPressMs, halfPressMs, halfPressMs, pressDurationMs,
                                            halfPressMs, halfPressMs, halfPressMs};
  const auto commands = pressCommands(keyPress);

  controls.setEnabled(keyPress.button, false);
  for (std::size_t step = 0; step < commands.size(); ++step) {
    sendCommand(connection, commands[step]);
    // The reply only tells that the board has taken the command.
    readReply(connection, pressReplies);
    if (step < pauseAfterStepMs.size()) {
      sleepMs(pauseAfterStepMs[step]);
    }
  }
  controls.setEnabled(keyPress.button, true);
}

}  // namespace tastomat
