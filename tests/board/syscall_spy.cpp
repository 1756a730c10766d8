// SPDX-License-Identifier: MIT
// Counts the calling thread's send() and getaddrinfo() calls (both still run for real).
// The test executable's own definitions take the place of the C library's; each
// counts and passes the call on to the next definition in the lookup order.
#include "syscall_spy.h"

#include <dlfcn.h>
#include <netdb.h>
#include <sys/socket.h>

namespace tastomat::test {
namespace {
thread_local SyscallCounts counts;

template <typename Function>
Function next(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}
}  // namespace

SyscallCounts syscallCounts() {
  return counts;
}
void resetSyscallCounts() {
  counts = {};
}

}  // namespace tastomat::test

extern "C" ssize_t send(int socket, const void* bytes, size_t length, int flags) {
  using Send = ssize_t (*)(int, const void*, size_t, int);
  static const Send real = tastomat::test::next<Send>("send");
  ++tastomat::test::counts.sends;
  return real(socket, bytes, length, flags);
}

extern "C" int getaddrinfo(const char* node, const char* service, const struct addrinfo* hints,
                           struct addrinfo** result) {
  using Lookup = int (*)(const char*, const char*, const struct addrinfo*, struct addrinfo**);
  static const Lookup real = tastomat::test::next<Lookup>("getaddrinfo");
  ++tastomat::test::counts.lookups;
  return real(node, service, hints, result);
}
