// Exports that make, release and query handles.
#include "api/CallFrame.h"
#include "velmor/velmor.h"

using velmor::CVelmor;
using velmor::SdkChain;

namespace {
constexpr int32_t kDllVersion = 0x021E0521;
}

extern "C" {

int32_t Velmor_Initialize(VELMOR_HWND notifyWindow) {
  try {
    const int32_t handle = SdkChain().CreateSession();
    if (handle == 0) return 0;
    // The handle is returned whatever initialisation reports: its failure
    // shows in the session's error history.
    velmor::api::WithSession(handle, 0, [&](CVelmor &session) {
      return session.InitializeSession(notifyWindow);
    });
    return handle;
  } catch (...) {
    return 0;
  }
}

int32_t Velmor_Release(int32_t handle) {
  try {
    // The frame callback runs on the session's own thread, which the
    // release would have to wait for.
    const bool insideCallback = velmor::api::WithSession(handle, false, [](CVelmor &session) {
      if (!session.frameCallback().InsideCall()) return false;
      session.ReportError(VELMOR_ERROR_NO_CAMERA);
      return true;
    });
    if (insideCallback) return 0;
    return SdkChain().ReleaseSession(handle);
  } catch (...) {
    return 0;
  }
}

int32_t Velmor_GetDllVersion(void) { return kDllVersion; }

int32_t Velmor_GetLastError(int32_t handle) {
  return velmor::api::WithSession(handle, 0,
                                  [](CVelmor &session) { return session.PopLastError(); });
}

}  // extern "C"
