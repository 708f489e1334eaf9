// Millisecond clocks and sleeping. Both clocks are 32-bit and wrap around
// after ~49.7 days; compare them only by unsigned difference.
#pragma once

#include <cstdint>

namespace velmor::platform {

// The multimedia timer (timeGetTime on Windows).
uint32_t multimedia_time();

// The system tick count (GetTickCount on Windows).
uint32_t tick_count();

void sleep_ms(uint32_t milliseconds);

// Raises the system timer resolution to 1 ms while it lives (Windows only;
// elsewhere the timers are already that fine and this does nothing).
class TimerResolution {
 public:
  TimerResolution();
  ~TimerResolution();
  TimerResolution(const TimerResolution &) = delete;
  TimerResolution &operator=(const TimerResolution &) = delete;
};

}  // namespace velmor::platform
