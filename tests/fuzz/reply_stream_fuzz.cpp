// SPDX-License-Identifier: MIT
// libFuzzer target: a hostile reply stream through readReply and queryInputs.
//
// The "board" is the other end of a socket pair. First the input's chunks are
// written one at a time, each followed by one readReply: every reply must be
// the next at most 100 bytes of the stream, in the area's first bytes. Then a
// whole input query runs over more chunks, with the board's end left open,
// half-closed or closed: the displays must show what analogText and
// digitalStateFor give for the bytes each read could get, and the board must
// have received the four query commands.
#include <fuzzer/FuzzedDataProvider.h>

#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>

#include "board/board_channel.h"
#include "board/commands.h"
#include "board/input_query.h"

namespace {

using tastomat::Rgb;

class RecordingControls : public tastomat::Controls {
 public:
  std::map<int, std::string> texts;
  std::map<int, Rgb> colours;
  void setEnabled(int, bool) override {}
  void setText(int controlId, const std::string& text) override { texts[controlId] = text; }
  void setTextColour(int controlId, Rgb colour) override { colours[controlId] = colour; }
};

[[noreturn]] void fail(const char* what, const std::string& got, const std::string& expected) {
  std::fprintf(stderr, "%s: got %zu bytes '%s', expected %zu bytes '%s'\n", what, got.size(),
               got.c_str(), expected.size(), expected.c_str());
  std::abort();
}

void writeAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) {
      std::abort();  // the socket pair holds far more than a fuzz input
    }
    done += static_cast<std::size_t>(n);
  }
}

// What one read gets from the stream: its next at most 100 bytes.
std::string take(std::string& pending) {
  const std::size_t n = std::min(pending.size(), tastomat::replyAreaSize);
  std::string reply = pending.substr(0, n);
  pending.erase(0, n);
  return reply;
}

std::string drain(int fd) {
  std::string bytes;
  char buffer[256];
  ssize_t n = 0;
  while ((n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT)) > 0) {
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  return bytes;
}

enum class BoardEnd { Open, HalfClosed, Closed };

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  int ends[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
    return 0;
  }
  // A time-out of 0: a read with nothing waiting gives the empty reply at once,
  // as a silent board's read does after its time-out.
  tastomat::BoardConnection connection{ends[0], 0};
  int board = ends[1];

  // 1. Chunk by chunk, one read each; leftovers go to the next read.
  tastomat::ReplyArea area;
  area.fill(static_cast<char>(input.ConsumeIntegral<std::uint8_t>()));
  std::string pending;
  const int chunks = input.ConsumeIntegralInRange<int>(0, 8);
  for (int i = 0; i < chunks; ++i) {
    const std::string chunk = input.ConsumeRandomLengthString(260);
    writeAll(board, chunk);
    pending += chunk;
    const std::string_view reply = tastomat::readReply(connection, area);
    const std::string expected = take(pending);
    if (reply != expected || (!reply.empty() && reply.data() != area.data())) {
      fail("readReply", std::string(reply), expected);
    }
  }

  // 2. One input query over what is left and what comes now.
  const int queryChunks = input.ConsumeIntegralInRange<int>(0, 4);
  for (int i = 0; i < queryChunks; ++i) {
    const std::string chunk = input.ConsumeRandomLengthString(260);
    writeAll(board, chunk);
    pending += chunk;
  }
  const auto boardEnd = static_cast<BoardEnd>(input.ConsumeIntegralInRange<int>(0, 2));
  if (boardEnd == BoardEnd::HalfClosed) {
    ::shutdown(board, SHUT_WR);
  } else if (boardEnd == BoardEnd::Closed) {
    // What was written stays readable; then the stream ends, and sends fail.
    ::close(board);
    board = -1;
  }
  tastomat::InputDisplay display;
  const char* const states[] = {"---", "OFFEN", "GESCHLOSSEN"};
  display.digitalState[0] = states[input.ConsumeIntegralInRange<int>(0, 2)];
  display.digitalState[1] = input.ConsumeRandomLengthString(12);
  const tastomat::InputDisplay before = display;

  tastomat::ReplyArea analogReplies{};
  tastomat::ReplyArea digitalReplies{};
  const tastomat::QuerySettings settings;
  tastomat::InputQuery query{&connection, &analogReplies, &digitalReplies, &display, &settings};
  RecordingControls controls;
  tastomat::queryInputs(query, controls);

  std::string replies[4];
  for (std::string& reply : replies) {
    reply = take(pending);
  }
  for (int row = 0; row < 2; ++row) {
    const std::string expected =
        tastomat::analogText(replies[row], settings.adcFactor[row], settings.roundingScale[row],
                             settings.shownChars[row]);
    if (controls.texts[tastomat::analogValueIds[row]] != expected) {
      fail("analog display", controls.texts[tastomat::analogValueIds[row]], expected);
    }
    const std::string state = tastomat::digitalStateFor(
        replies[2 + row], before.digitalState[row], before.openText[row], before.closedText[row]);
    if (controls.texts[tastomat::digitalStateIds[row]] != state) {
      fail("digital display", controls.texts[tastomat::digitalStateIds[row]], state);
    }
    const Rgb colour =
        state == before.closedText[row] ? settings.colourClosed : settings.colourOther;
    if (!(controls.colours[tastomat::digitalStateIds[row]] == colour)) {
      fail("digital colour", state, "");
    }
  }
  for (int row = 2; row < 4; ++row) {
    if (controls.texts[tastomat::analogValueIds[row]] != "--.--" ||
        controls.texts.count(tastomat::digitalStateIds[row]) != 0) {
      fail("rows 3 and 4", controls.texts[tastomat::analogValueIds[row]], "--.--");
    }
  }
  if (board >= 0) {
    const std::string commands = drain(board);
    const std::string expected =
        std::string(tastomat::getAdc1Command) + std::string(tastomat::getAdc2Command) +
        std::string(tastomat::getPort1Command) + std::string(tastomat::getPort2Command);
    if (commands != expected) {
      fail("commands", commands, expected);
    }
    ::close(board);
  }
  tastomat::closeConnection(connection);
  return 0;
}
