// SPDX-License-Identifier: MIT
// Entry point of the tastomat executable: the program over the Qt platform.
#include "app/flow.h"
#include "build_config.h"
#include "platform/qt/qt_platform.h"

namespace {
// The executable's version record, kept in the binary even though nothing
// reads it at run time: `strings tastomat | grep -A2 FileVersion` shows it.
[[gnu::used]] const char versionRecord[] = TASTOMAT_VERSION_RECORD;
}  // namespace

int main() {
  tastomat::QtPlatform platform;
  return tastomat::runProgram(platform);
}
