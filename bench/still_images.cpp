// Still image files of full 2848 x 2848 frames, 8 and 16 bits: each writer
// beside the codec library's own encode of the same pixels with the same
// settings (JPEG, PNG, TIFF) or beside a memcpy plus a write of the same
// bytes (BMP, raw, TIFF), all into the page cache; and the private copy the
// session takes under its image lock beside a memcpy of the image.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>

#include "files/StillImage.h"
#include "imaging/DibImage.h"

namespace {

using velmor::files::SaveImageFile;
using velmor::files::StillImage;
using velmor::files::StillImageType;
using velmor::imaging::DibImage;

constexpr int32_t kSide = 2848;

// A camera-like picture: a smooth 12-bit gradient with noise (fixed seed).
const DibImage &Frame(int32_t bits) {
  static DibImage frames[2];
  DibImage &image = frames[bits == 16];
  if (image.bits() != nullptr) return image;
  image.Create(kSide, kSide, bits);
  std::mt19937 random(20);
  std::uniform_int_distribution<int> noise(-40, 40);
  for (int32_t y = 0; y < kSide; ++y)
    for (int32_t x = 0; x < kSide; ++x) {
      const int v = std::clamp((x + y) * 4095 / (2 * kSide) + noise(random), 0, 4095);
      uint8_t *at = image.bits() + std::size_t(y) * image.stride() + std::size_t(x) * bits / 8;
      if (bits == 8) {
        at[0] = uint8_t(v >> 4);
      } else {
        at[0] = uint8_t(v);
        at[1] = uint8_t(v >> 8);
      }
    }
  return image;
}

// The 8-bit rows JPEG encodes: the frame itself, or its 12-bit samples >> 4.
std::vector<uint8_t> EightBitRows(const DibImage &image) {
  std::vector<uint8_t> rows(std::size_t(kSide) * kSide);
  for (std::size_t i = 0; i < rows.size(); ++i)
    rows[i] = image.bitsPerPixel() == 8
                  ? image.bits()[i]
                  : uint8_t(reinterpret_cast<const uint16_t *>(image.bits())[i] >> 4);
  return rows;
}

std::string OutputPath(const char *name) {
  return (std::filesystem::temp_directory_path() / name).string();
}

struct FileCloser {
  void operator()(std::FILE *file) const { std::fclose(file); }
};

void EncodeJpeg(const char *path, const uint8_t *pixels, int quality) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path, "wb"));
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, file.get());
  info.image_width = info.image_height = kSide;
  info.input_components = 1;
  info.in_color_space = JCS_GRAYSCALE;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  jpeg_simple_progression(&info);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<uint8_t *>(pixels) + std::size_t(info.next_scanline) * kSide;
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
}

void EncodePng(const char *path, const DibImage &image) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path, "wb"));
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, file.get());
  const int depth = image.bitsPerPixel();
  png_set_IHDR(png, info, kSide, kSide, depth, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  if (depth == 16) png_set_swap(png);
  for (int32_t y = 0; y < kSide; ++y)
    png_write_row(png, image.bits() + std::size_t(y) * image.stride());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
}

void EncodeTiff(const char *path, const DibImage &image) {
  TIFF *tiff = TIFFOpen(path, "w");
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, uint32_t(kSide));
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, uint32_t(kSide));
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, uint16_t(image.bitsPerPixel()));
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, uint16_t(1));
  TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, uint32_t(kSide));
  TIFFWriteEncodedStrip(tiff, 0, image.bits(), tmsize_t(image.sizeBytes()));
  TIFFClose(tiff);
}

// memcpy into a private block, then one write of it.
void CopyAndWrite(const char *path, const DibImage &image, std::vector<uint8_t> &block) {
  std::memcpy(block.data(), image.bits(), block.size());
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path, "wb"));
  std::fwrite(block.data(), 1, block.size(), file.get());
}

void Ours(benchmark::State &state, StillImageType type, int32_t bits) {
  const DibImage &image = Frame(bits);
  const std::string path = OutputPath("velmor-bench-ours");
  for (auto _ : state)
    if (SaveImageFile(path.c_str(), image, int32_t(type), 12) != 1) state.SkipWithError("failed");
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(image.sizeBytes()));
}

