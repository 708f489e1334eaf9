// Automatic exposure and gain: from five measurement regions of a frame, a
// correction factor for the exposure time or the gain, applied only when it
// leaves the dead band. The controller decides; the session applies.
#pragma once

#include <cstdint>
#include <optional>

#include "imaging/DibImage.h"
#include "session/AnalogChange.h"

namespace velmor {

class CVelmorU3K7Base;

// AutoIris modes.
enum AutoIrisMode : int32_t { kAutoIrisOff = 0, kAutoIrisExposure = 1, kAutoIrisGain = 2 };

struct AutoIrisStep {
  AnalogChange what;
  int32_t value;  // gain code or exposure units
};

class AutoIrisController {
 public:
  explicit AutoIrisController(CVelmorU3K7Base &engine) : engine_(engine) {}

  // 1 plus one adjustment per region, by the region's mean on the 8-bit
  // scale (RegionMean: 16-bit samples by their top eight of twelve bits);
  // 1 + 5 x 0.1 for frames of other depths, whose regions count as 0.
  static double Correction(imaging::DibImage &frame);
  // Factors strictly between 0.6 and 1.2 change nothing.
  static bool InDeadBand(double factor);

  // What to set for this frame: the engine's gain (at least 4) or exposure
  // time scaled by the frame's correction, truncated and held to the
  // engine's limits; nothing when the mode is off or the factor is in the
  // dead band.
  std::optional<AutoIrisStep> Step(imaging::DibImage &frame, int32_t mode) const;

 private:
  CVelmorU3K7Base &engine_;
};

}  // namespace velmor
