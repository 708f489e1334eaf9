// The engine's capture operations and the settings tied to them. The
// transfer thread, the frame ring and the FPGA frame geometry are not built
// yet: until they are, capture answers as a camera that delivers no frames,
// stopping only tells the sensor driver, and the depth and trigger mode go to
// the sensor driver alone.
#include "engine/VelmorU3K7Base.h"
#include "transport/VelmorCy3Cam.h"

namespace velmor {

int32_t CVelmorU3K7Base::StartCapture(int32_t) { return 0; }

int32_t CVelmorU3K7Base::StopCapture() {
  if (sensor_) sensor_->OnCaptureStop();
  captureMode_ = 0;
  return 1;
}

int32_t CVelmorU3K7Base::CopyFrame(uint8_t *, int32_t, int32_t, int32_t) { return 0; }

int32_t CVelmorU3K7Base::SetCaptureMode(int32_t mode) {
  if (!controller_) return 0;
  captureMode_ = mode;
  return 1;
}

int32_t CVelmorU3K7Base::StopStreaming() { return controller_ ? 1 : 0; }

int32_t CVelmorU3K7Base::TransferLoop() { return 0; }

int32_t CVelmorU3K7Base::PrepareFrameBuffers() { return 0; }

int32_t CVelmorU3K7Base::SyncFrameCounter() {
  uint8_t counter = 0;
  if (!controller_ || !controller_->ReadFpgaRegister(0x08, &counter)) return 0;
  lastFrameCounter_ = counter;
  return 1;
}

int32_t CVelmorU3K7Base::CaptureSingleFrame() { return 2; }

int32_t CVelmorU3K7Base::GetLatestImage(uint8_t *destination, int32_t, int32_t, int32_t, int32_t) {
  return destination == nullptr ? -2 : 0;
}

int32_t CVelmorU3K7Base::WaitForFrame(int32_t) { return transferFailed_ ? 1 : 2; }

int32_t CVelmorU3K7Base::GetNextImage(uint8_t *, int32_t, int32_t, int32_t, int32_t) { return 0; }

int32_t CVelmorU3K7Base::SetBitDepth(int32_t code) {
  return Plain<&CSensorBase::SetBitDepth, 0>(code);
}

int32_t CVelmorU3K7Base::SetTriggerMode(int32_t mode, int32_t) {
  return Plain<&CSensorBase::SetTriggerMode, 0>(mode);
}

}  // namespace velmor
