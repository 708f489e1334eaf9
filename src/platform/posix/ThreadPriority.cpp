#include "platform/ThreadPriority.h"

#include <pthread.h>
#include <sched.h>

namespace velmor::platform {

// The lowest real-time priority already runs ahead of every normal thread,
// as Windows' time-critical level does, without competing with the system's
// own real-time threads. It needs a privilege most processes lack; without it
// the thread keeps the normal policy.
bool raise_to_time_critical() {
  const int lowest = sched_get_priority_min(SCHED_FIFO);
  if (lowest < 0) return false;
  const sched_param param{lowest};
  return pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
}

}  // namespace velmor::platform
