// Pixel memory of a device-independent bitmap. On Windows it is a DIB section
// selected into its own memory DC, so GDI can draw into and out of it; when no
// DIB section can be made (GDI has none for 48 and 64 bits per pixel), and on
// systems without GDI, it is a zero-filled heap block without a DC.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace velmor::platform {

// BITMAPINFOHEADER, field for field.
struct BitmapInfoHeader {
  uint32_t biSize;
  int32_t biWidth;
  int32_t biHeight;
  uint16_t biPlanes;
  uint16_t biBitCount;
  uint32_t biCompression;
  uint32_t biSizeImage;
  int32_t biXPelsPerMeter;
  int32_t biYPelsPerMeter;
  uint32_t biClrUsed;
  uint32_t biClrImportant;
};
static_assert(sizeof(BitmapInfoHeader) == 40, "BitmapInfoHeader is 40 bytes");

// RGBQUAD.
struct RgbQuad {
  uint8_t rgbBlue;
  uint8_t rgbGreen;
  uint8_t rgbRed;
  uint8_t rgbReserved;
};

// BITMAPINFO with a full colour table: the header and the table are
// contiguous, as CreateDIBSection and the BMP file layout want them.
struct BitmapInfo {
  BitmapInfoHeader header;
  RgbQuad colours[256];
};
static_assert(sizeof(BitmapInfo) == 40 + 256 * 4, "BitmapInfo is packed");

class BitmapStorage {
 public:
  BitmapStorage() = default;
  ~BitmapStorage() { Release(); }
  BitmapStorage(const BitmapStorage &) = delete;
  BitmapStorage &operator=(const BitmapStorage &) = delete;

  // Makes `bytes` of pixel memory for the bitmap `info` describes. False only
  // when no memory could be had at all, or a DIB section was made but its DC
  // could not be; nothing is held then.
  bool Create(const BitmapInfo &info, std::size_t bytes);
  // Deselects and deletes the bitmap, deletes the DC, frees the heap block.
  void Release();

  uint8_t *bits() const { return bits_; }
  // The memory DC holding the bitmap (an HDC on Windows), or null.
  void *dc() const { return dc_; }

  // Loads `count` colour-table entries from index `first` into the bitmap
  // selected in the DC; nothing to do without a DC.
  void SetColourTable(uint32_t first, uint32_t count, const RgbQuad *entries);
  // BitBlt(SRCCOPY) of a width x height block at (sourceX, sourceY) of
  // `source` to (x, y) of this bitmap, in GDI coordinates. False when either
  // side has no DC or GDI refuses.
  bool BlitFrom(const BitmapStorage &source, int32_t x, int32_t y, int32_t width, int32_t height,
                int32_t sourceX, int32_t sourceY);

 private:
  struct FreeDeleter {
    void operator()(uint8_t *block) const { std::free(block); }
  };
  // The fallback: a zero-filled heap block.
  bool CreateHeap(std::size_t bytes) {
    heap_.reset(static_cast<uint8_t *>(std::calloc(bytes ? bytes : 1, 1)));
    bits_ = heap_.get();
    return bits_ != nullptr;
  }

  void *dc_ = nullptr;
  void *bitmap_ = nullptr;
  void *displacedBitmap_ = nullptr;
  std::unique_ptr<uint8_t, FreeDeleter> heap_;
  uint8_t *bits_ = nullptr;
};

}  // namespace velmor::platform
