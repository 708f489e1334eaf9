// What a session's acquisition delivered and lost, counted where it
// happens: the session counts deliveries, time-outs and frames the host was
// too busy for; the engine counts header and payload failures.
#pragma once

#include <atomic>
#include <cstdint>

#include "velmor/velmor.h"

namespace velmor {

// The engine's share of the counts.
struct TransferFailures {
  uint64_t header = 0;
  uint64_t payload = 0;
};

class FrameStatistics {
 public:
  void CountDelivered() { delivered_.fetch_add(1, std::memory_order_relaxed); }
  void CountTimeout() { timeouts_.fetch_add(1, std::memory_order_relaxed); }
  void CountBehind(uint64_t frames) { behind_.fetch_add(frames, std::memory_order_relaxed); }
  uint64_t delivered() const { return delivered_.load(std::memory_order_relaxed); }

  // Fills as much of `out` as its size allows; false when the size is too
  // small for any field.
  bool Fill(VELMOR_STATISTICS &out, const TransferFailures &failures, double fps) const;

 private:
  std::atomic<uint64_t> delivered_{0};
  std::atomic<uint64_t> timeouts_{0};
  std::atomic<uint64_t> behind_{0};
};

}  // namespace velmor
