// SPDX-License-Identifier: MIT
// The platform's event FIFO: one event per wait, due ticks of a timer coalesced.
#pragma once

#include <deque>

#include "platform/platform.h"

namespace tastomat {

class EventQueue {
 public:
  // Appends the event from the given window. A tick of a timer that already has
  // a tick waiting is dropped: due ticks do not pile up.
  void push(WindowId window, const Event& event);
  bool empty() const { return entries_.empty(); }
  // The oldest event; EventKind::None when the queue is empty.
  Event pop();
  // Drops what a closed window left behind.
  void dropWindow(WindowId window);
  // Drops the waiting tick of a removed timer.
  void dropTick(WindowId window, int timerId);
  void clear() { entries_.clear(); }

 private:
  struct Entry {
    WindowId window = noWindow;
    Event event;
  };
  std::deque<Entry> entries_;
};

}  // namespace tastomat
