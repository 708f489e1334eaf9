// The analog values automatic exposure and gain change, which an open
// analog dialog is shown.
#pragma once

#include <cstdint>

namespace velmor {

// Analog values the automatic exposure and gain change.
enum class AnalogChange : int32_t { kGain, kExposureUnits };

}  // namespace velmor
