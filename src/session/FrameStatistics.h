// What a session's acquisition delivered and lost, counted where it
// happens: the session counts deliveries and time-outs; the engine counts
// header and payload failures and the frames a newer one replaced before
// the session, busy with the host, took them.
#pragma once

#include <atomic>
#include <cstdint>

#include "engine/VelmorU3K7Base.h"
#include "velmor/velmor.h"

namespace velmor {

class FrameStatistics {
 public:
  void CountDelivered() { delivered_.fetch_add(1, std::memory_order_relaxed); }
  void CountTimeout() { timeouts_.fetch_add(1, std::memory_order_relaxed); }
  uint64_t delivered() const { return delivered_.load(std::memory_order_relaxed); }

  // Fills as much of `out` as its size allows, with the engine's counts;
  // false when the size is too small for any field.
  bool Fill(VELMOR_STATISTICS &out, const TransferCounts &engine, double fps) const;

 private:
  std::atomic<uint64_t> delivered_{0};
  std::atomic<uint64_t> timeouts_{0};
};

}  // namespace velmor
