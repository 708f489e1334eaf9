#include "imaging/FilterChain.h"

#include <algorithm>
#include <climits>

#include "imaging/Demosaic.h"
#include "imaging/GreyMode.h"
#include "imaging/Reductions.h"
#include "imaging/Sharpness.h"
#include "imaging/WhiteBalance.h"
#include "settings/FilterRanges.h"

namespace velmor::imaging {
namespace {

GreyGains GreyGainsOf(const FilterValues &values) {
  GreyGains gains;
  gains.bayerMode = values.byId[kFilterBayerMode];
  for (int32_t p = 0; p < 4; ++p) {
    gains.gain[std::size_t(p)] = values.byId[kFilterGrayGainR + p];
    gains.offset[std::size_t(p)] = values.byId[kFilterGrayOffsetR + p];
  }
  return gains;
}

bool Neutral(const GreyGains &gains) {
  const auto unity = [](int32_t v) { return v == kGreyUnity; };
  return std::all_of(gains.gain.begin(), gains.gain.end(), unity) &&
         std::all_of(gains.offset.begin(), gains.offset.end(), unity);
}

bool IsColour(const DibImage &image) { return image.bitsPerPixel() >= 24; }

int32_t SampleMaxOf(const DibImage &image) {
  return image.bitsPerPixel() == 16 || image.bitsPerPixel() >= 48 ? int32_t(kSampleMax) : kByteMax;
}

}  // namespace

ChainMeasurements FilterChain::GreyMode(DibImage &raw, DibImage &colour, FilterValues &values,
                                        int32_t adjustedBayerMode) {
  values = ClampedToRanges(values);
  ChainMeasurements measured;
  switch (values.byId[kFilterGrayMode]) {
    case kGreyGainsAndOffsets: {
      GreyGains gains = GreyGainsOf(values);
      if (values.byId[kFilterGrayGainAuto] != 0) {
        gains.gain = MeasureGreyGains(raw, gains);
        for (int32_t p = 0; p < 4; ++p)
          values.byId[kFilterGrayGainR + p] = gains.gain[std::size_t(p)];
        // Every measurement counts down; -1 (every frame) goes on below it.
        if (values.byId[kFilterGrayGainAuto] > INT32_MIN) --values.byId[kFilterGrayGainAuto];
        measured.greyGains = true;
      }
      if (!Neutral(gains)) DibImage::Convert(raw, ApplyGreyGains, raw, nullptr, nullptr, &gains);
      break;
    }
    case kGreyFromColour:
      if (raw.bitsPerPixel() == 8 && Demosaic(colour, raw, values, adjustedBayerMode, measured))
        DibImage::Convert(raw, GreyFromColour, colour);
      break;
    default:
      break;
  }
  return measured;
}

bool FilterChain::Demosaic(DibImage &colour, const DibImage &raw, FilterValues &values,
                           int32_t adjustedBayerMode, ChainMeasurements &measured) {
  values = ClampedToRanges(values);
  if (values.byId[kFilterBayerGainAuto] != 0) {
    const BayerGains current{values.byId[kFilterBayerGainRed], values.byId[kFilterBayerGainGreen],
                             values.byId[kFilterBayerGainBlue]};
    const BayerGains gains = MeasureWhiteBalance(raw, adjustedBayerMode, current);
    values.byId[kFilterBayerGainRed] = gains.red;
    values.byId[kFilterBayerGainGreen] = gains.green;
    values.byId[kFilterBayerGainBlue] = gains.blue;
    measured.bayerGains = true;
  }
  const DemosaicParams params{adjustedBayerMode, values.byId[kFilterBayerGainRed],
                              values.byId[kFilterBayerGainGreen],
                              values.byId[kFilterBayerGainBlue]};
  return DibImage::Convert(colour, imaging::Demosaic, raw, nullptr, nullptr, &params) == 1;
}

void FilterChain::Finish(DibImage &image, const FilterValues &given) {
  const FilterValues values = ClampedToRanges(given);
  const int32_t hue = values.byId[kFilterHue], saturation = values.byId[kFilterSaturation];
  if (IsColour(image) && (hue != 0 || saturation != 0))
    hueSaturation_.Apply(image, hue, saturation);

  const int32_t max = SampleMaxOf(image);
  const int32_t gamma = values.byId[kFilterGamma], contrast = values.byId[kFilterContrast];
  const int32_t brightness = values.byId[kFilterBrightness];
  const int32_t sharpness = values.byId[kFilterSharpness];
  if (sharpness == 0) {
    fused_.Build({max, gamma, contrast, brightness});
    if (!fused_.identity())
      DibImage::Convert(image, ApplyToneTable, image, nullptr, nullptr, &fused_);
    return;
  }
  before_.Build({max, gamma, contrast, 0});
  after_.Build({max, kNeutralGamma, 0, brightness});
  Sharpen(image, scratch_, sharpness, &before_, &after_);
}

}  // namespace velmor::imaging
