// Preparing the camera and the session's images for the current settings,
// shared by every way of starting acquisition.
#include "session/Velmor.h"

namespace velmor {
namespace {

// Readout modes whose reduction this camera cannot deliver.
bool RefusedReadoutMode(int32_t mode) { return mode == 2 || mode == 3 || mode == 18 || mode == 19; }

bool Within(int32_t value) { return value >= 0 && value <= kSensorSize; }

}  // namespace

bool CVelmor::GeometryValid() const {
  const CaptureGeometry &g = geometry_;
  return Within(g.EH) && Within(g.EV) && Within(g.EHS) && Within(g.EVS) &&
         g.EHS + g.EH <= kSensorSize && g.EVS + g.EV <= kSensorSize &&
         !RefusedReadoutMode(subSample_);
}

bool CVelmor::SizeImages(int32_t width, int32_t height) {
  const int32_t mode = frameColourMode_.load();
  const auto make = [&](imaging::DibImage &image, int32_t bits) {
    return image.Create(width, height, bits);
  };
  if (mode >= 0 && mode <= 3 &&
      !(make(*raw8_, 8) && raw8_->SetColourTable(imaging::DibImage::kGreyRamp)))
    return false;
  if (Uses16BitRaw(mode) && !make(*raw16_, 16)) return false;
  if (mode != 1 && !make(*colour24_, 24)) return false;
  if (mode == 3 && !make(*colour32_, 32)) return false;
  if (mode == 4 && !make(*colour48_, 48)) return false;
  if (mode == 5 && !make(*colour64_, 64)) return false;
  const imaging::DibImage *current = CurrentImage();
  return current != nullptr && outputCopy_->CreateLike(current);
}

void CVelmor::ApplyCaptureSettings() {
  CVelmorUSB3K7SimpleSdk &engine = *engine_;
  engine.SetMirrorV(analog_.mirrorV);
  engine.SetMirrorH(analog_.mirrorH);
  engine.SetTriggerMode(0, 1);
  ApplyGainAndExposure();
  realExposureMicros_ = analog_.exposure * 100;
  if (engine.SupportsSensorTuning()) {
    int32_t tuning = 0;
    engine.GetSensorTuning(&tuning);
    engine.ApplySensorTuning(tuning);
  }
  engine.SetGainMode(0);
  if (engine.SupportsGainMode()) engine.SetGainMode(analog_.gainMode);
  if (engine.SupportsBlackLevel()) engine.SetBlackLevel(uint32_t(analog_.blackLevel));
  engine.PrepareSensorStreaming();
}

int32_t CVelmor::PrepareCapture() {
  if (!engine_) {
    ReportError(VELMOR_ERROR_NO_CAMERA);
    return 0;
  }
  // No open camera (absent when the session was made, or its open failed)
  // is an absent camera, whatever is plugged in now.
  if (!cameraOpen_.load() || !engine_->IsDevicePresent(engine_->GetDeviceNumber())) {
    ReportError(VELMOR_ERROR_NOT_PRESENT);
    return 0;
  }
  if (!GeometryValid()) {
    ReportError(VELMOR_ERROR_GEOMETRY);
    return 0;
  }
  const ControlHold control = HoldControl();
  if (!control) return 0;
  const int32_t divisor = SubsampleDivisor(subSample_);
  {
    // The frame path switches to the host's colour mode here, between frames.
    std::lock_guard lock(frameLock_);
    frameColourMode_.store(colourMode_.load());
    if (!SizeImages(geometry_.EH / divisor, geometry_.EV / divisor)) {
      ReportError(VELMOR_ERROR_MEMORY);
      return 0;
    }
  }
  engine_->SetBitDepth(Uses16BitRaw(frameColourMode_.load()) ? 1 : 0);
  if (!engine_->SetCaptureWindow(geometry_.EHS, geometry_.EVS, geometry_.EH, geometry_.EV,
                                 subSample_)) {
    ReportError(VELMOR_ERROR_GEOMETRY);
    return 0;
  }
  ApplyCaptureSettings();
  if (int32_t width = 0, height = 0; PreviewClientSize(width, height)) {
    // A display that cannot be made leaves the window undrawn, nothing more.
    if (frameColourMode_.load() <= 1) {
      if (display_->Create(width, height, 8))
        display_->SetColourTable(imaging::DibImage::kGreyRamp);
    } else {
      display_->Create(width, height, 24);
    }
  }
  return 1;
}

}  // namespace velmor
