// Region mean for the automatic exposure: the integer mean of the region's
// pixels on an 8-bit scale (0 for an empty region, which Convert reports).
#pragma once

#include "imaging/PixelRoutine.h"

namespace velmor::imaging {

// Run with the measured image as destination and source. 8-bit pixels count
// with their value; 16-bit samples with their top eight significant bits,
// (v >> (depth - 8)) & 0xFF, depth from the SampleDepth record (null: this
// camera's 12 bits). Other formats, and depths outside 8 ... 16, give 0.
int32_t RegionMean(const PixelJob &job);

}  // namespace velmor::imaging
