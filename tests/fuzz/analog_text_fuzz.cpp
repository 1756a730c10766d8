// SPDX-License-Identifier: MIT
// libFuzzer target: analogText against the C library's strtod and "%.10f".
//
// The settings come from the input's tail, within the ranges a build could
// give them; the reply is the rest, any bytes. The reference reads the number
// with strtod in the C locale, restricted to the decimal prefix (no hex, inf
// or nan), and formats it with snprintf: two independent routes that must give
// the same text.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "board/input_query.h"

namespace {

bool isCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isNumberChar(char c) {
  return (c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-';
}

std::string reference(std::string_view reply, double adcFactor, int roundingScale, int shownChars) {
  std::string text;
  for (char c : reply) {
    if (c != '\r' && c != '\n') {
      text += c;
    }
  }
  // Leading white space, then only characters a decimal number can hold, so
  // strtod cannot read hex, "inf" or "nan"; it stops at a NUL byte anyway.
  std::size_t end = 0;
  while (end < text.size() && isCSpace(text[end])) {
    ++end;
  }
  while (end < text.size() && isNumberChar(text[end])) {
    ++end;
  }
  const std::string number = text.substr(0, end);
  double value = std::strtod(number.c_str(), nullptr) * adcFactor;
  value *= roundingScale;
  value = value > 0 ? std::floor(value + 0.5) : std::ceil(value - 0.5);
  value /= roundingScale;
  std::string shown;
  if (value == 0.0) {
    shown = "0.0000000000";
  } else {
    char formatted[512];
    std::snprintf(formatted, sizeof formatted, "%.10f", value);
    shown = formatted;
  }
  if (shown.size() > static_cast<std::size_t>(shownChars)) {
    shown.resize(static_cast<std::size_t>(shownChars));
  }
  for (char& c : shown) {
    if (c == '.') {
      c = ',';
    }
  }
  return shown;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  // The built-in values, or others of the same kind.
  double adcFactor = 0.0048828;
  int roundingScale = 1000;
  int shownChars = 4;
  if (input.ConsumeBool()) {
    adcFactor = (0.5 + input.ConsumeProbability<double>()) *
                std::pow(10.0, input.ConsumeIntegralInRange<int>(-9, 3));
    roundingScale = input.ConsumeIntegralInRange<int>(1, 1'000'000);
    shownChars = input.ConsumeIntegralInRange<int>(0, 400);
  }
  const std::string reply = input.ConsumeRemainingBytesAsString();

  const std::string shown = tastomat::analogText(reply, adcFactor, roundingScale, shownChars);
  const std::string expected = reference(reply, adcFactor, roundingScale, shownChars);
  if (shown != expected || shown.find('.') != std::string::npos) {
    std::fprintf(stderr,
                 "analogText gave '%s', the C library '%s' (factor %.17g, scale %d, %d chars)\n",
                 shown.c_str(), expected.c_str(), adcFactor, roundingScale, shownChars);
    std::abort();
  }
  return 0;
}
