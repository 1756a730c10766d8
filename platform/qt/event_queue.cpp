// SPDX-License-Identifier: MIT
// The platform's event FIFO: one event per wait, due ticks of a timer coalesced.
#include "platform/qt/event_queue.h"

#include <algorithm>

namespace tastomat {
namespace {

bool isTickOf(const Event& event, int timerId) {
  return event.kind == EventKind::TimerTick && event.timerId == timerId;
}

}  // namespace

void EventQueue::push(WindowId window, const Event& event) {
  if (event.kind == EventKind::TimerTick) {
    const bool waiting = std::any_of(entries_.begin(), entries_.end(), [&](const Entry& e) {
      return e.window == window && isTickOf(e.event, event.timerId);
    });
    if (waiting) {
      return;
    }
  }
  entries_.push_back({window, event});
}

Event EventQueue::pop() {
  if (entries_.empty()) {
    return {};
  }
  const Event event = entries_.front().event;
  entries_.pop_front();
  return event;
}

void EventQueue::dropWindow(WindowId window) {
  std::erase_if(entries_, [&](const Entry& e) { return e.window == window; });
}

void EventQueue::dropTick(WindowId window, int timerId) {
  std::erase_if(entries_,
                [&](const Entry& e) { return e.window == window && isTickOf(e.event, timerId); });
}

}  // namespace tastomat
