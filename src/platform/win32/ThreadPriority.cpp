#include "platform/ThreadPriority.h"

#include <windows.h>

namespace velmor::platform {

bool raise_to_time_critical() {
  return SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL) != 0;
}

}  // namespace velmor::platform
