// Still image files: BMP, raw memory dump, progressive JPEG, PNG and TIFF.
//
// Saving is two steps so that the caller's image lock is held only for the
// first: Take copies the image into a private buffer already in the layout
// its format encodes (row order, sample width, channel order); Write then
// encodes and writes that copy with no lock held. SaveImageFile does both.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "imaging/DibImage.h"

namespace velmor::files {

// The file type argument of Velmor_SaveImage.
enum class StillImageType : int32_t {
  kBmp = 0,
  kRaw = 1,
  kJpegQuality100 = 2,
  kJpegQuality70 = 3,
  kJpegQuality20 = 4,
  kPng = 5,
  kTiff = 6,
};

// A private copy of an image, prepared for one file type.
struct StillImage {
  StillImageType type = StillImageType::kBmp;
  int32_t width = 0;
  int32_t height = 0;
  // Bits per pixel and row stride of `pixels`.
  int32_t bitsPerPixel = 0;
  int32_t stride = 0;
  // Significant bits of the source's 16-bit samples (8 ... 16).
  int32_t sampleBits = 16;
  // BMP only: the source's header and colour table.
  imaging::BitmapInfo info{};
  std::unique_ptr<uint8_t[]> pixels;

  std::size_t sizeBytes() const { return std::size_t(stride) * std::size_t(height); }
  // Takes the copy: nothing for an unknown file type, a bit depth the type
  // cannot hold, a depth outside 8 ... 16 or a lack of memory.
  static std::optional<StillImage> Take(const imaging::DibImage &image, int32_t fileType,
                                        int32_t sampleBits);
  // Encodes and writes the file: false when it cannot be created or any
  // part of it was not written (what was written stays).
  bool Write(const char *path) const;
};

// Take and Write in one: 1 when the file was written whole, else 0.
int32_t SaveImageFile(const char *path, const imaging::DibImage &image, int32_t fileType,
                      int32_t sampleBits);

// The encoders, one per format family, over a copy Take made for them.
bool WriteBmp(const char *path, const StillImage &image);
bool WriteRaw(const char *path, const StillImage &image);
bool WriteJpeg(const char *path, const StillImage &image, int32_t quality);
bool WritePng(const char *path, const StillImage &image);
bool WriteTiff(const char *path, const StillImage &image);

}  // namespace velmor::files
