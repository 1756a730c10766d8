// SPDX-License-Identifier: MIT
// A loopback port on which nothing listens, for tests of a refused connect.
#pragma once

namespace tastomat::testing {

// Binds an ephemeral port on 127.0.0.1 and releases it again: a connect to it
// is refused (unless another process happens to take it in between).
int unusedLoopbackPort();

}  // namespace tastomat::testing
