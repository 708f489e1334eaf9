// Measures a frame rate over periods of at least one second: frames are
// counted, and once the period has passed the rate over it is reported and
// counting starts again. One counter per engine, touched by its transfer
// thread only.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/Clock.h"

namespace velmor {

class FrameRateCounter {
 public:
  static constexpr uint32_t kPeriodMs = 1000;

  void Restart() {
    count_ = 0;
    startTick_ = platform::tick_count();
  }

  // Counts one frame; the rate in frames per second when a period ended.
  std::optional<float> Count() {
    ++count_;
    const uint32_t now = platform::tick_count();
    const uint32_t elapsed = now - startTick_;
    if (elapsed < kPeriodMs) return std::nullopt;
    const float rate = float(count_) * 1000.0f / float(elapsed);
    count_ = 0;
    startTick_ = now;
    return rate;
  }

 private:
  uint32_t count_ = 0;
  uint32_t startTick_ = platform::tick_count();
};

}  // namespace velmor
