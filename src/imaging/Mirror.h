// Software mirror of a raw 8- or 16-bit image, for the directions the sensor
// does not mirror itself: horizontal reverses the pixels of every row,
// vertical the order of the rows.
#pragma once

#include "imaging/PixelRoutine.h"

namespace velmor::imaging {

struct MirrorParams {
  bool horizontal = false;
  bool vertical = false;
};

// Works in place when destination and source are the same image and the
// region is where it lands (the whole image, as the pipeline runs it).
int32_t MirrorRows(const PixelJob &job);

}  // namespace velmor::imaging
