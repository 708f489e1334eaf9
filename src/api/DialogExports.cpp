// Exports of the settings dialogs.
#include "api/CallFrame.h"
#include "velmor/velmor.h"

using velmor::CVelmor;
using velmor::api::WithSession;

extern "C" {

int32_t Velmor_SetAnalogDlg(int32_t handle, VELMOR_HWND parent) {
  return WithSession(handle, 0, [&](CVelmor &session) { return session.RunAnalogDialog(parent); });
}

int32_t Velmor_SetImageDlg(int32_t handle, VELMOR_HWND parent) {
  return WithSession(handle, 0, [&](CVelmor &session) { return session.RunImageDialog(parent); });
}

int32_t Velmor_SetCameraDlg(int32_t handle, VELMOR_HWND parent) {
  return WithSession(handle, 0, [&](CVelmor &session) { return session.RunCameraDialog(parent); });
}

}  // extern "C"
