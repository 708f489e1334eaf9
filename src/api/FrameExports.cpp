// The frame callback, the acquisition statistics and the error texts.
#include "api/CallFrame.h"
#include "session/ErrorText.h"
#include "velmor/velmor.h"

using velmor::CVelmor;

extern "C" {

int32_t Velmor_SetFrameCallback(int32_t handle, VELMOR_FRAME_CALLBACK callback, void *user) {
  return velmor::api::WithSession(handle, 0, [&](CVelmor &session) {
    session.frameCallback().Set(handle, callback, user);
    return 1;
  });
}

int32_t Velmor_GetStatistics(int32_t handle, VELMOR_STATISTICS *statistics) {
  return velmor::api::WithSession(handle, 0, [&](CVelmor &session) {
    if (statistics == nullptr || !session.FillStatistics(*statistics)) {
      session.ReportError(VELMOR_ERROR_ARGUMENT);
      return 0;
    }
    return 1;
  });
}

const char *Velmor_GetErrorText(int32_t code) { return velmor::ErrorText(code); }

}  // extern "C"
