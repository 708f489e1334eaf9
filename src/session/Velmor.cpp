#include "session/Velmor.h"

#include <new>

#include "platform/Clock.h"
#include "platform/Messages.h"
#include "platform/UsbDriver.h"

namespace velmor {

CVelmor::CVelmor() : fpsPeriodStart_(platform::multimedia_time()), settings_(UserSettings()) {}

// Settings first, while the camera is still open; then the threads; then the
// camera, the engine and the images the threads used.
CVelmor::~CVelmor() {
  SaveCameraSettings();
  CloseSession();
  if (engine_) {
    engine_->CloseDevice();
    engine_.reset();
  }
  DestroyImages();
}

void CVelmor::CreateImages() {
  for (auto *image :
       {&raw8_, &raw16_, &colour24_, &colour32_, &colour48_, &colour64_, &outputCopy_, &display_})
    *image = std::make_unique<imaging::DibImage>();
}

void CVelmor::DestroyImages() {
  for (auto *image :
       {&raw8_, &raw16_, &colour24_, &colour32_, &colour48_, &colour64_, &outputCopy_, &display_})
    image->reset();
}

int32_t CVelmor::InitializeSession(VELMOR_HWND window) {
  const ControlHold control = HoldControl();
  if (!control) return 0;
  if (engine_) {
    engine_->CloseDevice();
    engine_.reset();
  }
  DestroyImages();
  try {
    engine_ = std::make_unique<CVelmorUSB3K7SimpleSdk>();
    CreateImages();
  } catch (const std::bad_alloc &) {
    notifyWindow_.store(window);
    ReportError(VELMOR_ERROR_MEMORY);
    return 0;
  }
  notifyWindow_.store(window);
  if (window != nullptr && !RegisterDeviceNotices(window)) return 0;

  settings_->LoadCameraGeometry(deviceNumber_, *engine_, geometry_);
  engine_->SetProductId(kProductId);
  engine_->CreateController(window, &platform::kCameraInterfaceGuid);
  if (engine_->EnumerateDevices(kProductId) == 1) SelectDevice(0);

  const int32_t camera = engine_->GetDeviceNumber();
  LoadFilters(camera);
  settings_->LoadAnalogSettings(camera, *engine_, analog_);

  ReloadOutputFormat();
  return 1;
}

bool CVelmor::RegisterDeviceNotices(VELMOR_HWND window) {
  deviceNotices_ = platform::register_device_notifications(window);
  return deviceNotices_ != nullptr;
}

void CVelmor::SaveCameraSettings() {
  if (!engine_) return;
  const int32_t camera = engine_->GetDeviceNumber();
  settings_->SaveAnalogSettings(camera, analog_);
  SaveFilters(camera);
}

int32_t CVelmor::SelectDevice(int32_t number) {
  const ControlHold control = HoldControl();
  if (!control) return 0;
  if (!engine_) {
    ReportError(VELMOR_ERROR_NO_CAMERA);
    return 0;
  }
  if (openedOnce_) SaveCameraSettings();
  openedOnce_ = 1;
  cameraOpen_.store(false);
  if (!engine_->IsDevicePresent(number) || !engine_->OpenDevice(number)) {
    ReportError(VELMOR_ERROR_NOT_PRESENT);
    return 0;
  }
  cameraOpen_.store(true);
  settings_->LoadAnalogSettings(number, *engine_, analog_);
  LoadFilters(number);
  ReapplyAnalogValues();
  deviceNumber_ = number;
  return 1;
}

// Gain, the four colour gains and the exposure, in the order every re-apply
// uses.
void CVelmor::ApplyGainAndExposure() {
  CVelmorUSB3K7SimpleSdk &engine = *engine_;
  engine.SetGain(uint32_t(analog_.gain));
  engine.SetColorGainGreen1(uint32_t(analog_.colourGainGreen1));
  engine.SetColorGainRed(uint32_t(analog_.colourGainRed));
  engine.SetColorGainBlue(uint32_t(analog_.colourGainBlue));
  engine.SetColorGainGreen2(uint32_t(analog_.colourGainGreen2));
  if (engine.SupportsRealExposure())
    engine.SetRealExposure(analog_.realExposure);
  else
    engine.SetExposureTime(uint32_t(analog_.exposure));
}

void CVelmor::ReapplyAnalogValues() {
  CVelmorUSB3K7SimpleSdk &engine = *engine_;
  ApplyGainAndExposure();
  engine.SetMirrorV(analog_.mirrorV);
  engine.SetMirrorH(analog_.mirrorH);
  if (engine.SupportsBlackLevel()) engine.SetBlackLevel(uint32_t(analog_.blackLevel));
  if (engine.SupportsCooling()) {
    engine.SetCooling(1);
    analog_.cooling = 1;
  }
  if (engine.SupportsModeSwitch()) {
    engine.SetModeSwitch(0);
    analog_.modeSwitch = 0;
  }
  if (engine.SupportsGainMode()) engine.SetGainMode(analog_.gainMode);
}

int32_t CVelmor::CloseSession() {
  const ControlHold control = HoldControl();
  if (!control) return 0;
  ClosePreviewWindow();
  if (engine_) StopAcquisition();
  imageReady_.store(0);
  if (engine_) engine_->StopCapture();
  windowClassName_[0] = '\0';
  return 1;
}

void CVelmor::ReportError(int32_t code) {
  errorHistory_.Record(code);
  if (VELMOR_HWND window = notifyWindow(); window != nullptr)
    platform::post_message(window, VELMOR_WM_ERROR, 0, code);
}

void CVelmor::PostErrorOnly(int32_t code) const {
  platform::post_message(notifyWindow(), VELMOR_WM_ERROR, 0, code);
}

}  // namespace velmor
