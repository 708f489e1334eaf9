// The analog settings dialog without its toolkit: the values its controls
// show, their ranges from the engine, and what each change does. Changes go
// to the engine at once; OK stores the values in the session's analog
// settings. Cancel is the session's: it puts back what it kept.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "dialogs/RefreshNotice.h"
#include "dialogs/SliderControl.h"
#include "settings/SessionSettings.h"

namespace velmor {
class CVelmorU3K7Base;
}

namespace velmor::dialogs {

enum AnalogSlider : int32_t {
  kGainSlider,
  kColourGreen1Slider,
  kColourRedSlider,
  kColourBlueSlider,
  kColourGreen2Slider,
  kExposureSlider,
  kBlackLevelSlider,
  kAnalogSliderCount
};

// Units of the extended exposure, in the order the unit list shows them.
enum ExposureUnit : int32_t { kNanoseconds, kMicroseconds, kMilliseconds, kSeconds };

// Gain modes of the gain mode list.
enum GainModeChoice : int32_t { kHighGain, kLowGain };

// AutoIris modes.
enum AutoIrisMode : int32_t { kAutoIrisOff = 0, kAutoIrisExposure = 1, kAutoIrisGain = 2 };

class AnalogDialogModel {
 public:
  AnalogDialogModel(CVelmorU3K7Base &engine, AnalogValues &analog, Language language);

  Language language() const { return language_; }
  // The colour page, else the monochrome one.
  bool colourPage() const { return colourPage_; }
  // Seconds in an edit with a unit list instead of the exposure slider.
  bool extendedExposure() const { return extendedExposure_; }
  bool peltierShown() const { return peltierShown_; }
  bool shortExposureShown() const { return shortExposureShown_; }
  bool gainModeShown() const { return gainModeShown_; }

  const SliderControl &slider(AnalogSlider which) const { return sliders_[which]; }
  // Whether the page has the slider and shows it.
  bool sliderShown(AnalogSlider which) const;
  bool sliderEnabled(AnalogSlider which) const;
  int32_t value(AnalogSlider which) const { return values_[which]; }
  // A typed or dragged value, handed to the engine as it is: the engine's
  // setters check it.
  void SetValue(AnalogSlider which, int32_t value);
  // "=%.2fms" of the exposure.
  std::string ExposureMilliseconds() const;

  // Extended exposure.
  const std::vector<ExposureUnit> &units() const { return units_; }
  int32_t unitIndex() const { return unitIndex_; }
  // Shows the current value in another unit; changes nothing else.
  void SelectUnit(int32_t index);
  std::string ExposureText() const;
  std::string ExposureRange() const;
  // Typed text in the selected unit; false when it is no number or the
  // engine refused it.
  bool SetExposureText(const std::string &text);
  double realExposure() const { return realExposure_; }

  bool mirrorV() const { return mirrorV_; }
  bool mirrorH() const { return mirrorH_; }
  void SetMirrorV(bool on);
  void SetMirrorH(bool on);
  int32_t autoIris() const { return analog_.autoExposure; }
  // The two AutoIris check boxes exclude each other.
  void SetAutoGain(bool checked);
  void SetAutoExposure(bool checked);
  bool peltier() const { return peltier_; }
  void SetPeltier(bool on);
  bool shortExposure() const { return shortExposure_; }
  void SetShortExposure(bool on);
  int32_t gainMode() const { return gainMode_; }
  void SetGainMode(int32_t mode);

  // OK: the values into the session's analog settings.
  void Ok();
  void Default();

  // From other threads: automatic gain and exposure (or a host's global
  // gain, which sets the four colour gains too) changed the camera; the
  // dialog shows the new values at its next refresh.
  void ShowGain(int32_t gain);
  void ShowExposure(int32_t units);
  RefreshNotice &notice() { return notice_; }
  // On the dialog's thread: true when values changed behind the dialog.
  bool TakeRefresh();

 private:
  void ReadRealExposure();
  static ExposureUnit UnitOf(double seconds);

  CVelmorU3K7Base &engine_;
  AnalogValues &analog_;
  const Language language_;
  const bool colourPage_, extendedExposure_, blackLevelShown_;
  const bool peltierShown_, shortExposureShown_, gainModeShown_;
  std::array<SliderControl, kAnalogSliderCount> sliders_;
  std::array<int32_t, kAnalogSliderCount> values_{};
  double realExposure_ = 0.0;
  double realMinimum_ = 0.0, realMaximum_ = 0.0;
  std::vector<ExposureUnit> units_;
  int32_t unitIndex_ = 0;
  bool mirrorV_ = false, mirrorH_ = false;
  bool peltier_ = false, shortExposure_ = false;
  int32_t gainMode_ = 0;
  std::atomic<int32_t> shownGain_{0}, shownExposure_{0};
  std::atomic<bool> gainPending_{false}, exposurePending_{false};
  RefreshNotice notice_;
};

}  // namespace velmor::dialogs
