// The filter-value table hosts address by identifier: the session's stored
// image filters, the engine's gains and exposure, and camera functions.
#include <atomic>

#include "session/Velmor.h"
#include "settings/FilterRanges.h"

namespace velmor {
namespace {

constexpr int32_t kByteMask = 0xFF;

// The engine's colour gain operations of ids 14 to 17.
struct ColourGainSlots {
  FilterId id;
  int32_t (CVelmorU3K7Base::*set)(uint32_t);
  int32_t (CVelmorU3K7Base::*get)();
  int32_t AnalogValues::*stored;
};
constexpr ColourGainSlots kColourGains[] = {
    {kFilterColorGainRed, &CVelmorU3K7Base::SetColorGainRed, &CVelmorU3K7Base::GetColorGainRed,
     &AnalogValues::colourGainRed},
    {kFilterColorGainGreen1, &CVelmorU3K7Base::SetColorGainGreen1,
     &CVelmorU3K7Base::GetColorGainGreen1, &AnalogValues::colourGainGreen1},
    {kFilterColorGainGreen2, &CVelmorU3K7Base::SetColorGainGreen2,
     &CVelmorU3K7Base::GetColorGainGreen2, &AnalogValues::colourGainGreen2},
    {kFilterColorGainBlue, &CVelmorU3K7Base::SetColorGainBlue, &CVelmorU3K7Base::GetColorGainBlue,
     &AnalogValues::colourGainBlue},
};

const ColourGainSlots *ColourGain(int32_t id) {
  for (const ColourGainSlots &slots : kColourGains)
    if (slots.id == id) return &slots;
  return nullptr;
}

bool IsFlag(int32_t value) { return value == 0 || value == 1; }

}  // namespace

void CVelmor::LoadFilters(int32_t camera) {
  FilterValues values = filters_.Snapshot();
  settings_->LoadFilterSettings(camera, values);
  settings_->LoadGraySettings(camera, values);
  filters_.Assign(values);
}

void CVelmor::SaveFilters(int32_t camera) {
  const FilterValues values = filters_.Snapshot();
  settings_->SaveFilterSettings(camera, values);
  settings_->SaveGraySettings(camera, values);
}

int32_t CVelmor::SetGlobalGain(int32_t gain) {
  if (gain < engine_->GetGainMin() || gain > engine_->GetGainMax()) {
    ReportError(VELMOR_ERROR_ARGUMENT);
    return 0;
  }
  for (int32_t *stored : {&analog_.gain, &analog_.colourGainRed, &analog_.colourGainGreen1,
                          &analog_.colourGainGreen2, &analog_.colourGainBlue})
    std::atomic_ref<int32_t>(*stored).store(gain);
  engine_->SetGain(uint32_t(gain));
  return 1;
}

int32_t CVelmor::SetFilterValue(int32_t id, int32_t value) {
  if (!engine_) {
    ReportError(VELMOR_ERROR_NO_CAMERA);
    return 0;
  }
  CVelmorUSB3K7SimpleSdk &engine = *engine_;
  const auto refuse = [this](int32_t code) {
    ReportError(code);
    return 0;
  };
  if (const auto range = StoredFilterRange(id)) {
    if (value < range->min || value > range->max) return refuse(VELMOR_ERROR_ARGUMENT);
    filters_.Set(FilterId(id), value);
    return 1;
  }
  if (const ColourGainSlots *slots = ColourGain(id)) {
    if (value < engine.GetColorGainMin() || value > engine.GetColorGainMax())
      return refuse(VELMOR_ERROR_ARGUMENT);
    std::atomic_ref<int32_t>(analog_.*slots->stored).store(value);
    (engine.*slots->set)(uint32_t(value));
    return 1;
  }
  switch (id) {
    case kFilterBayerGainPacked:
      filters_.Set(kFilterBayerGainRed, value & kByteMask);
      filters_.Set(kFilterBayerGainGreen, (value >> 8) & kByteMask);
      filters_.Set(kFilterBayerGainBlue, (value >> 16) & kByteMask);
      return 1;
    case kFilterBayerGainAuto:
      filters_.Set(kFilterBayerGainAuto, value != 0 ? 1 : 0);
      return 1;
    case kFilterGlobalGain:
      return SetGlobalGain(value);
    case kFilterExposureTime:
      return SetExposureUnits(value);
    case kFilterGrayGainAuto:
      if (!IsFlag(value)) return refuse(VELMOR_ERROR_ARGUMENT);
      filters_.Set(kFilterGrayGainAuto, value);
      return 1;
    case kFilterPeltier:
      if (!engine.SupportsCooling()) return refuse(VELMOR_ERROR_NOT_SUPPORTED);
      return engine.SetCooling(value);
    case kFilterDotFilter:
    case kFilterMaskFilter:
      if (!IsFlag(value)) return refuse(VELMOR_ERROR_ARGUMENT);
      (id == kFilterDotFilter ? dotFilterOn_ : maskFilterOn_).store(value);
      return 1;
    case kFilterGainMode:
      return engine.SetGainMode(value);
    case kFilterModeSwitch:
      if (!engine.SupportsModeSwitch()) return refuse(VELMOR_ERROR_NOT_SUPPORTED);
      if (!engine.SetModeSwitch(value > 0 ? 1 : 0)) return refuse(VELMOR_ERROR_DEVICE);
      return 1;
    case kFilterBlackLevel:
      if (!engine.SupportsBlackLevel()) return refuse(VELMOR_ERROR_NOT_SUPPORTED);
      if (!engine.SetBlackLevel(uint32_t(value))) return refuse(VELMOR_ERROR_DEVICE);
      std::atomic_ref<int32_t>(analog_.blackLevel).store(value);
      ReportError(VELMOR_ERROR_NONE);
      return 1;
    default:  // the temperature, the channel gains and offsets, unknown ids
      return refuse(VELMOR_ERROR_ARGUMENT);
  }
}

int32_t CVelmor::GetFilterValue(int32_t id, int32_t *ok) {
  const auto answer = [ok](bool success, int32_t value) {
    if (ok != nullptr) *ok = success ? 1 : 0;
    return value;
  };
  const auto fail = [&](int32_t code, int32_t value) {
    ReportError(code);
    return answer(false, value);
  };
  if (!engine_) return fail(VELMOR_ERROR_NO_CAMERA, 0);
  CVelmorUSB3K7SimpleSdk &engine = *engine_;
  if (StoredFilterRange(id) || id == kFilterBayerGainAuto)
    return answer(true, filters_.Get(FilterId(id)));
  if (const ColourGainSlots *slots = ColourGain(id)) return answer(true, (engine.*slots->get)());
  switch (id) {
    case kFilterBayerGainPacked:
      return answer(true, (filters_.Get(kFilterBayerGainRed) & kByteMask) |
                              (filters_.Get(kFilterBayerGainGreen) & kByteMask) << 8 |
                              (filters_.Get(kFilterBayerGainBlue) & kByteMask) << 16);
    case kFilterGlobalGain:
      return answer(true, engine.GetGain());
    case kFilterExposureTime:
      return answer(true, engine.GetExposureTime());
    case kFilterPeltier: {
      if (!engine.SupportsCooling()) return fail(VELMOR_ERROR_NOT_SUPPORTED, -1);
      int32_t cooling = 0;
      engine.GetCooling(&cooling);
      return answer(true, cooling);
    }
    case kFilterTemperature:
      return fail(VELMOR_ERROR_NOT_SUPPORTED, -1);
    case kFilterDotFilter:
      return answer(true, dotFilterOn_.load());
    case kFilterMaskFilter:
      return answer(true, maskFilterOn_.load());
    case kFilterGainMode:
      return answer(true, engine.GetGainMode());
    case kFilterModeSwitch: {
      if (!engine.SupportsModeSwitch()) return fail(VELMOR_ERROR_NOT_SUPPORTED, 0);
      int32_t mode = 0;
      if (!engine.GetModeSwitch(&mode)) return fail(VELMOR_ERROR_DEVICE, 0);
      ReportError(VELMOR_ERROR_NONE);
      return answer(true, mode != 0 ? 1 : 0);
    }
    case kFilterBlackLevel: {
      if (!engine.SupportsBlackLevel()) return fail(VELMOR_ERROR_NOT_SUPPORTED, 0);
      const int32_t level = engine.GetBlackLevel();
      std::atomic_ref<int32_t>(analog_.blackLevel).store(level);
      ReportError(VELMOR_ERROR_NONE);
      return answer(true, level);
    }
    default:  // the grey gain counter (set only), channel gains and offsets, unknown ids
      return fail(VELMOR_ERROR_ARGUMENT, 0);
  }
}

}  // namespace velmor
