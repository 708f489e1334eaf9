// BMP: the 14-byte file header, the image's 40-byte info header, the colour
// table for images of 8 bits or fewer, then the rows bottom-up as the copy
// holds them, each padded to the stride.
#include <cstddef>

#include "files/FileHolder.h"
#include "files/StillImage.h"

namespace velmor::files {
namespace {

constexpr uint16_t kBmpMagic = 0x4D42;  // "BM"
constexpr uint32_t kFileHeaderBytes = 14;
constexpr uint32_t kInfoHeaderBytes = 40;
constexpr uint32_t kColourTableBytes = 256 * 4;

void PutLittleEndian(uint8_t *at, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) at[i] = uint8_t(value >> (8 * i));
}

}  // namespace

bool WriteBmp(const char *path, const StillImage &image) {
  const bool withColourTable = image.bitsPerPixel <= 8;
  const uint32_t dataOffset =
      kFileHeaderBytes + kInfoHeaderBytes + (withColourTable ? kColourTableBytes : 0);
  uint8_t fileHeader[kFileHeaderBytes] = {};
  PutLittleEndian(fileHeader, kBmpMagic, 2);
  PutLittleEndian(fileHeader + 2, uint32_t(dataOffset + image.sizeBytes()), 4);
  PutLittleEndian(fileHeader + 10, dataOffset, 4);

  // BitmapInfo keeps the header and the colour table contiguous, in file
  // order (both targets are little-endian).
  static_assert(offsetof(imaging::BitmapInfo, colours) == kInfoHeaderBytes);
  FileHolder file;
  return file.OpenForWrite(path) && file.Write(fileHeader, sizeof fileHeader) &&
         file.Write(&image.info, dataOffset - kFileHeaderBytes) &&
         file.Write(image.pixels.get(), image.sizeBytes()) && file.Close();
}

}  // namespace velmor::files
