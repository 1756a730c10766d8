// SPDX-License-Identifier: MIT
// Process-wide hook that blocking board waits call, so the window stays painted.
#include "board/wait_hook.h"

namespace tastomat {
namespace {
WaitHook currentHook = nullptr;
}

void setWaitHook(WaitHook hook) {
  currentHook = hook;
}
WaitHook waitHook() {
  return currentHook;
}
void runWaitHook() {
  if (currentHook != nullptr) {
    currentHook();
  }
}

}  // namespace tastomat
