#include "engine/OrientedCopy.h"

#include <cstring>

#include "imaging/Mirror.h"

namespace velmor {

Orientation OrientationFor(int32_t code, int32_t orientation) {
  const bool rowsReversed = code == 2 || code == 4;
  const bool bottomFirst = code == 3 || code == 4;
  const bool storedOrder = bottomFirst ? orientation == 0 : orientation == 1;
  return {rowsReversed, !storedOrder};
}

void CopyOriented(uint8_t *destination, const uint8_t *source, const FrameGeometry &geometry,
                  Orientation orientation) {
  if (!orientation.reversePixels && !orientation.lastRowFirst) {
    std::memcpy(destination, source, geometry.frameSize());
    return;
  }
  // The imaging mirror does exactly this turn, for 1- and 2-byte pixels.
  const int32_t stride = geometry.width * geometry.bytesPerPixel;
  const imaging::MirrorParams mirror{orientation.reversePixels, orientation.lastRowFirst};
  const imaging::PixelRect whole{0, 0, geometry.width, geometry.height};
  imaging::MirrorRows({destination, source, whole, whole, geometry.bytesPerPixel,
                       geometry.bytesPerPixel, stride, stride, &mirror});
}

}  // namespace velmor
