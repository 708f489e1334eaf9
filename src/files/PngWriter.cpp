// PNG: grey, RGB or RGBA at 8 or 16 bits per sample, rows in the copy's
// order. libpng reorders the bitmap's B, G, R channels and swaps the
// little-endian 16-bit samples to the file's big-endian order as it writes.
// 16-bit samples are stored as delivered, so no sBIT chunk is written.
#include <png.h>

#include "files/FileHolder.h"
#include "files/StillImage.h"

namespace velmor::files {
namespace {

struct PngFormat {
  int32_t bitsPerPixel;
  int bitDepth;
  int colourType;
};

constexpr PngFormat kPngFormats[] = {
    {8, 8, PNG_COLOR_TYPE_GRAY},  {16, 16, PNG_COLOR_TYPE_GRAY}, {24, 8, PNG_COLOR_TYPE_RGB},
    {32, 8, PNG_COLOR_TYPE_RGBA}, {48, 16, PNG_COLOR_TYPE_RGB},  {64, 16, PNG_COLOR_TYPE_RGBA},
};

// Errors unwind to the encoder's setjmp; warnings are dropped.
[[noreturn]] void JumpBack(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void IgnoreWarning(png_structp, png_const_charp) {}

void WriteToFile(png_structp png, png_bytep data, png_size_t size) {
  if (!static_cast<FileHolder *>(png_get_io_ptr(png))->Write(data, size))
    png_error(png, "write failed");
}
void NoFlush(png_structp) {}

// Only plain data lives between setjmp and the jumps back to it.
bool Encode(png_structp png, png_infop info, const StillImage &image, const PngFormat &format) {
  if (setjmp(png_jmpbuf(png)) != 0) return false;
  png_set_IHDR(png, info, png_uint_32(image.width), png_uint_32(image.height), format.bitDepth,
               format.colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  if (format.colourType != PNG_COLOR_TYPE_GRAY) png_set_bgr(png);
  if (format.bitDepth == 16) png_set_swap(png);
  for (int32_t y = 0; y < image.height; ++y)
    png_write_row(png, image.pixels.get() + std::size_t(y) * image.stride);
  png_write_end(png, info);
  return true;
}

}  // namespace

bool WritePng(const char *path, const StillImage &image) {
  const PngFormat *format = nullptr;
  for (const PngFormat &f : kPngFormats)
    if (f.bitsPerPixel == image.bitsPerPixel) format = &f;
  if (format == nullptr) return false;
  FileHolder file;
  if (!file.OpenForWrite(path)) return false;
  png_structp png =
      png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, JumpBack, IgnoreWarning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  bool written = false;
  if (info != nullptr) {
    png_set_write_fn(png, &file, WriteToFile, NoFlush);
    written = Encode(png, info, image, *format);
  }
  png_destroy_write_struct(&png, &info);
  return written && file.Close();
}

}  // namespace velmor::files
