// The settings dialogs from the session's side: what it refreshes and keeps
// before a dialog opens, what it puts back after Cancel, the acquisition it
// stops and restarts around the camera dialog, and the refreshes an open
// dialog gets from the acquisition thread.
#include "dialogs/DialogToolkit.h"
#include "session/Velmor.h"

namespace velmor {

// The session's filter values as the image dialog reads and changes them.
class SessionFilterStore final : public dialogs::FilterStore {
 public:
  explicit SessionFilterStore(CVelmor &session) : session_(session) {}
  int32_t Get(FilterId id) const override { return session_.filters_.Get(id); }
  void Set(FilterId id, int32_t value) override { session_.filters_.Set(id, value); }
  void WhiteBalanceOnce() override {
    session_.filters_.Set(kFilterBayerGainAuto, 1);
    session_.filters_.setBayerGainAutoOnce(1);
  }
  void WhiteBalanceEveryFrame(bool on) override {
    session_.filters_.Set(kFilterBayerGainAuto, on ? 1 : 0);
    session_.filters_.setBayerGainAutoOnce(0);
  }

 private:
  CVelmor &session_;
};

// The camera dialog's presets of this profile, kept in the camera's stored
// settings; a profile without presets starts from the session's own readout
// window and format.
class SessionPresetStore final : public dialogs::PresetStore {
 public:
  explicit SessionPresetStore(CVelmor &session) : session_(session) {}
  void Load(CameraPresets &presets) override {
    presets.format = {session_.colourMode_.load(), session_.subSample_.load(),
                      session_.waitTime_.load(), session_.clock_};
    session_.settings_->LoadPresets(session_.deviceNumber_, presets);
    if (presets.presets.empty()) presets.presets = {session_.geometry_};
  }
  void Save(const CameraPresets &presets) override {
    session_.settings_->SavePresets(session_.deviceNumber_, presets);
  }

 private:
  CVelmor &session_;
};

namespace {

bool CameraOpen(CVelmor &session) {
  if (session.engine() != nullptr && session.engine()->sensor() != nullptr) return true;
  session.ReportError(VELMOR_ERROR_NO_CAMERA);
  return false;
}

// Publishes a dialog to the refreshes while it is open.
template <class Model>
class OpenDialog {
 public:
  OpenDialog(std::mutex &lock, Model *&slot, Model &model) : lock_(lock), slot_(slot) {
    std::lock_guard hold(lock_);
    slot_ = &model;
  }
  ~OpenDialog() {
    std::lock_guard hold(lock_);
    slot_ = nullptr;
  }
  OpenDialog(const OpenDialog &) = delete;
  OpenDialog &operator=(const OpenDialog &) = delete;

