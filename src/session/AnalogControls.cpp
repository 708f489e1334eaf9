// The analog values a host sets through the session: each is checked against
// the engine's range, stored for the next re-apply and sent to the camera.
#include "session/Velmor.h"

namespace velmor {

int32_t CVelmor::SetExposureUnits(int32_t units) {
  if (!engine_) {
    ReportError(VELMOR_ERROR_NO_CAMERA);
    return 0;
  }
  CVelmorUSB3K7SimpleSdk &engine = *engine_;
  if (units < engine.GetExposureTimeMin() || units > engine.GetExposureTimeMax()) {
    ReportError(VELMOR_ERROR_ARGUMENT);
    return 0;
  }
  analog_.exposure = units;
  engine.SetExposureTime(uint32_t(units));
  // The re-apply sends the seconds where the engine keeps them, so they must
  // follow the units.
  if (engine.SupportsRealExposure()) engine.GetRealExposure(&analog_.realExposure);
  return 1;
}

}  // namespace velmor
