// The filters every processed frame goes through, in their fixed order:
// grey mode on the raw image, white balance with the demosaic, then hue and
// saturation, gamma, contrast, sharpness and brightness on the image of the
// colour mode. One chain per session: it owns its tables and scratch image,
// so it runs on the thread that processes frames and is not shared.
//
// The chain reads the filter values of one frame from a plain FilterValues
// record, brought into the values' ranges first. The measuring stages (the
// automatic grey gains and white balance) write what they measured into
// that record, for the rest of the frame and for the session to keep.
#pragma once

#include <cstdint>

#include "imaging/DibImage.h"
#include "imaging/HueSaturation.h"
#include "imaging/ToneCurves.h"
#include "settings/SessionSettings.h"

namespace velmor::imaging {

// Grey modes of filter value 19.
enum GreyMode : int32_t { kGreyOff = 0, kGreyGainsAndOffsets = 1, kGreyFromColour = 2 };

// What a frame's measuring stages changed.
struct ChainMeasurements {
  bool greyGains = false;   // ids 20-23 and the counter of id 28
  bool bayerGains = false;  // ids 7-9
};

class FilterChain {
 public:
  // Grey mode (colour modes 8 and 16) on the raw image, in place. Mode 1:
  // gains and offsets, measured first while the automatic grey gain counter
  // is not 0 (which counts it down); skipped while every gain and offset is
  // the neutral 128. Mode 2 (8-bit raw images only): the raw image is
  // demosaiced into `colour` (24-bit, the same size) as Demosaic does and
  // replaced by its luminance. `adjustedBayerMode` is the Bayer mode after
  // mirroring (for the demosaic).
  ChainMeasurements GreyMode(DibImage &raw, DibImage &colour, FilterValues &values,
                             int32_t adjustedBayerMode);

  // The raw image into the colour image, measuring the white balance first
  // when Bayer gain auto is on. False when the demosaic refused the images.
  bool Demosaic(DibImage &colour, const DibImage &raw, FilterValues &values,
                int32_t adjustedBayerMode, ChainMeasurements &measured);

  // Hue and saturation (colour images), gamma, contrast, sharpness and
  // brightness over the image, in place; whatever is neutral costs nothing.
  // Gamma, contrast and brightness run as one table, and around sharpness
  // as part of its two passes.
  void Finish(DibImage &image, const FilterValues &values);

 private:
  HueSaturation hueSaturation_;
  ToneTable fused_, before_, after_;
  DibImage scratch_;
};

}  // namespace velmor::imaging
