// Exposure in seconds and in microseconds, the temperature and the sampling
// rate as hosts reach them. The seconds form exists only where the engine
// keeps a real exposure; the microsecond form rides on the 0.1 ms units.
#include <cmath>
#include <limits>

#include "session/SuccessFlag.h"
#include "session/Velmor.h"

namespace velmor {
namespace {

constexpr double kUnitsPerSecond = 10000.0;  // 0.1 ms units
constexpr double kMicrosecondsPerUnit = 100.0;

// A double cut toward zero into int32, held at the type's ends (NaN: 0), so
// that no host value makes the conversion undefined.
int32_t TruncateToInt32(double value) {
  if (std::isnan(value)) return 0;
  constexpr double kLow = std::numeric_limits<int32_t>::min();
  constexpr double kHigh = std::numeric_limits<int32_t>::max();
  return value <= kLow ? INT32_MIN : value >= kHigh ? INT32_MAX : int32_t(value);
}

}  // namespace

int32_t CVelmor::SetExposureSeconds(double seconds) {
  if (!engine_) {
    ReportError(VELMOR_ERROR_NO_CAMERA);
    return 0;
  }
  if (!engine_->SupportsRealExposure()) {
    ReportError(VELMOR_ERROR_NOT_SUPPORTED);
    return 0;
  }
  // The engine clamps to the sensor's range; a refusal has no code of its own.
  if (!engine_->SetRealExposure(seconds)) return 0;
  analog_.realExposure = seconds;
  analog_.exposure = TruncateToInt32(seconds * kUnitsPerSecond);
  return 1;
}

double CVelmor::GetExposureSeconds(int32_t *ok) {
  SetSuccessFlag(ok, 0);
  if (!engine_) {
    ReportError(VELMOR_ERROR_NO_CAMERA);
    return -1.0;
  }
  if (!engine_->SupportsRealExposure()) {
    ReportError(VELMOR_ERROR_NOT_SUPPORTED);
    return -1.0;
  }
  double seconds = 0.0;
  const int32_t read = engine_->GetRealExposure(&seconds);
  if (read) analog_.realExposure = seconds;
  SetSuccessFlag(ok, read);
  return seconds;
}

int32_t CVelmor::SetExposureMicroseconds(int32_t microseconds) {
  return SetExposureUnits(TruncateToInt32(microseconds / kMicrosecondsPerUnit));
}

int32_t CVelmor::GetExposureMicroseconds(int32_t *ok) const {
  SetSuccessFlag(ok, 1);
  return TruncateToInt32(analog_.exposure * kMicrosecondsPerUnit);
}

double CVelmor::GetTemperatureEx(int32_t *ok) {
  SetSuccessFlag(ok, 0);
  if (!engine_) {
    ReportError(VELMOR_ERROR_NO_CAMERA);
    return 0.0;
  }
  if (!engine_->SupportsTemperature()) {
    ReportError(VELMOR_ERROR_NOT_SUPPORTED);
    return 0.0;
  }
  double degrees = 0.0;
  const int32_t read = engine_->GetTemperature(&degrees);
  // A good reading is recorded too, as the success marker.
  ReportError(read ? VELMOR_ERROR_NONE : VELMOR_ERROR_CONVERSION);
  SetSuccessFlag(ok, read);
  return degrees;
}

int32_t CVelmor::SetSamplingRate(int32_t rate) {
  if (!engine_) return 0;
  float value = float(rate);
  return engine_->SetFrameRate(0, 0, &value);
}

}  // namespace velmor
