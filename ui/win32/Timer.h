#pragma once

#include <windows.h>

namespace ui {

// Timer1: a waitable timer that is signalled once per period, for the message loop to wait on.
//
// SetTimer's WM_TIMER is not used: Windows fires it on the system clock's tick (15.6 ms by
// default) and starts each new interval from that late firing, so a period comes out as a whole
// number of ticks rather than 50 ms, and the ball's speed depends on the machine's clock. A
// periodic waitable timer counts every period from the due time, not from when it was served, so it
// gives 20 steps a second; a high-resolution one (Windows 10 1803 and later) is also served within
// a millisecond or so. It is an auto-reset timer: however many periods pass while the program is
// busy or stalled, the loop sees it signalled once and runs one tick, so a stall never turns into a
// burst of catch-up steps.
class Timer {
 public:
  explicit Timer(int periodms);
  ~Timer();
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  // What the message loop waits on; null when no timer could be made.
  HANDLE handle() const { return timer_; }
  // Whether a period has ended since the last call, taking that signal.
  bool due() const;

 private:
  HANDLE timer_ = nullptr;
};

}  // namespace ui
