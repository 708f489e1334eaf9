// Getting images to the host: preview with or without a callback window,
// triggered frames, single shots on the calling thread, and copies of the
// last processed image.
#include "session/Velmor.h"

namespace velmor {
namespace {

constexpr int32_t kFrameArrived = 3;

}  // namespace

int32_t CVelmor::Preview() { return CallBackPreview(nullptr, nullptr, 0, 0); }

int32_t CVelmor::CallBackPreview(VELMOR_HWND window, uint8_t *buffer, int32_t size,
                                 int32_t rowOrder) {
  const ControlHold control = HoldControl();
  if (!control) return 0;
  SetFrameTarget(window, buffer, size, rowOrder);
  if (!OpenPreviewWindowIfWanted()) {
    ReportError(VELMOR_ERROR_WINDOW);
    return 0;
  }
  if (StartAcquisition()) return 1;
  CloseSession();
  ReportError(VELMOR_ERROR_FRAME);
  return 0;
}

int32_t CVelmor::Trigger(VELMOR_HWND window, uint8_t *buffer, int32_t size, int32_t rowOrder) {
  const ControlHold control = HoldControl();
  if (!control) return 0;
  // Already triggering: the running thread goes on with what it was given.
  if (const auto settled = CheckStartState(kTriggered)) return *settled;
  SetFrameTarget(window, buffer, size, rowOrder);
  if (!OpenPreviewWindowIfWanted()) {
    ReportError(VELMOR_ERROR_WINDOW);
    return 0;
  }
  return StartTriggerAcquisition();
}

int32_t CVelmor::Capture() {
  const ControlHold control = HoldControl();
  if (!control) return 0;
  if (const auto settled = CheckStartState(kCapturePrepared)) return *settled;
  if (!PrepareCapture()) return 0;
  state_.store(kCapturePrepared);
  return 1;
}

int32_t CVelmor::ShootFrame(uint8_t *buffer, int32_t size, int32_t rowOrder) {
  if (!engine_->StartCapture(1) || engine_->WaitForFrame(snapTimeout_) != kFrameArrived)
    return VELMOR_ERROR_FRAME;
  if (FetchFrame(*RawImage()) != 0) {
    PostFrameMessage(0, VELMOR_ERROR_FRAME);
    return VELMOR_ERROR_FRAME;
  }
  ProcessFrame();
  const imaging::DibImage *image = CurrentImage();
  if (buffer != nullptr && size != 0 &&
      (image == nullptr || !CopyToHost(*image, rowOrder, buffer, size)))
    return VELMOR_ERROR_MEMORY;
  return 0;
}

int32_t CVelmor::SnapShot(uint8_t *buffer, int32_t size, int32_t rowOrder) {
  const ControlHold control = HoldControl();
  if (!control) return 0;
  if (!engine_) {
    ReportError(VELMOR_ERROR_NO_CAMERA);
    return 0;
  }
  const bool prepared = state_.load() == kCapturePrepared;
  if (!prepared && state_.load() != kIdle) {
    ReportError(VELMOR_ERROR_NO_CAMERA);
    return 0;
  }
  if (!prepared && !PrepareCapture()) return 0;
  std::lock_guard lock(frameLock_);
  const int32_t code = ShootFrame(buffer, size, rowOrder);
  // Between prepared shots the camera is left as it is.
  if (!prepared) engine_->StopCapture();
  if (code != 0) {
    ReportError(code);
    return 0;
  }
  imageReady_.store(1);
  return 1;
}

int32_t CVelmor::GetImage(uint8_t *buffer, int32_t size, int32_t rowOrder) {
  if (!engine_) {
    ReportError(VELMOR_ERROR_NO_CAMERA);
    return 0;
  }
  std::lock_guard lock(frameLock_);
  const imaging::DibImage *image = CurrentImage();
  if (image == nullptr) {
    ReportError(VELMOR_ERROR_NO_CAMERA);
    return 0;
  }
  if (image->bits() == nullptr || buffer == nullptr) {
    ReportError(VELMOR_ERROR_MEMORY);
    return 0;
  }
  if (CopyToHost(*image, rowOrder, buffer, size)) return 1;
  ReportError(VELMOR_ERROR_MEMORY);
  return 0;
}

}  // namespace velmor
