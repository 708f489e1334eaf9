#include "imaging/DibImage.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "imaging/PixelLoops.h"

namespace velmor::imaging {
namespace {

constexpr uint32_t kHeaderSize = 40;

void FillGreyRamp(RgbQuad *colours) {
  for (int i = 0; i < 256; ++i) colours[i] = {uint8_t(i), uint8_t(i), uint8_t(i), 0};
}

bool ValidDepth(int32_t bitsPerPixel) {
  switch (bitsPerPixel) {
    case 8:
    case 16:
    case 24:
    case 32:
    case 48:
    case 64:
      return true;
    default:
      return false;
  }
}

// Expands In-byte pixels (1: an index into the colour table) into Out-byte
// B, G, R pixels; a fourth byte becomes 0, as GDI leaves it.
template <int In, int Out>
int32_t ExpandPixels(const PixelJob &job) {
  const auto *colours = static_cast<const RgbQuad *>(job.params);
  return loops::EachRow<false>(job, [colours](uint8_t *dst, const uint8_t *src, int32_t width) {
    for (int32_t x = 0; x < width; ++x) {
      uint8_t *q = dst + Out * x;
      if constexpr (In == 1) {
        const RgbQuad &c = colours[src[x]];
        q[0] = c.rgbBlue;
        q[1] = c.rgbGreen;
        q[2] = c.rgbRed;
      } else {
        std::memcpy(q, src + In * x, 3);
      }
      if constexpr (Out == 4) q[3] = 0;
    }
  });
}

// The software stand-in for BitBlt: params is the source's colour table.
int32_t SoftwareBlit(const PixelJob &job) {
  const int32_t in = job.srcBytesPerPixel;
  const int32_t out = job.dstBytesPerPixel;
  if (in == out) {
    const std::size_t bytes = std::size_t(job.region.width()) * in;
    return loops::EachRow<false>(
        job, [bytes](uint8_t *dst, const uint8_t *src, int32_t) { std::memmove(dst, src, bytes); });
  }
  if (in == 1 && out == 3) return ExpandPixels<1, 3>(job);
  if (in == 1 && out == 4) return ExpandPixels<1, 4>(job);
  if (in == 3 && out == 4) return ExpandPixels<3, 4>(job);
  if (in == 4 && out == 3) return ExpandPixels<4, 3>(job);
  return 0;
}

PixelRect WholeImage(const DibImage &image) { return {0, 0, image.width(), image.height()}; }

// A rectangle in picture coordinates clipped to the image, or empty.
PixelRect ClipToImage(const PixelRect &rect, const DibImage &image) {
  return {std::clamp(rect.left, 0, image.width()), std::clamp(rect.top, 0, image.height()),
          std::clamp(rect.right, 0, image.width()), std::clamp(rect.bottom, 0, image.height())};
}

// Picture rows top ... bottom of an image of height h are memory rows
// h - bottom ... h - top.
PixelRect ToMemoryRows(const PixelRect &rect, int32_t height) {
  return {rect.left, height - rect.bottom, rect.right, height - rect.top};
}

PixelJob MakeJob(DibImage &destination, const DibImage &source, const PixelRect &target,
                 const PixelRect &region, const void *params) {
  return {destination.bits(),
          source.bits(),
          region,
          target,
          destination.bytesPerPixel(),
          source.bytesPerPixel(),
          destination.stride(),
          source.stride(),
          params};
}

}  // namespace

DibImage::DibImage() { Release(); }

bool DibImage::Create(int32_t width, int32_t height, int32_t bitsPerPixel) {
  if (width <= 0 || height <= 0 || !ValidDepth(bitsPerPixel)) return false;
  const int64_t stride = DibStride(width, bitsPerPixel);
  if (stride > std::numeric_limits<int32_t>::max()) return false;
  Release();
  info_.header.biWidth = width;
  info_.header.biHeight = height;
  info_.header.biPlanes = 1;
  info_.header.biBitCount = uint16_t(bitsPerPixel);
  if (bitsPerPixel == 8) FillGreyRamp(info_.colours);
  width_ = width;
  height_ = height;
  stride_ = int32_t(stride);
  bitsPerPixel_ = bitsPerPixel;
  return Allocate();
}

bool DibImage::CreateLike(const DibImage *other) {
  if (!other || other->width_ == 0 || other->height_ == 0 || other->bitsPerPixel_ == 0)
    return false;
  if (other == this) return Allocate();
  Release();
  info_ = other->info_;
  width_ = other->width_;
  height_ = other->height_;
  stride_ = other->stride_;
  bitsPerPixel_ = other->bitsPerPixel_;
  return Allocate();
}

bool DibImage::Allocate() {
  if (storage_.Create(info_, sizeBytes())) return true;
  Release();
  return false;
}

void DibImage::Release() {
  storage_.Release();
  info_ = {};
  info_.header.biSize = kHeaderSize;
  width_ = height_ = stride_ = bitsPerPixel_ = 0;
}

bool DibImage::SetColourTable(int32_t mode, const RgbQuad *entries, uint32_t first,
                              uint32_t count) {
  if (mode == kGreyRamp) {
    FillGreyRamp(info_.colours);
    storage_.SetColourTable(0, 256, info_.colours);
    return true;
  }
  if (mode != kCallerEntries || !entries || first >= 256 || count > 256 - first) return false;
  // Kept here as well, so software drawing and the BMP writer see what GDI sees.
  std::copy(entries, entries + count, info_.colours + first);
  storage_.SetColourTable(first, count, entries);
  return true;
}

bool DibImage::DrawFrom(const DibImage &source, const PixelRect *sourceRect, int32_t x, int32_t y) {
  if (!bits() || !source.bits()) return false;
  PixelRect region = sourceRect ? *sourceRect : WholeImage(source);
  if (dc() && source.dc())
    return storage_.BlitFrom(source.storage_, x, y, region.width(), region.height(), region.left,
                             region.top);
  PixelPoint origin{x, y};
  return Convert(*this, SoftwareBlit, source, &region, &origin, source.colourTable()) != 0;
}

int32_t DibImage::Convert(DibImage &destination, PixelRoutine routine, const DibImage &source,
                          PixelRect *region, PixelPoint *origin, const void *params) {
  PixelRect clipped = region ? *region : WholeImage(source);
  PixelPoint at = origin ? *origin : PixelPoint{};
  clipped.left = std::max(clipped.left, 0);
  clipped.top = std::max(clipped.top, 0);
  at.x = std::max(at.x, 0);
  at.y = std::max(at.y, 0);
  // 64-bit sums: the caller's coordinates may be anything.
  clipped.right = int32_t(std::min<int64_t>(
      {clipped.right, int64_t(clipped.left) + destination.width() - at.x, source.width()}));
  clipped.bottom = int32_t(std::min<int64_t>(
      {clipped.bottom, int64_t(clipped.top) + destination.height() - at.y, source.height()}));
  const bool nothing = clipped.empty() || !routine || !destination.bits() || !source.bits();
  if (nothing) clipped = {}, at = {};
  if (region) *region = clipped;
  if (origin) *origin = at;
  if (nothing) return 0;

  const PixelRect target{at.x, destination.height() - at.y - clipped.height(),
                         at.x + clipped.width(), destination.height() - at.y};
  return routine(
      MakeJob(destination, source, target, ToMemoryRows(clipped, source.height()), params));
}

int32_t DibImage::ConvertRects(DibImage &destination, PixelRoutine routine, const DibImage &source,
                               const PixelRect *destinationRect, const PixelRect *sourceRect,
                               const void *params) {
  const PixelRect target =
      ClipToImage(destinationRect ? *destinationRect : WholeImage(destination), destination);
  const PixelRect region = ClipToImage(sourceRect ? *sourceRect : WholeImage(source), source);
  if (target.empty() || region.empty() || !routine || !destination.bits() || !source.bits())
    return 0;
  return routine(MakeJob(destination, source, ToMemoryRows(target, destination.height()),
                         ToMemoryRows(region, source.height()), params));
}

}  // namespace velmor::imaging
