// SPDX-License-Identifier: MIT
// Link-time wrappers around the board library's sendCommand and readReply.
//
// The test executable is linked with --wrap for the two mangled names: every
// call from the program's code lands in the wrap_ functions below, which pass
// it on to the real one and note what happened.
#include "tests/fault/exchange_recorder.h"

#include <string_view>
#include <utility>

#include "board/board_channel.h"
#include "tests/support/boardsim_process.h"

// The real functions, under the names the linker gives them with --wrap.
long realSendCommand(const tastomat::BoardConnection& connection, std::string_view text) __asm__(
    "__real__ZN8tastomat11sendCommandERKNS_15BoardConnectionESt17basic_string_viewIcSt11char_"
    "traitsIcEE");
std::string_view
realReadReply(const tastomat::BoardConnection& connection, tastomat::ReplyArea& area) __asm__(
    "__real__ZN8tastomat9readReplyERKNS_15BoardConnectionERSt5arrayIcLm100EE");

long wrapSendCommand(const tastomat::BoardConnection& connection, std::string_view text) __asm__(
    "__wrap__ZN8tastomat11sendCommandERKNS_15BoardConnectionESt17basic_string_viewIcSt11char_"
    "traitsIcEE");
std::string_view
wrapReadReply(const tastomat::BoardConnection& connection, tastomat::ReplyArea& area) __asm__(
    "__wrap__ZN8tastomat9readReplyERKNS_15BoardConnectionERSt5arrayIcLm100EE");

namespace tastomat::fault {
namespace {
thread_local std::vector<Exchange> exchanges;
thread_local std::string lastCommand;
}  // namespace

const std::vector<Exchange>& recordedExchanges() {
  return exchanges;
}

void clearRecordedExchanges() {
  exchanges.clear();
  lastCommand.clear();
}

}  // namespace tastomat::fault

long wrapSendCommand(const tastomat::BoardConnection& connection, std::string_view text) {
  tastomat::fault::lastCommand = std::string(text);
  return realSendCommand(connection, text);
}

std::string_view wrapReadReply(const tastomat::BoardConnection& connection,
                               tastomat::ReplyArea& area) {
  tastomat::fault::Exchange exchange;
  exchange.command = std::exchange(tastomat::fault::lastCommand, std::string());
  exchange.readStartUsec = tastomat::monotonicUsecNow();
  const std::string_view reply = realReadReply(connection, area);
  exchange.readEndUsec = tastomat::monotonicUsecNow();
  exchange.reply = std::string(reply);
  tastomat::fault::exchanges.push_back(std::move(exchange));
  return reply;
}
