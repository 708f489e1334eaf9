// Copies a frame out of the ring into the caller's buffer, turning it upright
// on the way: the sensor's readout may deliver each row reversed, the rows
// bottom first, or both (a frame turned by 180 degrees).
#pragma once

#include <cstdint>

#include "engine/FrameRing.h"

namespace velmor {

struct Orientation {
  bool reversePixels = false;  // the pixels of each row change places
  bool lastRowFirst = false;   // the last stored row becomes the first
};

// The copy an orientation argument (1 upright, 0 as the sensor's rows run)
// asks of a sensor with readout-orientation code `code`: codes 2 and 4
// reverse each row, 3 and 4 the order of the rows.
Orientation OrientationFor(int32_t code, int32_t orientation);

// Copies `geometry.frameSize()` bytes from `source` to `destination`; whole
// pixels keep their byte order when reversed.
void CopyOriented(uint8_t *destination, const uint8_t *source, const FrameGeometry &geometry,
                  Orientation orientation);

}  // namespace velmor
