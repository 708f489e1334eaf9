// Exports of the exposure in seconds and microseconds, the temperature and
// the sampling rate.
#include "api/CallFrame.h"
#include "velmor/velmor.h"

using velmor::CVelmor;
using velmor::api::WithSession;

namespace {

// Velmor_GetSamplingRate and Velmor_GetVideoFormat: neither exists on this
// camera; both answer 0 in `out` and as their result.
int32_t ZeroFormatAnswer(int32_t handle, int32_t *out) {
  return WithSession(handle, 0, [&](CVelmor &) {
    if (out != nullptr) *out = 0;
    return 0;
  });
}

}  // namespace

extern "C" {

int32_t Velmor_SetExposureTimeEx(int32_t handle, double seconds) {
  return WithSession(handle, 0,
                     [&](CVelmor &session) { return session.SetExposureSeconds(seconds); });
}

double Velmor_GetExposureTimeEx(int32_t handle, int32_t *ok) {
  return WithSession(handle, 0.0, [&](CVelmor &session) { return session.GetExposureSeconds(ok); });
}

int32_t Velmor_SetRealExposureTime(int32_t handle, int32_t microseconds) {
  return WithSession(
      handle, 0, [&](CVelmor &session) { return session.SetExposureMicroseconds(microseconds); });
}

int32_t Velmor_GetRealExposureTime(int32_t handle, int32_t *ok) {
  return WithSession(handle, 0,
                     [&](CVelmor &session) { return session.GetExposureMicroseconds(ok); });
}

double Velmor_GetTemperatureEx(int32_t handle, int32_t *ok) {
  return WithSession(handle, 0.0, [&](CVelmor &session) { return session.GetTemperatureEx(ok); });
}

int32_t Velmor_SetSamplingRate(int32_t handle, int32_t rate) {
  return WithSession(handle, 0, [&](CVelmor &session) { return session.SetSamplingRate(rate); });
}

int32_t Velmor_GetSamplingRate(int32_t handle, int32_t *out) {
  return ZeroFormatAnswer(handle, out);
}

int32_t Velmor_GetVideoFormat(int32_t handle, int32_t *out) {
  return ZeroFormatAnswer(handle, out);
}

}  // extern "C"
