#include "platform/Clock.h"

#include <time.h>

#include <cerrno>

namespace velmor::platform {
namespace {

uint32_t monotonic_ms() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000u +
                               static_cast<uint64_t>(now.tv_nsec) / 1000000u);
}

}  // namespace

uint32_t multimedia_time() { return monotonic_ms(); }

uint32_t tick_count() { return monotonic_ms(); }

void sleep_ms(uint32_t milliseconds) {
  timespec remaining{static_cast<time_t>(milliseconds / 1000u),
                     static_cast<long>(milliseconds % 1000u) * 1000000L};
  while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
  }
}

TimerResolution::TimerResolution() = default;
TimerResolution::~TimerResolution() = default;

}  // namespace velmor::platform
