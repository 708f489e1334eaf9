// In-place restride: a buffer whose rows arrived packed at width x pixel
// size bytes is spread out to its stride, from the last row backwards so no
// byte is overwritten before it is read; the padding is cleared.
#pragma once

#include "imaging/PixelRoutine.h"

namespace velmor::imaging {

// Destination and source are the same image (or the destination is larger),
// of 8 or 16 bits per pixel; the region must start at (0, 0).
int32_t RestrideRows(const PixelJob &job);

}  // namespace velmor::imaging
