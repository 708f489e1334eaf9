// The analog values a host sets through the session: each is checked against
// the engine's range, stored for the next re-apply and sent to the camera.
// The automatic exposure stores them too, from the acquisition thread, so the
// stored words are written atomically.
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
  std::atomic_ref<int32_t>(analog_.exposure).store(units);
  engine.SetExposureTime(uint32_t(units));
  // The re-apply sends the seconds where the engine keeps them, so they must
  // follow the units.
  if (double seconds = 0.0; engine.SupportsRealExposure() && engine.GetRealExposure(&seconds))
    std::atomic_ref<double>(analog_.realExposure).store(seconds);
  return 1;
}

}  // namespace velmor
