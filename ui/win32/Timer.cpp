#include "ui/win32/Timer.h"

namespace ui {

namespace {

// Declared by the Windows 10 SDK, not yet by MinGW-w64's headers.
#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
constexpr DWORD CREATE_WAITABLE_TIMER_HIGH_RESOLUTION = 0x00000002;
#endif

HANDLE maketimer(DWORD flags) {
  return CreateWaitableTimerExW(nullptr, nullptr, flags, TIMER_ALL_ACCESS);
}

}  // namespace

Timer::Timer(int periodms) {
  // Windows before 10 1803 refuses the high-resolution flag; then the ordinary
  // waitable timer still keeps the period on average, with up to a clock tick of jitter.
  timer_ = maketimer(CREATE_WAITABLE_TIMER_HIGH_RESOLUTION);
  if (timer_ == nullptr) timer_ = maketimer(0);
  if (timer_ == nullptr) return;
  // A negative due time is relative, in units of 100 ns: the first signal comes one period on.
  LARGE_INTEGER first;
  first.QuadPart = -static_cast<LONGLONG>(periodms) * 10000;
  if (!SetWaitableTimer(timer_, &first, periodms, nullptr, nullptr, FALSE)) {
    CloseHandle(timer_);
    timer_ = nullptr;
  }
}

Timer::~Timer() {
  if (timer_ == nullptr) return;
  CancelWaitableTimer(timer_);
  CloseHandle(timer_);
}

bool Timer::due() const {
  return timer_ != nullptr && WaitForSingleObject(timer_, 0) == WAIT_OBJECT_0;
}

}  // namespace ui
