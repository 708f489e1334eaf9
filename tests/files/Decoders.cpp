#include "Decoders.h"

#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>

#include <csetjmp>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>

namespace velmor::files::readback {
namespace {

struct FileCloser {
  void operator()(std::FILE *file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

FilePtr OpenRead(const std::string &path) { return FilePtr(std::fopen(path.c_str(), "rb")); }

[[noreturn]] void PngJump(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void PngQuiet(png_structp, png_const_charp) {}

bool ReadPng(png_structp png, png_infop info, std::FILE *file, Decoded &out) {
  if (setjmp(png_jmpbuf(png)) != 0) return false;
  png_init_io(png, file);
  png_read_info(png, info);
  out.width = int32_t(png_get_image_width(png, info));
  out.height = int32_t(png_get_image_height(png, info));
  out.bitsPerSample = png_get_bit_depth(png, info);
  out.pngColourType = png_get_color_type(png, info);
  out.channels = png_get_channels(png, info);
  out.pngHasSignificantBits = png_get_valid(png, info, PNG_INFO_sBIT) != 0;
  std::vector<uint8_t> row(png_get_rowbytes(png, info));
  const int32_t rowSamples = out.width * out.channels;
  for (int32_t y = 0; y < out.height; ++y) {
    png_read_row(png, row.data(), nullptr);
    for (int32_t i = 0; i < rowSamples; ++i)
      out.samples.push_back(out.bitsPerSample == 16 ? uint32_t(row[2 * i] << 8 | row[2 * i + 1])
                                                    : row[i]);
  }
  png_read_end(png, nullptr);
  return true;
}

struct JpegErrors {
  jpeg_error_mgr base;
  std::jmp_buf unwind;
};
[[noreturn]] void JpegJump(j_common_ptr info) {
  std::longjmp(reinterpret_cast<JpegErrors *>(info->err)->unwind, 1);
}

bool ReadJpeg(jpeg_decompress_struct &info, JpegErrors &errors, std::FILE *file, Decoded &out) {
  info.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = JpegJump;
  if (setjmp(errors.unwind) != 0) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_stdio_src(&info, file);
  jpeg_read_header(&info, TRUE);
  out.jpegProgressive = info.progressive_mode != 0;
  jpeg_start_decompress(&info);
  out.width = int32_t(info.output_width);
  out.height = int32_t(info.output_height);
  out.channels = info.output_components;
  out.bitsPerSample = 8;
  std::vector<uint8_t> row(std::size_t(out.width) * out.channels);
  while (info.output_scanline < info.output_height) {
    JSAMPROW rows[] = {row.data()};
    jpeg_read_scanlines(&info, rows, 1);
    out.samples.insert(out.samples.end(), row.begin(), row.end());
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

}  // namespace

Decoded DecodePng(const std::string &path) {
  Decoded out;
  const FilePtr file = OpenRead(path);
  if (!file) return out;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngJump, PngQuiet);
  png_infop info = png_create_info_struct(png);
  out.ok = ReadPng(png, info, file.get(), out);
  png_destroy_read_struct(&png, &info, nullptr);
  return out;
}

Decoded DecodeJpeg(const std::string &path) {
  Decoded out;
  const FilePtr file = OpenRead(path);
  if (!file) return out;
  jpeg_decompress_struct info{};
  JpegErrors errors{};
  out.ok = ReadJpeg(info, errors, file.get(), out);
  return out;
}

Decoded DecodeTiff(const std::string &path) {
  Decoded out;
  TIFF *tiff = TIFFOpen(path.c_str(), "r");
  if (tiff == nullptr) return out;
  uint32_t width = 0, height = 0, rowsPerStrip = 0;
  uint16_t bits = 0, samples = 0, compression = 0;
  TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
  TIFFGetField(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetField(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetField(tiff, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
  TIFFGetField(tiff, TIFFTAG_COMPRESSION, &compression);
  TIFFGetField(tiff, TIFFTAG_SMAXSAMPLEVALUE, &out.tiffMaxSampleValue);
  out.width = int32_t(width);
  out.height = int32_t(height);
  out.bitsPerSample = bits;
  out.channels = samples;
  out.tiffRowsPerStrip = int32_t(rowsPerStrip);
  out.tiffCompression = compression;
  std::vector<uint8_t> row(std::size_t(TIFFScanlineSize(tiff)));
  out.ok = true;
  for (uint32_t y = 0; y < height && out.ok; ++y) {
    out.ok = TIFFReadScanline(tiff, row.data(), y) == 1;
    for (std::size_t i = 0; i < std::size_t(width) * samples; ++i)
      out.samples.push_back(bits == 16 ? uint32_t(row[2 * i] | row[2 * i + 1] << 8) : row[i]);
  }
  TIFFClose(tiff);
  return out;
}

std::vector<uint8_t> ReadWholeFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace velmor::files::readback
