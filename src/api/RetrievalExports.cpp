// Exports of image retrieval, the preview window placement and the readout
// window.
#include <utility>

#include "api/CallFrame.h"
#include "velmor/velmor.h"

using velmor::CaptureGeometry;
using velmor::CVelmor;
using velmor::api::WithSession;

extern "C" {

int32_t Velmor_Preview(int32_t handle) {
  return WithSession(handle, 0, [](CVelmor &session) { return session.Preview(); });
}

int32_t Velmor_CallBackPreview(int32_t handle, VELMOR_HWND window, uint8_t *buffer, int32_t size,
                               int32_t rowOrder) {
  return WithSession(handle, 0, [&](CVelmor &session) {
    return session.CallBackPreview(window, buffer, size, rowOrder);
  });
}

int32_t Velmor_Trigger(int32_t handle, VELMOR_HWND window, uint8_t *buffer, int32_t size,
                       int32_t rowOrder) {
  return WithSession(
      handle, 0, [&](CVelmor &session) { return session.Trigger(window, buffer, size, rowOrder); });
}

int32_t Velmor_Capture(int32_t handle) {
  return WithSession(handle, 0, [](CVelmor &session) { return session.Capture(); });
}

int32_t Velmor_SnapShot(int32_t handle, uint8_t *buffer, int32_t size, int32_t rowOrder) {
  return WithSession(handle, 0,
                     [&](CVelmor &session) { return session.SnapShot(buffer, size, rowOrder); });
}

int32_t Velmor_GetImage(int32_t handle, uint8_t *buffer, int32_t size, int32_t rowOrder) {
  return WithSession(handle, 0,
                     [&](CVelmor &session) { return session.GetImage(buffer, size, rowOrder); });
}

int32_t Velmor_GetStatus(int32_t) { return 0; }

int32_t Velmor_Width(int32_t handle) {
  return WithSession(handle, 0, [](CVelmor &session) { return session.geometry().EH; });
}

int32_t Velmor_Height(int32_t handle) {
  return WithSession(handle, 0, [](CVelmor &session) { return session.geometry().EV; });
}

int32_t Velmor_SetPreviewWindow(int32_t handle, VELMOR_HWND parent, int32_t x, int32_t y,
                                int32_t width, int32_t height) {
  return WithSession(handle, 0, [&](CVelmor &session) {
    return session.SetPreviewWindow(parent, x, y, width, height);
  });
}

int32_t Velmor_SetCaptureWindow(int32_t handle, int32_t width, int32_t height) {
  return WithSession(handle, 0,
                     [&](CVelmor &session) { return session.SetCaptureWindow(width, height); });
}

int32_t Velmor_SetCaptureWindowEx(int32_t handle, int32_t TH, int32_t EHS, int32_t EH, int32_t TV,
                                  int32_t EVS, int32_t EV) {
  CaptureGeometry window;
  window.TH = TH;
  window.EHS = EHS;
  window.EH = EH;
  window.TV = TV;
  window.EVS = EVS;
  window.EV = EV;
  return WithSession(handle, 0,
                     [&](CVelmor &session) { return session.SetCaptureWindowEx(window); });
}

int32_t Velmor_GetCaptureWindowEx(int32_t handle, int32_t *TH, int32_t *EHS, int32_t *EH,
                                  int32_t *TV, int32_t *EVS, int32_t *EV) {
  return WithSession(handle, 0, [&](CVelmor &session) {
    const CaptureGeometry &g = session.geometry();
    const std::pair<int32_t *, int32_t> fields[] = {{TH, g.TH}, {EHS, g.EHS}, {EH, g.EH},
                                                    {TV, g.TV}, {EVS, g.EVS}, {EV, g.EV}};
    for (const auto &[out, value] : fields)
      if (out != nullptr) *out = value;
    return 1;
  });
}

}  // extern "C"
