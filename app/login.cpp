// SPDX-License-Identifier: MIT
// The password dialog: one attempt, read only when "Anmelden" is clicked.
#include "app/login.h"

#include <array>
#include <cstdint>
#include <string>

#include "app/sha256.h"
#include "app/texts.h"

namespace tastomat {

namespace {

// The password is not in the binary in clear: only SHA-256(salt + password).
constexpr std::array<std::uint8_t, 16> passwordSalt{0x7f, 0xac, 0xeb, 0x58, 0x94, 0x9f, 0xce, 0xc0,
                                                    0xc2, 0xda, 0x8e, 0xe0, 0x75, 0xb4, 0x9f, 0x9b};
constexpr Sha256Digest passwordHash{
    0x32, 0xf4, 0x55, 0xe3, 0x26, 0x11, 0x30, 0xc7, 0x35, 0x42, 0x02, 0x81, 0x23, 0x04, 0xdc, 0x05,
    0x97, 0x69, 0xd2, 0x0d, 0xf0, 0xc0, 0xea, 0xb9, 0xa5, 0x11, 0xf4, 0x9d, 0x59, 0xf8, 0xc5, 0x63};

constexpr int loginPassMs = 500;

ControlSpec button(int id, int x, const char* caption, bool isDefault) {
  ControlSpec spec;
  spec.id = id;
  spec.kind = ControlKind::PushButton;
  spec.x = x;
  spec.y = 40;
  spec.w = 60;
  spec.h = 20;
  spec.text = caption;
  spec.defaultButton = isDefault;
  return spec;
}

void buildDialog(Platform& platform, WindowId window) {
  ControlSpec field;
  field.id = loginControl::passwordField;
  field.kind = ControlKind::PasswordField;
  field.x = 10;
  field.y = 10;
  field.w = 230;
  field.h = 20;
  field.sunken = true;
  platform.addControl(window, field);
  platform.addControl(window, button(loginControl::loginButton, 50, texts::loginButton, true));
  platform.addControl(window, button(loginControl::cancelButton, 140, texts::cancelButton, false));
  platform.setFocus(loginControl::passwordField);
}

}  // namespace

bool passwordMatches(std::string_view entered) {
  Sha256 hash;
  hash.update(std::span(passwordSalt));
  hash.update(entered);
  return equalConstantTime(hash.finish(), passwordHash);
}

bool runLogin(Platform& platform) {
  const WindowId window = platform.openWindow(250, 70, texts::loginTitle, FrameKind::SystemMenu);
  if (window == noWindow) {
    // Without the dialog nobody could ever log in; waiting would hang for good.
    return false;
  }
  buildDialog(platform, window);

  std::string entered;
  while (true) {
    const Event event = platform.waitEvent(loginPassMs);
    if (event.kind == EventKind::CloseRequest) {
      platform.closeWindow(window);
      return false;
    }
    if (event.kind == EventKind::Control) {
      if (event.controlId == loginControl::cancelButton) {
        platform.closeWindow(window);
        return false;
      }
      if (event.controlId == loginControl::loginButton) {
        entered = platform.text(loginControl::passwordField);
      }
    }
    if (!entered.empty()) {
      break;
    }
  }

  if (!passwordMatches(entered)) {
    platform.messageBox(texts::boardProblemTitle, texts::wrongPassword);
    platform.closeWindow(window);
    return false;
  }
  platform.closeWindow(window);
  return true;
}

}  // namespace tastomat
