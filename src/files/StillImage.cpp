#include "files/StillImage.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <new>

#include "imaging/PixelLoops.h"
#include "imaging/Reductions.h"

namespace velmor::files {
namespace {

using imaging::PixelJob;
using imaging::PixelRoutine;

enum class Family { kBmp, kRaw, kJpeg, kPng, kTiff };

// Rows copied as they are; strides may differ.
int32_t CopyRows(const PixelJob &job) {
  const std::size_t bytes = std::size_t(job.region.width()) * job.srcBytesPerPixel;
  return imaging::loops::EachRow<false>(
      job, [bytes](uint8_t *dst, const uint8_t *src, int32_t) { std::memcpy(dst, src, bytes); });
}

// How one family copies one source depth. Every copy except BMP's keeps the
// camera's row order (the first delivered row first); BMP stores rows
// bottom-up. BMP and raw keep the source's stride, the others pack their
// rows. `narrows` routines reduce by the sample depth; all other 16-bit
// samples are kept as delivered.
struct CopyRule {
  Family family;
  int32_t sourceBits;
  int32_t copyBits;
  PixelRoutine routine;
  bool narrows;
};

constexpr CopyRule kCopyRules[] = {
    {Family::kJpeg, 8, 8, CopyRows, false},
    {Family::kJpeg, 16, 8, imaging::Reduce16To8, true},
    {Family::kJpeg, 24, 24, CopyRows, false},
    {Family::kJpeg, 32, 24, imaging::CopyColour24, false},
    {Family::kJpeg, 48, 24, imaging::ReduceColour16To8, true},
    {Family::kJpeg, 64, 24, imaging::ReduceColour16To8, true},
    {Family::kPng, 8, 8, CopyRows, false},
    {Family::kPng, 16, 16, CopyRows, false},
    {Family::kPng, 24, 24, CopyRows, false},
    {Family::kPng, 32, 32, imaging::OpaqueAlpha32, false},
    {Family::kPng, 48, 48, CopyRows, false},
    {Family::kPng, 64, 64, imaging::WidenColour16, false},
    {Family::kTiff, 8, 8, CopyRows, false},
    {Family::kTiff, 16, 16, CopyRows, false},
    {Family::kTiff, 24, 24, imaging::SwapRedBlue, false},
    {Family::kTiff, 32, 32, imaging::SwapRedBlue, false},
    {Family::kTiff, 48, 48, imaging::WidenColour16Swapped, false},
    {Family::kTiff, 64, 64, imaging::WidenColour16Swapped, false},
};

constexpr Family kFamilyOfType[] = {Family::kBmp,  Family::kRaw, Family::kJpeg, Family::kJpeg,
                                    Family::kJpeg, Family::kPng, Family::kTiff};
constexpr int32_t kJpegQualityOfType[] = {0, 0, 100, 70, 20, 0, 0};

}  // namespace

std::optional<StillImage> StillImage::Take(const imaging::DibImage &image, int32_t fileType,
                                           int32_t sampleBits) {
  if (fileType < 0 || fileType >= int32_t(std::size(kFamilyOfType))) return std::nullopt;
  if (sampleBits < 8 || sampleBits > 16 || image.bits() == nullptr) return std::nullopt;
  const int32_t sourceBits = image.bitsPerPixel();
  const Family family = kFamilyOfType[fileType];

  StillImage copy;
  copy.type = StillImageType(fileType);
  copy.width = image.width();
  copy.height = image.height();
  copy.sampleBits = sampleBits;
  PixelRoutine routine = CopyRows;
  bool flipped = false;
  bool narrows = false;
  if (family == Family::kBmp || family == Family::kRaw) {
    copy.bitsPerPixel = sourceBits;
    copy.stride = image.stride();
    copy.info = image.info();
    flipped = family == Family::kBmp;
  } else {
    const auto rule = std::find_if(
        std::begin(kCopyRules), std::end(kCopyRules),
        [&](const CopyRule &r) { return r.family == family && r.sourceBits == sourceBits; });
    if (rule == std::end(kCopyRules)) return std::nullopt;
    copy.bitsPerPixel = rule->copyBits;
    copy.stride = copy.width * (rule->copyBits / 8);
    routine = rule->routine;
    narrows = rule->narrows;
  }
  copy.pixels.reset(new (std::nothrow) uint8_t[copy.sizeBytes()]);
  if (!copy.pixels) return std::nullopt;

  if (family == Family::kRaw) {
    std::memcpy(copy.pixels.get(), image.bits(), copy.sizeBytes());
    return copy;
  }
  // Kept samples pass through the 16-bit routines unshifted.
  const imaging::SampleDepth depth{narrows ? sampleBits : 16};
  const imaging::PixelRect whole{0, 0, copy.width, copy.height};
  const PixelJob job{
      copy.pixels.get(),     image.bits(), whole,          whole, copy.bitsPerPixel / 8,
      image.bytesPerPixel(), copy.stride,  image.stride(), &depth};
  const int32_t done = flipped ? imaging::RowCopyFlipped(job) : routine(job);
  if (done == 0) return std::nullopt;
  // The routines leave the row padding alone; a file holds zeros there.
  const std::size_t rowBytes = std::size_t(copy.width) * (copy.bitsPerPixel / 8);
  if (rowBytes < std::size_t(copy.stride)) {
    for (int32_t y = 0; y < copy.height; ++y)
      std::memset(copy.pixels.get() + std::size_t(y) * copy.stride + rowBytes, 0,
                  copy.stride - rowBytes);
  }
  return copy;
}

bool StillImage::Write(const char *path) const {
  if (path == nullptr) return false;
  switch (kFamilyOfType[int32_t(type)]) {
    case Family::kBmp:
      return WriteBmp(path, *this);
    case Family::kRaw:
      return WriteRaw(path, *this);
    case Family::kJpeg:
      return WriteJpeg(path, *this, kJpegQualityOfType[int32_t(type)]);
    case Family::kPng:
      return WritePng(path, *this);
    case Family::kTiff:
      return WriteTiff(path, *this);
  }
  return false;
}

int32_t SaveImageFile(const char *path, const imaging::DibImage &image, int32_t fileType,
                      int32_t sampleBits) {
  const std::optional<StillImage> copy = StillImage::Take(image, fileType, sampleBits);
  return copy && copy->Write(path) ? 1 : 0;
}

}  // namespace velmor::files
