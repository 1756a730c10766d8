// SPDX-License-Identifier: MIT
// Counts the calling thread's send() and getaddrinfo() calls (both still run for real).
#pragma once

namespace tastomat::test {

struct SyscallCounts {
  int sends = 0;
  int lookups = 0;
};

// The counts of the calling thread since its last reset.
SyscallCounts syscallCounts();
void resetSyscallCounts();

}  // namespace tastomat::test