void CodecJpeg(benchmark::State &state, int quality, int32_t bits) {
  const std::vector<uint8_t> rows = EightBitRows(Frame(bits));
  const std::string path = OutputPath("velmor-bench-codec");
  for (auto _ : state) EncodeJpeg(path.c_str(), rows.data(), quality);
}

void CodecPng(benchmark::State &state, int32_t bits) {
  const std::string path = OutputPath("velmor-bench-codec");
  for (auto _ : state) EncodePng(path.c_str(), Frame(bits));
}

void CodecTiff(benchmark::State &state, int32_t bits) {
  const std::string path = OutputPath("velmor-bench-codec");
  for (auto _ : state) EncodeTiff(path.c_str(), Frame(bits));
}

void MemcpyWrite(benchmark::State &state, int32_t bits) {
  const DibImage &image = Frame(bits);
  std::vector<uint8_t> block(image.sizeBytes());
  const std::string path = OutputPath("velmor-bench-codec");
  for (auto _ : state) CopyAndWrite(path.c_str(), image, block);
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(image.sizeBytes()));
}

// What the image lock covers: the writer's private copy.
void LockHeld(benchmark::State &state, StillImageType type, int32_t bits) {
  const DibImage &image = Frame(bits);
  for (auto _ : state) {
    auto copy = StillImage::Take(image, int32_t(type), 12);
    benchmark::DoNotOptimize(copy->pixels.get());
  }
}

void Memcpy(benchmark::State &state, int32_t bits) {
  const DibImage &image = Frame(bits);
  std::vector<uint8_t> block(image.sizeBytes());
  for (auto _ : state) {
    std::memcpy(block.data(), image.bits(), block.size());
    benchmark::DoNotOptimize(block.data());
  }
}

void Register() {
  constexpr auto kMs = benchmark::kMillisecond;
  for (int32_t bits : {8, 16}) {
    const std::string depth = "/" + std::to_string(bits) + "bit";
    for (auto [name, type, quality] : {std::tuple{"jpeg100", StillImageType::kJpegQuality100, 100},
                                       std::tuple{"jpeg70", StillImageType::kJpegQuality70, 70},
                                       std::tuple{"jpeg20", StillImageType::kJpegQuality20, 20}}) {
      benchmark::RegisterBenchmark(("ours/" + std::string(name) + depth).c_str(), Ours, type, bits)
          ->Unit(kMs)
          ->UseRealTime();
      benchmark::RegisterBenchmark(("libjpeg/" + std::string(name) + depth).c_str(), CodecJpeg,
                                   quality, bits)
          ->Unit(kMs)
          ->UseRealTime();
    }
    benchmark::RegisterBenchmark(("ours/png" + depth).c_str(), Ours, StillImageType::kPng, bits)
        ->Unit(kMs)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("libpng/png" + depth).c_str(), CodecPng, bits)
        ->Unit(kMs)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("ours/tiff" + depth).c_str(), Ours, StillImageType::kTiff, bits)
        ->Unit(kMs)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("libtiff/tiff" + depth).c_str(), CodecTiff, bits)
        ->Unit(kMs)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("ours/bmp" + depth).c_str(), Ours, StillImageType::kBmp, bits)
        ->Unit(kMs)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("ours/raw" + depth).c_str(), Ours, StillImageType::kRaw, bits)
        ->Unit(kMs)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("memcpy+write" + depth).c_str(), MemcpyWrite, bits)
        ->Unit(kMs)
        ->UseRealTime();
    for (auto [name, type] :
         {std::pair{"bmp", StillImageType::kBmp}, std::pair{"raw", StillImageType::kRaw},
          std::pair{"jpeg", StillImageType::kJpegQuality100},
          std::pair{"png", StillImageType::kPng}, std::pair{"tiff", StillImageType::kTiff}})
      benchmark::RegisterBenchmark(("lock_held/" + std::string(name) + depth).c_str(), LockHeld,
                                   type, bits)
          ->Unit(kMs)
          ->UseRealTime();
    benchmark::RegisterBenchmark(("memcpy" + depth).c_str(), Memcpy, bits)
        ->Unit(kMs)
        ->UseRealTime();
  }
}

}  // namespace

int main(int argc, char **argv) {
  Register();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
