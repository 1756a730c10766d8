// SPDX-License-Identifier: MIT
// The password dialog that comes before everything else.
#pragma once

#include <string_view>

#include "platform/platform.h"

namespace tastomat {

namespace loginControl {
inline constexpr int passwordField = 1;
inline constexpr int loginButton = 2;
inline constexpr int cancelButton = 3;
}  // namespace loginControl

// Whether the text is the program's password (whole text, case-sensitive).
// Only a salted hash is built in, compared in constant time.
bool passwordMatches(std::string_view entered);

// One attempt. True: the password was right and the dialog is closed. False:
// cancelled, closed, or wrong (after its message); the dialog is closed too.
bool runLogin(Platform& platform);

}  // namespace tastomat
