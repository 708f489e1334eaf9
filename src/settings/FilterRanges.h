// The accepted range of every filter value the session stores, as hosts set
// them. Stored settings pass through the same ranges before any image stage
// sees them, so a damaged profile cannot steer a stage out of its tables.
#pragma once

#include <cstdint>
#include <optional>

#include "settings/SessionSettings.h"

namespace velmor {

struct FilterRange {
  int32_t min;
  int32_t max;
};

// The range of a stored filter value (1-5, 7-9, 11, 12, 19-27); none for
// identifiers that are not stored plainly.
std::optional<FilterRange> StoredFilterRange(int32_t id);

// Every stored value brought into its range (the nearest bound); Bayer gain
// auto becomes 0 or 1.
FilterValues ClampedToRanges(const FilterValues &values);

}  // namespace velmor
