// SPDX-License-Identifier: MIT
// libFuzzer target: digitalStateFor against atoi of the reply's first character.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "board/input_query.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string current = input.ConsumeRandomLengthString(16);
  const std::string open = input.ConsumeRandomLengthString(16);
  const std::string closed = input.ConsumeRandomLengthString(16);
  const std::string reply = input.ConsumeRemainingBytesAsString();

  const std::string state = tastomat::digitalStateFor(reply, current, open, closed);

  // The first character read as a one-character number: digits give their
  // value, anything else (and no character at all) gives 0.
  const std::string first = reply.empty() ? std::string() : std::string(1, reply.front());
  const int value = std::atoi(first.c_str());
  const std::string& expected = value == 1 ? open : value == 0 ? closed : current;
  if (state != expected) {
    std::fprintf(stderr, "digitalStateFor gave '%s', expected '%s' (value %d)\n", state.c_str(),
                 expected.c_str(), value);
    std::abort();
  }
  return 0;
}
