// Grey frames to bottom-up 24-bit BGR in one pass, run through
// DibImage::Convert: each grey value becomes the three equal bytes of a BGR
// pixel, and the rows are reversed (source row bottom - 1 - i feeds
// destination row i), the order of a bottom-up DIB. This is how recorded
// video frames are made.
#pragma once

#include "imaging/PixelRoutine.h"

namespace velmor::imaging {

// 8 -> 24 bits.
int32_t GreyToBgrFlipped(const PixelJob &job);

// 16 -> 24 bits: the top eight significant bits of each sample,
// (v >> (depth - 8)) & 0xFF, taking a SampleDepth record (null: this
// camera's 12 bits, v >> 4); 0 for a depth outside 8 ... 16.
int32_t Grey16ToBgrFlipped(const PixelJob &job);

}  // namespace velmor::imaging
