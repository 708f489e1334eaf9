#include "engine/OrientedCopy.h"

#include <cstring>

#include "platform/Cpu.h"

namespace velmor {
namespace {

// Source and destination are separate buffers, so each row is reversed
// straight from one into the other: in blocks of a fixed length, which the
// compiler vectorises even under its cheapest cost model, then the rest.
template <typename Pixel>
[[gnu::always_inline]] inline void ReverseRow(uint8_t *__restrict destination,
                                              const uint8_t *__restrict source, int32_t width) {
  constexpr int32_t kBlock = 64 / sizeof(Pixel);
  Pixel *__restrict out = reinterpret_cast<Pixel *>(destination);
  const Pixel *__restrict in = reinterpret_cast<const Pixel *>(source);
  int32_t x = 0;
  for (; x + kBlock <= width; x += kBlock) {
    const Pixel *__restrict block = in + (width - kBlock - x);
    VELMOR_INDEPENDENT_ITERATIONS
    for (int32_t i = 0; i < kBlock; ++i) out[x + i] = block[kBlock - 1 - i];
  }
  for (; x < width; ++x) out[x] = in[width - 1 - x];
}

template <typename Pixel>
[[gnu::always_inline]] inline void Copy(uint8_t *destination, const uint8_t *source,
                                        const FrameGeometry &geometry, Orientation orientation) {
  const std::size_t stride = std::size_t(geometry.width) * sizeof(Pixel);
  for (int32_t y = 0; y < geometry.height; ++y) {
    const int32_t from = orientation.lastRowFirst ? geometry.height - 1 - y : y;
    uint8_t *row = destination + std::size_t(y) * stride;
    const uint8_t *sourceRow = source + std::size_t(from) * stride;
    if (orientation.reversePixels)
      ReverseRow<Pixel>(row, sourceRow, geometry.width);
    else
      std::memcpy(row, sourceRow, stride);
  }
}

template <typename Pixel>
VELMOR_TARGET_AVX2 void CopyAvx2(uint8_t *destination, const uint8_t *source,
                                 const FrameGeometry &geometry, Orientation orientation) {
  Copy<Pixel>(destination, source, geometry, orientation);
}
template <typename Pixel>
void CopyBaseline(uint8_t *destination, const uint8_t *source, const FrameGeometry &geometry,
                  Orientation orientation) {
  Copy<Pixel>(destination, source, geometry, orientation);
}
template <typename Pixel>
void CopyDispatched(uint8_t *destination, const uint8_t *source, const FrameGeometry &geometry,
                    Orientation orientation) {
  if (platform::cpu_has_avx2())
    CopyAvx2<Pixel>(destination, source, geometry, orientation);
  else
    CopyBaseline<Pixel>(destination, source, geometry, orientation);
}

}  // namespace

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
  if (geometry.bytesPerPixel == 2)
    CopyDispatched<uint16_t>(destination, source, geometry, orientation);
  else
    CopyDispatched<uint8_t>(destination, source, geometry, orientation);
}

}  // namespace velmor
