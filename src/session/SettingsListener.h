// What an open settings dialog is told when the session itself changes a
// setting while frames are processed: the automatic exposure or gain steps,
// the automatic white balance and grey gains. Calls come on the thread that
// processes the frame, with the session's image lock held; a listener only
// notes the value (or posts it to its window) and returns.
#pragma once

#include <cstdint>

namespace velmor {

// Analog values the automatic exposure and gain change.
enum class AnalogChange : int32_t { kGain, kExposureUnits };

class SettingsListener {
 public:
  virtual ~SettingsListener() = default;
  virtual void AnalogChanged(AnalogChange what, int32_t value) = 0;
  // Filter values the measuring filters stored (Bayer gains, grey gains).
  virtual void FiltersMeasured() = 0;
};

}  // namespace velmor
