// Where the preview window goes, and the readout window of the sensor: set
// on the engine at once, on the session's images at the next preparation.
#include "session/Velmor.h"

namespace velmor {

int32_t CVelmor::SetPreviewWindow(VELMOR_HWND parent, int32_t x, int32_t y, int32_t width,
                                  int32_t height) {
  const ControlHold control = HoldControl();
  if (!control) return 0;
  if (!engine_) {
    ReportError(VELMOR_ERROR_NO_CAMERA);
    return 0;
  }
  previewParent_ = parent;
  previewRect_[0] = x;
  previewRect_[1] = y;
  previewRect_[2] = width;
  previewRect_[3] = height;
  return 1;
}

int32_t CVelmor::SetCaptureWindowEx(const CaptureGeometry &window) {
  const ControlHold control = HoldControl();
  if (!control) return 0;
  if (!engine_) {
    ReportError(VELMOR_ERROR_NO_CAMERA);
    return 0;
  }
  if ((engine_->GetHWindowAdjustable() == 0 && window.EH != kSensorSize) ||
      (engine_->GetVWindowAdjustable() == 0 && window.EV != kSensorSize)) {
    ReportError(VELMOR_ERROR_ARGUMENT);
    return 0;
  }
  const int32_t buffers = geometry_.Buf;
  geometry_ = window;
  geometry_.Buf = buffers;
  // A rejected window is kept, so that the host can read back what it set.
  if (!GeometryValid()) {
    ReportError(VELMOR_ERROR_GEOMETRY);
    return 0;
  }
  engine_->SetCaptureWindow(geometry_.EHS, geometry_.EVS, geometry_.EH, geometry_.EV, subSample_);
  return 1;
}

int32_t CVelmor::SetCaptureWindow(int32_t width, int32_t height) {
  const ControlHold control = HoldControl();
  if (!control) return 0;
  if (!engine_) {
    ReportError(VELMOR_ERROR_NO_CAMERA);
    return 0;
  }
  CaptureGeometry preset;
  if (!settings_->FindCapturePreset(deviceNumber_, width, height, preset)) {
    ReportError(VELMOR_ERROR_WINDOW);
    return 0;
  }
  geometry_ = preset;
  if (!GeometryValid()) {
    ReportError(VELMOR_ERROR_GEOMETRY);
    geometry_ = CaptureGeometry{};
    geometry_.Buf = preset.Buf;
  }
  engine_->SetCaptureWindow(geometry_.EHS, geometry_.EVS, geometry_.EH, geometry_.EV, subSample_);
  return 1;
}

}  // namespace velmor
