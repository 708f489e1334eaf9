#include "dialogs/AnalogDialogModel.h"

#include <cmath>
#include <cstdlib>

#include "dialogs/DialogIds.h"
#include "engine/VelmorU3K7Base.h"

namespace velmor::dialogs {
namespace {

// Seconds per unit, and the unit's text.
constexpr double kUnitSeconds[] = {1e-9, 1e-6, 1e-3, 1.0};
constexpr Text kUnitTexts[] = {Text::UNIT_NS, Text::UNIT_US, Text::UNIT_MS, Text::UNIT_S};

SliderControl Slider(int32_t trackbar, int32_t edit, int32_t upDown, Text label, int32_t minimum,
                     int32_t maximum) {
  return {trackbar, edit, upDown, label, minimum, maximum, EighthPage(minimum, maximum)};
}

}  // namespace

AnalogDialogModel::AnalogDialogModel(CVelmorU3K7Base &engine, AnalogValues &analog,
                                     Language language)
    : engine_(engine),
      analog_(analog),
      language_(language),
      colourPage_(engine.SupportsColorOutput() != 0),
      extendedExposure_(engine.SupportsRealExposure() != 0),
      blackLevelShown_(!colourPage_ && engine.SupportsBlackLevel() != 0),
      peltierShown_(!colourPage_ && engine.SupportsCooling() != 0),
      shortExposureShown_(!colourPage_ && engine.SupportsModeSwitch() != 0),
      gainModeShown_(!colourPage_ && engine.SupportsGainMode() != 0) {
  const int32_t colourMin = engine.GetColorGainMin(), colourMax = engine.GetColorGainMax();
  sliders_ = {
      Slider(IDC_GAIN_BAR, IDC_GAIN_EDIT, IDC_GAIN_SPIN, Text::GLOBAL_GAIN, engine.GetGainMin(),
             engine.GetGainMax()),
      Slider(IDC_G1_BAR, IDC_G1_EDIT, IDC_G1_SPIN, Text::COLOUR_G1, colourMin, colourMax),
      Slider(IDC_R_BAR, IDC_R_EDIT, IDC_R_SPIN, Text::COLOUR_R, colourMin, colourMax),
      Slider(IDC_B_BAR, IDC_B_EDIT, IDC_B_SPIN, Text::COLOUR_B, colourMin, colourMax),
      Slider(IDC_G2_BAR, IDC_G2_EDIT, IDC_G2_SPIN, Text::COLOUR_G2, colourMin, colourMax),
      Slider(IDC_EXPOSURE_BAR, IDC_EXPOSURE_EDIT, IDC_EXPOSURE_SPIN, Text::EXPOSURE,
             engine.GetExposureTimeMin(), engine.GetExposureTimeMax()),
      Slider(IDC_BLACK_BAR, IDC_BLACK_EDIT, IDC_BLACK_SPIN, Text::BLACK_LEVEL,
             engine.GetBlackLevelMin(), engine.GetBlackLevelMax()),
  };
  values_ = {analog.gain,           analog.colourGainGreen1, analog.colourGainRed,
             analog.colourGainBlue, analog.colourGainGreen2, analog.exposure,
             analog.blackLevel};
  mirrorV_ = analog.mirrorV != 0;
  mirrorH_ = analog.mirrorH != 0;
  peltier_ = analog.cooling != 0;
  shortExposure_ = analog.modeSwitch != 0;
  gainMode_ = analog.gainMode;
  if (extendedExposure_) {
    engine.GetRealExposureMin(&realMinimum_);
    engine.GetRealExposureMax(&realMaximum_);
    for (int32_t unit = UnitOf(realMinimum_); unit <= UnitOf(realMaximum_); ++unit)
      units_.push_back(ExposureUnit(unit));
    realExposure_ = analog.realExposure;
    const ExposureUnit current = UnitOf(realExposure_);
    for (size_t i = 0; i < units_.size(); ++i)
      if (units_[i] == current) unitIndex_ = int32_t(i);
  }
}

bool AnalogDialogModel::sliderShown(AnalogSlider which) const {
  switch (which) {
    case kColourGreen1Slider:
    case kColourRedSlider:
    case kColourBlueSlider:
    case kColourGreen2Slider:
      return colourPage_;
    case kExposureSlider:
      return !extendedExposure_;
    case kBlackLevelSlider:
      return blackLevelShown_;
    default:
      return true;
  }
}

bool AnalogDialogModel::sliderEnabled(AnalogSlider which) const {
  // The colour gains follow the global gain on this family; their sliders
  // only show them.
  return sliderShown(which) && (which < kColourGreen1Slider || which > kColourGreen2Slider);
}

void AnalogDialogModel::SetValue(AnalogSlider which, int32_t value) {
  values_[which] = value;
  const uint32_t code = uint32_t(value);
  switch (which) {
    case kGainSlider:
      engine_.SetGain(code);
      break;
    case kColourGreen1Slider:
      engine_.SetColorGainGreen1(code);
      break;
    case kColourRedSlider:
      engine_.SetColorGainRed(code);
      break;
    case kColourBlueSlider:
      engine_.SetColorGainBlue(code);
      break;
    case kColourGreen2Slider:
      engine_.SetColorGainGreen2(code);
      break;
    case kExposureSlider:
      engine_.SetExposureTime(code);
      values_[which] = engine_.GetExposureTime();
      break;
    case kBlackLevelSlider:
      engine_.SetBlackLevel(code);
      break;
    default:
      break;
  }
}

std::string AnalogDialogModel::ExposureMilliseconds() const {
  return Format(Text::EXPOSURE_MS, language_, values_[kExposureSlider] / 10.0);
}

ExposureUnit AnalogDialogModel::UnitOf(double seconds) {
  if (seconds > 1.0) return kSeconds;
  if (seconds >= 0.001) return kMilliseconds;
  if (seconds >= 0.000001) return kMicroseconds;
  return kNanoseconds;
}

void AnalogDialogModel::SelectUnit(int32_t index) {
  if (index >= 0 && index < int32_t(units_.size())) unitIndex_ = index;
}

std::string AnalogDialogModel::ExposureText() const {
  if (units_.empty()) return {};
  const double shown = realExposure_ / kUnitSeconds[units_[unitIndex_]];
  const double fraction = shown - std::floor(shown);
  char text[64];
  if (fraction >= 0.001)
    std::snprintf(text, sizeof text, "%.3f", shown);
  else if (fraction >= 0.000001)
    std::snprintf(text, sizeof text, "%.6f", shown);
  else
    std::snprintf(text, sizeof text, "%d", int32_t(shown));
  return text;
}

std::string AnalogDialogModel::ExposureRange() const {
  const ExposureUnit low = UnitOf(realMinimum_), high = UnitOf(realMaximum_);
  return Format(Text::EXPOSURE_RANGE, language_, int32_t(realMinimum_ / kUnitSeconds[low]),
                TextOf(kUnitTexts[low], language_), int32_t(realMaximum_ / kUnitSeconds[high]),
                TextOf(kUnitTexts[high], language_));
}

bool AnalogDialogModel::SetExposureText(const std::string &text) {
  if (units_.empty()) return false;
  char *end = nullptr;
  const double typed = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || !std::isfinite(typed)) return false;
  if (!engine_.SetRealExposure(typed * kUnitSeconds[units_[unitIndex_]])) return false;
  ReadRealExposure();
  return true;
}

