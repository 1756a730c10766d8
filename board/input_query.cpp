// SPDX-License-Identifier: MIT
// InputQuery: four exchanges with the board, then the analog and digital displays.
#include "board/input_query.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <system_error>

#include "board/commands.h"

namespace tastomat {
namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// White space as strtod skips it in the C locale.
bool isCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::size_t skipDigits(std::string_view text, std::size_t at) {
  while (at < text.size() && isDigit(text[at])) {
    ++at;
  }
  return at;
}

// Which way a number past the range of double went: its decimal magnitude is
// positive for an overflow, otherwise it is an underflow.
bool overflows(std::string_view mantissa, long exponent) {
  const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
  const std::size_t firstNonZero = mantissa.find_first_not_of("0.");
  if (firstNonZero == std::string_view::npos) {
    return false;
  }
  const long magnitude = firstNonZero < point ? static_cast<long>(point - firstNonZero)
                                              : -static_cast<long>(firstNonZero - point - 1);
  return magnitude + exponent > 0;
}

// The longest prefix that strtod reads as a decimal number in the C locale:
// [space][sign]digits[.digits][(e|E)[sign]digits]. Never hexadecimal, "inf" or
// "nan", and only "." is a decimal point, whatever the process locale says.
double parseDecimalPrefix(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size() && isCSpace(text[at])) {
    ++at;
  }
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
    negative = text[at] == '-';
    ++at;
  }
  const std::size_t start = at;
  const std::size_t integerEnd = skipDigits(text, start);
  std::size_t end = integerEnd;
  std::size_t digitCount = integerEnd - start;
  if (end < text.size() && text[end] == '.') {
    const std::size_t fractionEnd = skipDigits(text, end + 1);
    digitCount += fractionEnd - (end + 1);
    end = fractionEnd;
  }
  if (digitCount == 0) {
    return 0.0;
  }
  const std::string_view mantissa = text.substr(start, end - start);
  long exponent = 0;
  if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
    std::size_t digitsAt = end + 1;
    bool negativeExponent = false;
    if (digitsAt < text.size() && (text[digitsAt] == '+' || text[digitsAt] == '-')) {
      negativeExponent = text[digitsAt] == '-';
      ++digitsAt;
    }
    const std::size_t exponentEnd = skipDigits(text, digitsAt);
    if (exponentEnd > digitsAt) {
      for (std::size_t i = digitsAt; i < exponentEnd; ++i) {
        exponent = std::min(exponent * 10 + (text[i] - '0'), 1'000'000L);
      }
      exponent = negativeExponent ? -exponent : exponent;
      end = exponentEnd;
    }
  }
  double value = 0.0;
  const char* first = text.data() + start;
  const auto [last, error] =
      std::from_chars(first, text.data() + end, value, std::chars_format::general);
  if (error == std::errc::result_out_of_range) {
    value = overflows(mantissa, exponent) ? HUGE_VAL : 0.0;
  } else if (error != std::errc{} || last != text.data() + end) {
    value = 0.0;
  }
  return negative ? -value : value;
}

// "%.10f" in the C locale: fixed point, ten decimals, no grouping.
std::string fixedTenDecimals(double value) {
  char text[400];  // the largest double has 309 integer digits
  const auto [last, error] =
      std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 10);
  if (error != std::errc{}) {
    return {};
  }
  return {text, last};
}

}  // namespace

std::string analogText(std::string_view replyText, double adcFactor, int roundingScale,
                       int shownChars) {
  // Line ends are dropped wherever they stand: "51\r\n2" is 512.
  std::string number;
  number.reserve(replyText.size());
  for (char c : replyText) {
    if (c != '\r' && c != '\n') {
      number += c;
    }
  }
  double value = parseDecimalPrefix(number) * adcFactor;
  // A scale of 0 would divide 0 by 0: it means no rounding at all.
  if (roundingScale != 0) {
    const double scale = roundingScale;
    value *= scale;
    value = value > 0 ? std::floor(value + 0.5) : std::ceil(value - 0.5);
    value /= scale;
  }
  if (value == 0.0) {
    value = 0.0;  // a negative zero shows without its sign
  }
  std::string text = fixedTenDecimals(value);
  text.resize(
      std::min<std::size_t>(text.size(), static_cast<std::size_t>(std::max(shownChars, 0))));
  std::replace(text.begin(), text.end(), '.', ',');
  return text;
}

std::string digitalStateFor(std::string_view replyText, const std::string& currentState,
                            const std::string& openText, const std::string& closedText) {
  const char first = replyText.empty() ? '\0' : replyText.front();
  if (first == '1') {
    return openText;
  }
  if (first >= '2' && first <= '9') {
    return currentState;
  }
  return closedText;
}

void queryInputs(InputQuery& query, Controls& controls) {
  // Missing parts behave as a board that gives empty replies: the query still
  // runs every step and shows what empty replies show.
  const BoardConnection none{};
  ReplyArea spareAnalog{};
  ReplyArea spareDigital{};
  InputDisplay spareDisplay;
  const QuerySettings defaults;
  const BoardConnection& connection = query.connection ? *query.connection : none;
  ReplyArea& analogReplies = query.analogReplies ? *query.analogReplies : spareAnalog;
  ReplyArea& digitalReplies = query.digitalReplies ? *query.digitalReplies : spareDigital;
  InputDisplay& display = query.display ? *query.display : spareDisplay;
  const QuerySettings& settings = query.settings ? *query.settings : defaults;

  auto exchange = [&](std::string_view command, ReplyArea& area) {
    sendCommand(connection, command);
    sleepMs(settings.replyDelayMs);
    return readReply(connection, area);
  };

  const std::array<std::string_view, 2> adcCommands{getAdc1Command, getAdc2Command};
  for (std::size_t row = 0; row < adcCommands.size(); ++row) {
    const std::string_view reply = exchange(adcCommands[row], analogReplies);
    display.analogValue[row] = analogText(reply, settings.adcFactor[row],
                                          settings.roundingScale[row], settings.shownChars[row]);
  }
  for (int id : analogValueIds) {
    controls.setTextColour(id, settings.colourOther);
  }
  for (std::size_t row = 0; row < analogValueIds.size(); ++row) {
    controls.setText(analogValueIds[row], display.analogValue[row]);
  }

  const std::array<std::string_view, 2> portCommands{getPort1Command, getPort2Command};
  for (std::size_t row = 0; row < portCommands.size(); ++row) {
    const std::string_view reply = exchange(portCommands[row], digitalReplies);
    display.digitalState[row] = digitalStateFor(reply, display.digitalState[row],
                                                display.openText[row], display.closedText[row]);
  }
  for (std::size_t row = 0; row < portCommands.size(); ++row) {
    const bool closed = display.digitalState[row] == display.closedText[row];
    controls.setTextColour(digitalStateIds[row],
                           closed ? settings.colourClosed : settings.colourOther);
    controls.setText(digitalStateIds[row], display.digitalState[row]);
  }
}

}  // namespace tastomat
