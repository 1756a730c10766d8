// SPDX-License-Identifier: MIT
// The board's command texts, byte for byte.
#include "board/commands.h"

namespace tastomat {

std::string setportCommand(int output, int level) {
  std::string text = "setport ";
  text += std::to_string(output);
  text += '.';
  text += std::to_string(level);
  text += CommandTerminator;
  return text;
}

}  // namespace tastomat