void AnalogDialogModel::ReadRealExposure() {
  engine_.GetRealExposure(&realExposure_);
  values_[kExposureSlider] = engine_.GetExposureTime();
}

void AnalogDialogModel::SetMirrorV(bool on) {
  mirrorV_ = on;
  engine_.SetMirrorV(on ? 1 : 0);
}

void AnalogDialogModel::SetMirrorH(bool on) {
  mirrorH_ = on;
  engine_.SetMirrorH(on ? 1 : 0);
}

void AnalogDialogModel::SetAutoGain(bool checked) {
  analog_.autoExposure = checked ? kAutoIrisGain : kAutoIrisOff;
}

void AnalogDialogModel::SetAutoExposure(bool checked) {
  analog_.autoExposure = checked ? kAutoIrisExposure : kAutoIrisOff;
}

void AnalogDialogModel::SetPeltier(bool on) {
  peltier_ = on;
  engine_.SetCooling(on ? 1 : 0);
}

void AnalogDialogModel::SetShortExposure(bool on) {
  shortExposure_ = on;
  engine_.SetModeSwitch(on ? 1 : 0);
}

void AnalogDialogModel::SetGainMode(int32_t mode) {
  gainMode_ = mode;
  engine_.SetGainMode(mode);
}

void AnalogDialogModel::Ok() {
  analog_.gain = values_[kGainSlider];
  analog_.colourGainGreen1 = values_[kColourGreen1Slider];
  analog_.colourGainRed = values_[kColourRedSlider];
  analog_.colourGainBlue = values_[kColourBlueSlider];
  analog_.colourGainGreen2 = values_[kColourGreen2Slider];
  analog_.exposure = values_[kExposureSlider];
  if (extendedExposure_) analog_.realExposure = realExposure_;
  analog_.mirrorV = mirrorV_ ? 1 : 0;
  analog_.mirrorH = mirrorH_ ? 1 : 0;
  if (blackLevelShown_) analog_.blackLevel = values_[kBlackLevelSlider];
  if (peltierShown_) analog_.cooling = peltier_ ? 1 : 0;
  if (shortExposureShown_) analog_.modeSwitch = shortExposure_ ? 1 : 0;
  if (gainModeShown_) analog_.gainMode = gainMode_;
}

void AnalogDialogModel::Default() {
  SetValue(kGainSlider, engine_.GetGainDefault());
  const int32_t colourGain = engine_.GetColorGainDefault();
  for (AnalogSlider colour :
       {kColourGreen1Slider, kColourRedSlider, kColourBlueSlider, kColourGreen2Slider})
    SetValue(colour, colourGain);
  if (extendedExposure_) {
    double seconds = 0.0;
    engine_.GetRealExposureDefault(&seconds);
    engine_.SetRealExposure(seconds);
    ReadRealExposure();
  } else {
    SetValue(kExposureSlider, engine_.GetExposureTimeDefault());
  }
  if (blackLevelShown_) SetValue(kBlackLevelSlider, engine_.GetBlackLevelDefault());
  if (peltierShown_) SetPeltier(true);
  if (shortExposureShown_) SetShortExposure(false);
  if (gainModeShown_) SetGainMode(kHighGain);
}

void AnalogDialogModel::ShowGain(int32_t gain) {
  shownGain_.store(gain);
  gainPending_.store(true);
  notice_.Mark();
}

void AnalogDialogModel::ShowExposure(int32_t units) {
  shownExposure_.store(units);
  exposurePending_.store(true);
  notice_.Mark();
}

bool AnalogDialogModel::TakeRefresh() {
  if (!notice_.Take()) return false;
  // The session keeps the four colour gains equal to a global gain set
  // behind the dialog.
  if (gainPending_.exchange(false))
    for (int32_t slider = kGainSlider; slider <= kColourGreen2Slider; ++slider)
      values_[slider] = shownGain_.load();
  if (exposurePending_.exchange(false)) {
    values_[kExposureSlider] = shownExposure_.load();
    if (extendedExposure_) engine_.GetRealExposure(&realExposure_);
  }
  return true;
}

}  // namespace velmor::dialogs
