// Exports of functions this camera does not have. Each name stays an export
// of its own so that hosts written for other models of the family still
// load; the names of one row share one body.
#include "api/CallFrame.h"
#include "velmor/velmor.h"

using velmor::CVelmor;
using velmor::api::WithSession;

namespace {

constexpr int32_t kConfigFilterAnswer = -1;

// Clock, crossbar, internal correction and frame-rate functions: the code is
// posted, not recorded.
int32_t PostNotSupported(int32_t handle) {
  return WithSession(handle, 0, [](CVelmor &session) {
    session.PostErrorOnly(VELMOR_ERROR_NOT_SUPPORTED);
    return 0;
  });
}

// The serial text channel.
int32_t RecordNotSupported(int32_t handle) {
  return WithSession(handle, 0, [](CVelmor &session) {
    session.ReportError(VELMOR_ERROR_NOT_SUPPORTED);
    return 0;
  });
}

int32_t ConfigFilterNotSupported(int32_t handle) {
  return WithSession(handle, 0, [](CVelmor &session) {
    session.ReportError(VELMOR_ERROR_NOT_SUPPORTED);
    return kConfigFilterAnswer;
  });
}

}  // namespace

extern "C" {

int32_t Velmor_Fps(int32_t handle) { return PostNotSupported(handle); }
int32_t Velmor_GetHalfClock(int32_t handle, int32_t *) { return PostNotSupported(handle); }
int32_t Velmor_SetHalfClock(int32_t handle, int32_t) { return PostNotSupported(handle); }
int32_t Velmor_GetInternalCorrection(int32_t handle, int32_t *) { return PostNotSupported(handle); }
int32_t Velmor_SetInternalCorrection(int32_t handle, int32_t) { return PostNotSupported(handle); }
int32_t Velmor_SetCrossbar(int32_t handle, int32_t) { return PostNotSupported(handle); }

int32_t Velmor_SendText(int32_t handle, const char *, int32_t) {
  return RecordNotSupported(handle);
}
int32_t Velmor_ReceiveText(int32_t handle, char *, int32_t) { return RecordNotSupported(handle); }

int32_t Velmor_SetConfigFilter(int32_t handle, int32_t, int32_t) {
  return ConfigFilterNotSupported(handle);
}
int32_t Velmor_GetConfigFilter(int32_t handle, int32_t, int32_t *) {
  return ConfigFilterNotSupported(handle);
}

}  // extern "C"