 private:
  std::mutex &lock_;
  Model *&slot_;
};

}  // namespace

int32_t CVelmor::RunAnalogDialog(VELMOR_HWND parent) {
  if (!CameraOpen(*this)) return 0;
  CVelmorUSB3K7SimpleSdk &engine = *engine_;
  analog_.gain = engine.GetGain();
  analog_.colourGainGreen1 = engine.GetColorGainGreen1();
  analog_.colourGainRed = engine.GetColorGainRed();
  analog_.colourGainBlue = engine.GetColorGainBlue();
  analog_.colourGainGreen2 = engine.GetColorGainGreen2();
  analog_.exposure = engine.GetExposureTime();
  if (engine.SupportsRealExposure()) engine.GetRealExposure(&analog_.realExposure);
  analog_.mirrorV = engine.GetMirrorV();
  analog_.mirrorH = engine.GetMirrorH();
  const AnalogValues kept = analog_;
  const int32_t keptBayerMode = filters_.Get(kFilterBayerMode);

  dialogs::AnalogDialogModel model(engine, analog_, dialogs::SystemLanguage());
  int32_t result;
  {
    OpenDialog shown(dialogLock_, openAnalogDialog_, model);
    result = dialogs::RunAnalogDialog(model, parent);
  }
  if (result == dialogs::kDialogOk) {
    model.Ok();
    return 1;
  }
  analog_ = kept;
  filters_.Set(kFilterBayerMode, keptBayerMode);
  ApplyGainAndExposure();
  engine.SetMirrorV(kept.mirrorV);
  engine.SetMirrorH(kept.mirrorH);
  // The extras the dialog changed at once go back too.
  if (model.sliderShown(dialogs::kBlackLevelSlider))
    engine.SetBlackLevel(uint32_t(kept.blackLevel));
  if (model.peltierShown()) engine.SetCooling(kept.cooling);
  if (model.shortExposureShown()) engine.SetModeSwitch(kept.modeSwitch);
  if (model.gainModeShown()) engine.SetGainMode(kept.gainMode);
  return 1;
}

int32_t CVelmor::RunImageDialog(VELMOR_HWND parent) {
  if (!CameraOpen(*this)) return 0;
  const FilterValues kept = filters_.Snapshot();
  SessionFilterStore store(*this);
  dialogs::ImageDialogModel model(store, colourMode_, dialogs::SystemLanguage());
  int32_t result;
  {
    OpenDialog shown(dialogLock_, openImageDialog_, model);
    result = dialogs::RunImageDialog(model, parent);
  }
  if (result != dialogs::kDialogOk) RestoreFilterValues(kept);
  return 1;
}

void CVelmor::RestoreFilterValues(const FilterValues &kept) { filters_.Assign(kept); }

int32_t CVelmor::RunCameraDialog(VELMOR_HWND parent) {
  if (!CameraOpen(*this)) return 0;
  const int32_t was = state_.load();
  if (was == kPreviewing || was == kCapturePrepared)
    StopAcquisition();
  else if (was == kTriggered)
    runFlag_.store(kPaused);

  CVelmorUSB3K7SimpleSdk &engine = *engine_;
  const dialogs::CameraCapabilities camera{
      engine.Supports8BitOutput() != 0, engine.Supports16BitOutput() != 0,
      engine.SupportsColorOutput() != 0, engine.GetHWindowAdjustable() != 0,
      engine.GetVWindowAdjustable() != 0};
  SessionPresetStore store(*this);
  dialogs::CameraDialogModel model(store, camera, dialogs::SystemLanguage());
  if (dialogs::RunCameraDialog(model, parent) == dialogs::kDialogOk) {
    model.Apply();
    ReloadCameraSettings();
  }

  if (was == kPreviewing)
    StartAcquisition();
  else if (was == kCapturePrepared)
    Capture();
  else if (was == kTriggered)
    runFlag_.store(kRun);
  return 1;
}

void CVelmor::ReloadCameraSettings() {
  settings_->LoadCameraGeometry(deviceNumber_, *engine_, geometry_);
  ReloadOutputFormat();
}

void CVelmor::ReloadOutputFormat() {
  OutputFormat format{colourMode_.load(), subSample_.load(), waitTime_.load(), clock_};
  settings_->LoadOutputFormat(deviceNumber_, *engine_, format);
  colourMode_.store(format.colourMode);
  subSample_.store(format.subSample);
  waitTime_.store(format.waitTime);
  clock_ = format.clock;
}

void CVelmor::ShowGainInDialog(int32_t gain) {
  std::lock_guard hold(dialogLock_);
  if (openAnalogDialog_ != nullptr) openAnalogDialog_->ShowGain(gain);
}

void CVelmor::ShowExposureInDialog(int32_t units) {
  std::lock_guard hold(dialogLock_);
  if (openAnalogDialog_ != nullptr) openAnalogDialog_->ShowExposure(units);
}

void CVelmor::ShowFiltersInDialog() {
  std::lock_guard hold(dialogLock_);
  if (openImageDialog_ != nullptr) openImageDialog_->ShowFilterChange();
}

}  // namespace velmor
