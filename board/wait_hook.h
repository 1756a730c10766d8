// SPDX-License-Identifier: MIT
// Process-wide hook that blocking board waits call, so the window stays painted.
#pragma once

namespace tastomat {

// Called at least every 10 ms while readReply, connect or sleepMs block. It must
// not run program logic: the Qt platform only paints and queues timer ticks and
// close requests. nullptr (the default) means: just wait.
using WaitHook = void (*)();

void setWaitHook(WaitHook hook);
WaitHook waitHook();
void runWaitHook();

inline constexpr int waitHookSliceMs = 10;

}  // namespace tastomat
