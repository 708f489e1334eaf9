// GDI-backed bitmaps: a DIB section selected into a memory DC of its own,
// released in the reverse order (deselect, delete the bitmap, delete the DC).
#include "platform/BitmapStorage.h"

#include <windows.h>

namespace velmor::platform {

static_assert(sizeof(BitmapInfoHeader) == sizeof(BITMAPINFOHEADER), "layout of BITMAPINFOHEADER");
static_assert(sizeof(RgbQuad) == sizeof(RGBQUAD), "layout of RGBQUAD");

bool BitmapStorage::Create(const BitmapInfo &info, std::size_t bytes) {
  Release();
  void *bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO *>(&info),
                                    DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap || !bits) {
    if (bitmap) DeleteObject(bitmap);
    return CreateHeap(bytes);
  }
  bitmap_ = bitmap;
  bits_ = static_cast<uint8_t *>(bits);
  HDC dc = CreateCompatibleDC(nullptr);
  if (!dc) {
    Release();
    return false;
  }
  dc_ = dc;
  HGDIOBJ displaced = SelectObject(dc, bitmap);
  if (!displaced || displaced == HGDI_ERROR) {
    Release();
    return false;
  }
  displacedBitmap_ = displaced;
  return true;
}

void BitmapStorage::Release() {
  if (dc_ && displacedBitmap_) SelectObject(static_cast<HDC>(dc_), displacedBitmap_);
  if (bitmap_) DeleteObject(static_cast<HBITMAP>(bitmap_));
  if (dc_) DeleteDC(static_cast<HDC>(dc_));
  dc_ = bitmap_ = displacedBitmap_ = nullptr;
  heap_.reset();
  bits_ = nullptr;
}

void BitmapStorage::SetColourTable(uint32_t first, uint32_t count, const RgbQuad *entries) {
  if (dc_)
    SetDIBColorTable(static_cast<HDC>(dc_), first, count,
                     reinterpret_cast<const RGBQUAD *>(entries));
}

bool BitmapStorage::BlitFrom(const BitmapStorage &source, int32_t x, int32_t y, int32_t width,
                             int32_t height, int32_t sourceX, int32_t sourceY) {
  if (!dc_ || !source.dc_) return false;
  return BitBlt(static_cast<HDC>(dc_), x, y, width, height, static_cast<HDC>(source.dc_), sourceX,
                sourceY, SRCCOPY) != FALSE;
}

}  // namespace velmor::platform
