// The session's part of the per-frame chain: the automatic exposure and
// gain, the software mirror, and keeping what the measuring filters found.
#include <atomic>

#include "imaging/Mirror.h"
#include "session/AutoIrisController.h"
#include "session/Velmor.h"

namespace velmor {

void CVelmor::RunAutoIris(imaging::DibImage &frame) {
  const int32_t mode = std::atomic_ref<int32_t>(analog_.autoExposure).load();
  if (mode == kAutoIrisOff || !engine_) return;
  const std::optional<AutoIrisStep> step = AutoIrisController(*engine_).Step(frame, mode);
  if (!step) return;
  // The step lies within the engine's limits, so the host's own paths take it.
  // An open analog dialog shows the new value.
  if (step->what == AnalogChange::kGain) {
    SetGlobalGain(step->value);
    ShowGainInDialog(step->value);
  } else {
    SetExposureUnits(step->value);
    ShowExposureInDialog(step->value);
  }
}

void CVelmor::MirrorRawInSoftware(imaging::DibImage &raw) {
  // Only the directions the sensor does not mirror itself.
  const imaging::MirrorParams params{
      std::atomic_ref<int32_t>(analog_.mirrorH).load() != 0 && !engine_->SupportsMirrorH(),
      std::atomic_ref<int32_t>(analog_.mirrorV).load() != 0 && !engine_->SupportsMirrorV()};
  if (params.horizontal || params.vertical)
    imaging::DibImage::Convert(raw, imaging::MirrorRows, raw, nullptr, nullptr, &params);
}

void CVelmor::KeepMeasurements(const FilterValues &values,
                               const imaging::ChainMeasurements &measured) {
  if (measured.greyGains) {
    for (FilterId id : {kFilterGrayGainR, kFilterGrayGainG1, kFilterGrayGainG2, kFilterGrayGainB})
      filters_.Set(id, values.byId[id]);
    filters_.CountDown(kFilterGrayGainAuto);
  }
  if (measured.bayerGains) {
    for (FilterId id : {kFilterBayerGainRed, kFilterBayerGainGreen, kFilterBayerGainBlue})
      filters_.Set(id, values.byId[id]);
    // A one-shot balance ends with its measurement.
    if (filters_.bayerGainAutoOnce() != 0) {
      filters_.setBayerGainAutoOnce(0);
      filters_.Set(kFilterBayerGainAuto, 0);
    }
  }
  if (measured.greyGains || measured.bayerGains) ShowFiltersInDialog();
}

}  // namespace velmor
