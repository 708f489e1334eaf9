// The session's filter values as host threads set them and the acquisition
// thread reads them: one atomic word per value, so a frame takes one
// snapshot at its start and never sees half a change of a single value.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "settings/SessionSettings.h"

namespace velmor {

class LiveFilterValues {
 public:
  FilterValues Snapshot() const;
  // Every value of `values` (after loading stored settings).
  void Assign(const FilterValues &values);

  int32_t Get(FilterId id) const { return byId_[std::size_t(id)].load(); }
  void Set(FilterId id, int32_t value) { byId_[std::size_t(id)].store(value); }
  // Counts a counter down by one (it wraps rather than overflows).
  void CountDown(FilterId id) { byId_[std::size_t(id)].fetch_sub(1); }

  int32_t bayerGainAutoOnce() const { return bayerGainAutoOnce_.load(); }
  void setBayerGainAutoOnce(int32_t once) { bayerGainAutoOnce_.store(once); }

 private:
  std::array<std::atomic<int32_t>, FilterValues::kLastId + 1> byId_{};
  std::atomic<int32_t> bayerGainAutoOnce_{0};
};

}  // namespace velmor
