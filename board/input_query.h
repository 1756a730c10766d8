// SPDX-License-Identifier: MIT
// InputQuery: reads analog inputs 1-2 and digital inputs 1-2 and shows them.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "board/board_channel.h"
#include "board/controls.h"

namespace tastomat {

// ControlIds of the input displays (rows 1..4).
inline constexpr std::array<int, 4> analogValueIds{36, 37, 38, 39};
inline constexpr std::array<int, 4> digitalStateIds{28, 29, 30, 31};

struct InputDisplay {
  std::array<std::string, 4> analogValue{"--.--", "--.--", "--.--", "--.--"};
  std::array<std::string, 4> digitalState{"---", "---", "---", "---"};
  std::array<std::string, 4> openText{"OFFEN", "OFFEN", "OFFEN", "OFFEN"};
  std::array<std::string, 4> closedText{"GESCHLOSSEN", "GESCHLOSSEN", "GESCHLOSSEN", "GESCHLOSSEN"};
};

// The settings values the query reads (filled from PanelSettings).
struct QuerySettings {
  std::array<double, 4> adcFactor{0.0048828, 0.0048828, 0.0048828, 0.0048828};
  std::array<int, 4> roundingScale{1000, 1000, 1000, 1000};
  std::array<int, 4> shownChars{4, 4, 4, 4};
  int replyDelayMs = 0;
  Rgb colourClosed = red;
  Rgb colourOther = blue;
};

// What one query works on: the connection, its two reply areas and the display.
struct InputQuery {
  const BoardConnection* connection = nullptr;
  ReplyArea* analogReplies = nullptr;
  ReplyArea* digitalReplies = nullptr;
  InputDisplay* display = nullptr;
  const QuerySettings* settings = nullptr;
};

// Text shown for one analog reply: CR/LF removed, locale-independent strtod-style
// prefix (no hex, inf or nan), scaled, rounded half away from zero, ten decimals,
// cut to shownChars (none when <= 0), "." -> ",". Any bytes are safe (NUL, > 127).
// A roundingScale of 0 means no rounding (rather than 0/0).
std::string analogText(std::string_view replyText, double adcFactor, int roundingScale,
                       int shownChars);

// New state text for one digital reply: first char '1' -> open, '2'..'9' ->
// current, anything else (also empty) -> closed.
std::string digitalStateFor(std::string_view replyText, const std::string& currentState,
                            const std::string& openText, const std::string& closedText);

// The ten steps: GETADC 1, GETADC 2, analog display, GETPORT 1, GETPORT 2,
// digital display. Results of sends and reads are never examined. A null
// connection (the window was reached without one) acts as a board that gives
// empty replies; any other null part is replaced by a default for this query.
// Rows 3 and 4 of the digital display are never touched.
void queryInputs(InputQuery& query, Controls& controls);

}  // namespace tastomat
