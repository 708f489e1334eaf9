// The calling convention of every pixel routine: DibImage::Convert clips the
// work to both images, turns it into memory rows and hands it over as one
// PixelJob. Routines check the pixel formats they are given and return 0,
// touching nothing, when they cannot work on them; otherwise 1 unless their
// header says otherwise.
#pragma once

#include <cstddef>
#include <cstdint>

namespace velmor::imaging {

// Significant bits in this camera's 16-bit samples: 0 ... 4095, low-aligned.
inline constexpr int32_t kSampleBits = 12;
inline constexpr uint32_t kSampleMax = (1u << kSampleBits) - 1;

struct PixelRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;

  int32_t width() const { return right - left; }
  int32_t height() const { return bottom - top; }
  bool empty() const { return right <= left || bottom <= top; }
};

struct PixelPoint {
  int32_t x = 0;
  int32_t y = 0;
};

struct PixelJob {
  uint8_t *dst;
  const uint8_t *src;
  PixelRect region;  // source pixels; top and bottom are memory rows
  PixelRect target;  // destination pixels, memory rows; left and top are the origin
  int32_t dstBytesPerPixel;
  int32_t srcBytesPerPixel;
  int32_t dstStride;
  int32_t srcStride;
  const void *params;  // the routine's parameter record, or null

  uint8_t *dstRow(int32_t row) const {
    return dst + std::ptrdiff_t(row) * dstStride + std::ptrdiff_t(target.left) * dstBytesPerPixel;
  }
  const uint8_t *srcRow(int32_t row) const {
    return src + std::ptrdiff_t(row) * srcStride + std::ptrdiff_t(region.left) * srcBytesPerPixel;
  }
};

using PixelRoutine = int32_t (*)(const PixelJob &job);

// Parameter record of the routines that read 16-bit samples: how many of
// their bits are significant (8 to 16). Without a record they take this
// camera's kSampleBits.
struct SampleDepth {
  int32_t bits = kSampleBits;
};

}  // namespace velmor::imaging
