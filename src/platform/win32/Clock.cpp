// Win32 clocks: the multimedia timer and the system tick count.
#include "platform/Clock.h"

#include <windows.h>
// after windows.h, which it needs
#include <mmsystem.h>

namespace velmor::platform {

uint32_t multimedia_time() { return timeGetTime(); }

uint32_t tick_count() { return GetTickCount(); }

void sleep_ms(uint32_t milliseconds) { Sleep(milliseconds); }

TimerResolution::TimerResolution() { timeBeginPeriod(1); }

TimerResolution::~TimerResolution() { timeEndPeriod(1); }

}  // namespace velmor::platform
