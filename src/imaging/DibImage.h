// DibImage: the image buffer wherever a frame is held. A bitmap header with a
// 256-entry colour table (a grey ramp for 8-bit images), the geometry, and
// pixel memory from platform::BitmapStorage. Memory row 0 is the top row of
// the picture although the header's height is positive, so GDI shows the
// buffer upside down; consumers that need it upright take flipped copies.
#pragma once

#include <cstddef>
#include <cstdint>

#include "imaging/PixelRoutine.h"
#include "platform/BitmapStorage.h"

namespace velmor::imaging {

using platform::BitmapInfo;
using platform::BitmapInfoHeader;
using platform::RgbQuad;

class DibImage {
 public:
  // SetColourTable modes.
  static constexpr int32_t kGreyRamp = 0;
  static constexpr int32_t kCallerEntries = 2;

  DibImage();
  DibImage(const DibImage &) = delete;
  DibImage &operator=(const DibImage &) = delete;

  // Width and height above 0, 8, 16, 24, 32, 48 or 64 bits per pixel; fails
  // and keeps the image as it was otherwise. Replaces any previous content
  // with zero-filled pixels.
  bool Create(int32_t width, int32_t height, int32_t bitsPerPixel);
  // The geometry, header and colour table of `other`, with new empty pixels.
  bool CreateLike(const DibImage *other);
  // Frees the pixels and clears every field; safe on an empty image.
  void Release();

  // kGreyRamp: the grey ramp, in this image and in its DC. kCallerEntries:
  // `count` of `entries` from index `first`.
  bool SetColourTable(int32_t mode, const RgbQuad *entries = nullptr, uint32_t first = 0,
                      uint32_t count = 0);

  // Copies `sourceRect` of `source` (the whole source when null) to (x, y)
  // of this image, converting between the formats: rectangle and position in
  // GDI coordinates. Through GDI when both images have a DC; otherwise in
  // software for 8-bit (through the source's colour table), 24- and 32-bit
  // sources into 24- and 32-bit images, and for copies between equal formats.
  bool DrawFrom(const DibImage &source, const PixelRect *sourceRect, int32_t x, int32_t y);

  // Runs `routine` from `source` into `destination` (they may be the same
  // image for in-place routines). The region (of the source) and the origin
  // (in the destination) are in picture coordinates as GDI presents the
  // bottom-up buffer, y = 0 being the last memory row; null means the whole
  // source and (0, 0). The region placed at the origin is clipped to the
  // destination and then to the source, negative coordinates becoming 0;
  // both are updated to what was converted. Result: the routine's, or 0 with
  // region and origin zeroed when nothing is left.
  static int32_t Convert(DibImage &destination, PixelRoutine routine, const DibImage &source,
                         PixelRect *region = nullptr, PixelPoint *origin = nullptr,
                         const void *params = nullptr);
  // The same with a rectangle of each image (null: the whole image), each
  // clipped to its own image; for routines that scale.
  static int32_t ConvertRects(DibImage &destination, PixelRoutine routine, const DibImage &source,
                              const PixelRect *destinationRect, const PixelRect *sourceRect,
                              const void *params = nullptr);

  const BitmapInfo &info() const { return info_; }
  const BitmapInfoHeader &header() const { return info_.header; }
  const RgbQuad *colourTable() const { return info_.colours; }
  uint8_t *bits() const { return storage_.bits(); }
  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  int32_t stride() const { return stride_; }
  int32_t bitsPerPixel() const { return bitsPerPixel_; }
  int32_t bytesPerPixel() const { return bitsPerPixel_ / 8; }
  std::size_t sizeBytes() const { return std::size_t(stride_) * std::size_t(height_); }
  // The memory DC (an HDC on Windows), or null for plain memory.
  void *dc() const { return storage_.dc(); }

 private:
  bool Allocate();

  BitmapInfo info_;
  platform::BitmapStorage storage_;
  int32_t width_ = 0;
  int32_t height_ = 0;
  int32_t stride_ = 0;
  int32_t bitsPerPixel_ = 0;
};

// Bytes per row: width x bytes per pixel, rounded up to a multiple of 4.
inline int64_t DibStride(int64_t width, int32_t bitsPerPixel) {
  return (width * (bitsPerPixel / 8) + 3) & ~int64_t(3);
}

}  // namespace velmor::imaging
