// SPDX-License-Identifier: MIT
// Entry point of the tastomat executable: the program over the Qt platform.
#include "app/flow.h"
#include "platform/qt/qt_platform.h"

int main() {
  tastomat::QtPlatform platform;
  return tastomat::runProgram(platform);
}
