// Preview scaler: nearest neighbour with the rows turned upright, from a
// source rectangle onto a destination rectangle (DibImage::ConvertRects).
// Destination row i takes source row bottom - 1 - min(int(i * Hs / Hd),
// Hs - 1), column j takes column left + min(int(j * Ws / Wd), Ws - 1), the
// ratios single-precision floats.
#pragma once

#include "imaging/PixelRoutine.h"

namespace velmor::imaging {

int32_t ScalePreview8(const PixelJob &job);   // 8 -> 8 bits
int32_t ScalePreview24(const PixelJob &job);  // 24 -> 24 bits

}  // namespace velmor::imaging
