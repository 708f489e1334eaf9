#include "session/AutoIrisController.h"

#include <algorithm>
#include <climits>

#include "engine/VelmorU3K7Base.h"
#include "imaging/RegionMean.h"

namespace velmor {
namespace {

// Regions as fractions of the width and height: left, top, right, bottom.
struct Region {
  double left, top, right, bottom;
};
constexpr Region kRegions[] = {{0.1, 0.1, 0.2, 0.2},
                               {0.1, 0.8, 0.2, 0.9},
                               {0.45, 0.45, 0.55, 0.55},
                               {0.8, 0.1, 0.9, 0.2},
                               {0.8, 0.8, 0.9, 0.9}};

// The adjustment of the first row whose floor the region's mean exceeds.
struct Adjustment {
  int32_t above;
  double step;
};
constexpr Adjustment kAdjustments[] = {
    {200, -0.15}, {160, -0.1}, {99, 0.0}, {49, 0.05}, {INT32_MIN, 0.1}};

constexpr double kDeadBandLow = 0.6, kDeadBandHigh = 1.2;
constexpr int32_t kLowestGainToScale = 4;

}  // namespace

double AutoIrisController::Correction(imaging::DibImage &frame) {
  double factor = 1.0;
  for (const Region &region : kRegions) {
    const double width = frame.width(), height = frame.height();
    imaging::PixelRect rect{int32_t(region.left * width), int32_t(region.top * height),
                            int32_t(region.right * width), int32_t(region.bottom * height)};
    const int32_t mean = imaging::DibImage::Convert(frame, imaging::RegionMean, frame, &rect);
    for (const Adjustment &adjustment : kAdjustments)
      if (mean > adjustment.above) {
        factor += adjustment.step;
        break;
      }
  }
  return factor;
}

bool AutoIrisController::InDeadBand(double factor) {
  return factor > kDeadBandLow && factor < kDeadBandHigh;
}

std::optional<AutoIrisStep> AutoIrisController::Step(imaging::DibImage &frame, int32_t mode) const {
  if (mode != kAutoIrisExposure && mode != kAutoIrisGain) return std::nullopt;
  const double factor = Correction(frame);
  if (InDeadBand(factor)) return std::nullopt;
  if (mode == kAutoIrisGain) {
    const int32_t gain = std::max(engine_.GetGain(), kLowestGainToScale);
    int32_t scaled = int32_t(gain * factor);
    if (scaled < engine_.GetGainMin()) scaled = engine_.GetGainMin();
    if (scaled >= engine_.GetGainMax()) scaled = engine_.GetGainMax();
    return AutoIrisStep{AnalogChange::kGain, scaled};
  }
  const int32_t units = std::max<int32_t>(uint16_t(int64_t(engine_.GetExposureTime() * factor)), 1);
  return AutoIrisStep{
      AnalogChange::kExposureUnits,
      std::clamp(units, engine_.GetExposureTimeMin(),
                 std::max(engine_.GetExposureTimeMin(), engine_.GetExposureTimeMax()))};
}

}  // namespace velmor
