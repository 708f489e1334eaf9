// Analog values a host sets through the session's own range checks.
#include "session/Velmor.h"

namespace velmor {

int32_t CVelmor::SetExposureUnits(int32_t units) {
  if (!engine_) {
    ReportError(VELMOR_ERROR_NO_CAMERA);
    return 0;
  }
  if (units < engine_->GetExposureTimeMin() || units > engine_->GetExposureTimeMax()) {
    ReportError(VELMOR_ERROR_ARGUMENT);
    return 0;
  }
  std::atomic_ref<int32_t>(analog_.exposure).store(units);
  engine_->SetExposureTime(uint32_t(units));
  if (engine_->SupportsRealExposure()) {
    double seconds = 0.0;
    if (engine_->GetRealExposure(&seconds))
      std::atomic_ref<double>(analog_.realExposure).store(seconds);
  }
  return 1;
}

}  // namespace velmor
