// Still image writers: each format written from images of every depth it
// takes and read back with the codec libraries' decoders (the BMP layout by
// hand): header facts, row order and samples.
#include <gtest/gtest.h>
#include <tiff.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "Decoders.h"
#include "files/StillImage.h"
#include "imaging/DibImage.h"

namespace velmor::files {
namespace {

using imaging::DibImage;
using readback::Decoded;
using readback::ReadWholeFile;

constexpr int32_t kWidth = 37;  // rows of 8-bit images need padding
constexpr int32_t kHeight = 23;

// A smooth 12-bit ramp per channel (JPEG keeps it within a few levels), with
// the top and bottom rows far apart so a flip shows.
uint32_t Ramp(int32_t x, int32_t y, int32_t channel) {
  const int32_t u = channel == 1 ? kWidth - 1 - x : x;
  const int32_t v = channel == 2 ? kHeight - 1 - y : y;
  return uint32_t((u + 2 * v) * 4095 / (kWidth - 1 + 2 * (kHeight - 1)));
}

// The picture in memory at `bits`: channel c of a colour pixel is stored at
// B, G, R position c, 16-bit samples keep 12 bits, 8-bit ones their top
// eight; a fourth byte is 0 (as the pipeline leaves it), a fourth word 0x1234.
void Fill(DibImage &image, int32_t bits) {
  ASSERT_TRUE(image.Create(kWidth, kHeight, bits));
  const int32_t channels = bits == 8 || bits == 16 ? 1 : 3;
  const bool wide = bits == 16 || bits == 48 || bits == 64;
  for (int32_t y = 0; y < kHeight; ++y) {
    uint8_t *row = image.bits() + std::size_t(y) * image.stride();
    for (int32_t x = 0; x < kWidth; ++x) {
      uint8_t *pixel = row + std::size_t(x) * image.bytesPerPixel();
      for (int32_t c = 0; c < channels; ++c) {
        const uint32_t v = Ramp(x, y, c);
        if (wide) {
          const uint16_t word = uint16_t(v);
          std::memcpy(pixel + 2 * c, &word, 2);
        } else {
          pixel[c] = uint8_t(v >> 4);
        }
      }
      if (bits == 64) {
        const uint16_t word = 0x1234;
        std::memcpy(pixel + 6, &word, 2);
      }
    }
  }
}

std::string TempPath(const std::string &name) {
  const auto dir = std::filesystem::temp_directory_path() / "velmor-still-images";
  std::filesystem::create_directories(dir);
  return (dir / name).string();
}

// What a decoder should see at (x, y, channel) in file channel order
// (R, G, B, A or grey) for a source of `bits`: `sampleShift` reduces 12-bit
// samples (JPEG), `alpha` is the fourth channel.
uint32_t Expected(int32_t bits, int32_t x, int32_t y, int32_t channel, int32_t sampleShift,
                  uint32_t alpha) {
  if (channel == 3) return alpha;
  const int32_t memoryChannel = bits == 8 || bits == 16 ? 0 : 2 - channel;
  const uint32_t v = Ramp(x, y, memoryChannel);
  const bool wide = bits == 16 || bits == 48 || bits == 64;
  return wide ? v >> sampleShift : v >> 4;
}

void ExpectSamples(const Decoded &file, int32_t bits, int32_t sampleShift, uint32_t alpha,
                   uint32_t tolerance) {
  ASSERT_EQ(file.samples.size(), std::size_t(kWidth) * kHeight * file.channels);
  uint32_t worst = 0;
  for (int32_t y = 0; y < kHeight; ++y)
    for (int32_t x = 0; x < kWidth; ++x)
      for (int32_t c = 0; c < file.channels; ++c) {
        const uint32_t got = file.samples[(std::size_t(y) * kWidth + x) * file.channels + c];
        const uint32_t want = Expected(bits, x, y, c, sampleShift, alpha);
        worst = std::max(worst, got > want ? got - want : want - got);
        if (worst > tolerance) {
          ADD_FAILURE() << "sample (" << x << ", " << y << ", " << c << ") is " << got
                        << ", expected " << want;
          return;
        }
      }
}

struct PngCase {
  int32_t bits;
  int32_t bitDepth;
  int32_t colourType;
  uint32_t alpha;
};

TEST(StillImageTest, PngKeepsEveryDepthExactlyAndTopRowFirst) {
  const PngCase cases[] = {
      {8, 8, 0, 0},   {16, 16, 0, 0},
      {24, 8, 2, 0},  {32, 8, 6, 0xFF},  // the pipeline's zero fourth byte becomes opaque
      {48, 16, 2, 0}, {64, 16, 6, 0xFFFF},
  };
  for (const PngCase &c : cases) {
    SCOPED_TRACE(c.bits);
    DibImage image;
    Fill(image, c.bits);
    const std::string path = TempPath("image.png");
    ASSERT_EQ(SaveImageFile(path.c_str(), image, int32_t(StillImageType::kPng), 12), 1);
    const Decoded file = readback::DecodePng(path);
    ASSERT_TRUE(file.ok);
    EXPECT_EQ(file.width, kWidth);
    EXPECT_EQ(file.height, kHeight);
    EXPECT_EQ(file.bitsPerSample, c.bitDepth);
    EXPECT_EQ(file.pngColourType, c.colourType);
    EXPECT_FALSE(file.pngHasSignificantBits) << "samples are stored unscaled";
    ExpectSamples(file, c.bits, 0, c.alpha, 0);
  }
}

struct TiffCase {
  int32_t bits;
  int32_t bitsPerSample;
  int32_t channels;
  uint32_t alpha;
};

TEST(StillImageTest, TiffKeepsEveryDepthExactlyInOneUncompressedStrip) {
  const TiffCase cases[] = {
      {8, 8, 1, 0},  {16, 16, 1, 0}, {24, 8, 3, 0},
      {32, 8, 4, 0}, {48, 16, 3, 0}, {64, 16, 4, 0xFFFF},
  };
  for (const TiffCase &c : cases) {
    SCOPED_TRACE(c.bits);
    DibImage image;
    Fill(image, c.bits);
    const std::string path = TempPath("image.tif");
    ASSERT_EQ(SaveImageFile(path.c_str(), image, int32_t(StillImageType::kTiff), 12), 1);
    const Decoded file = readback::DecodeTiff(path);
    ASSERT_TRUE(file.ok);
    EXPECT_EQ(file.width, kWidth);
    EXPECT_EQ(file.height, kHeight);
    EXPECT_EQ(file.bitsPerSample, c.bitsPerSample);
    EXPECT_EQ(file.channels, c.channels);
    EXPECT_EQ(file.tiffCompression, COMPRESSION_NONE);
    EXPECT_EQ(file.tiffRowsPerStrip, kHeight);
    if (c.bitsPerSample == 16) {
      EXPECT_EQ(file.tiffMaxSampleValue, 4095.0);
    }
    ExpectSamples(file, c.bits, 0, c.alpha, 0);
  }
}

struct JpegCase {
  int32_t bits;
  StillImageType type;
  int32_t channels;
  uint32_t tolerance;
};

TEST(StillImageTest, JpegIsProgressiveUprightAndTakesTheTopEightOfTwelveBits) {
  const JpegCase cases[] = {
      {8, StillImageType::kJpegQuality100, 1, 2},
      {16, StillImageType::kJpegQuality100, 1, 2},
      // Chroma is subsampled: the colour ramps lose a few levels.
      {24, StillImageType::kJpegQuality100, 3, 12},
      {32, StillImageType::kJpegQuality100, 3, 12},
      {48, StillImageType::kJpegQuality100, 3, 12},
      {16, StillImageType::kJpegQuality70, 1, 12},
      {16, StillImageType::kJpegQuality20, 1, 40},
  };
  for (const JpegCase &c : cases) {
    SCOPED_TRACE(::testing::Message() << c.bits << " bits, type " << int32_t(c.type));
    DibImage image;
    Fill(image, c.bits);
    const std::string path = TempPath("image.jpg");
    ASSERT_EQ(SaveImageFile(path.c_str(), image, int32_t(c.type), 12), 1);
    const Decoded file = readback::DecodeJpeg(path);
    ASSERT_TRUE(file.ok);
    EXPECT_EQ(file.width, kWidth);
    EXPECT_EQ(file.height, kHeight);
    EXPECT_EQ(file.channels, c.channels);
    EXPECT_TRUE(file.jpegProgressive);
    ExpectSamples(file, c.bits, 4, 0, c.tolerance);
  }
}

TEST(StillImageTest, BmpStoresTheFirstRowLastAtTheImagesOwnDepth) {
  for (int32_t bits : {8, 16, 24, 32, 48, 64}) {
    SCOPED_TRACE(bits);
    DibImage image;
    Fill(image, bits);
    const std::string path = TempPath("image.bmp");
    ASSERT_EQ(SaveImageFile(path.c_str(), image, int32_t(StillImageType::kBmp), 12), 1);
    const std::vector<uint8_t> file = ReadWholeFile(path);
    const uint32_t offset = bits <= 8 ? 1078 : 54;
    ASSERT_EQ(file.size(), offset + image.sizeBytes());
    auto field = [&](std::size_t at, int bytes) {
      uint32_t value = 0;
      for (int i = 0; i < bytes; ++i) value |= uint32_t(file[at + i]) << (8 * i);
      return value;
    };
    EXPECT_EQ(field(0, 2), 0x4D42u);
    EXPECT_EQ(field(2, 4), file.size());
    EXPECT_EQ(field(10, 4), offset);
    EXPECT_EQ(field(14, 4), 40u);
    EXPECT_EQ(int32_t(field(18, 4)), kWidth);
    EXPECT_EQ(int32_t(field(22, 4)), kHeight) << "positive: bottom-up";
    EXPECT_EQ(field(28, 2), uint32_t(bits));
    EXPECT_EQ(field(30, 4), 0u) << "no compression";
    if (bits == 8) {
      EXPECT_EQ(field(54 + 4 * 200, 4), 0x00C8C8C8u) << "grey ramp";
    }
    for (int32_t row = 0; row < kHeight; ++row) {
      const uint8_t *stored = file.data() + offset + std::size_t(row) * image.stride();
      const uint8_t *memory = image.bits() + std::size_t(kHeight - 1 - row) * image.stride();
      ASSERT_EQ(std::memcmp(stored, memory, image.stride()), 0) << "file row " << row;
    }
  }
}

TEST(StillImageTest, RawIsTheBufferAsHeld) {
  for (int32_t bits : {8, 16}) {
    DibImage image;
    Fill(image, bits);
    const std::string path = TempPath("image.raw");
    ASSERT_EQ(SaveImageFile(path.c_str(), image, int32_t(StillImageType::kRaw), 12), 1);
    const std::vector<uint8_t> file = ReadWholeFile(path);
    ASSERT_EQ(file.size(), image.sizeBytes());
    EXPECT_EQ(std::memcmp(file.data(), image.bits(), file.size()), 0);
  }
}

TEST(StillImageTest, RefusalsWriteNothingAndOverwritingTruncates) {
  DibImage image;
  Fill(image, 8);
  const std::string path = TempPath("refused.bin");
  std::filesystem::remove(path);
  EXPECT_EQ(SaveImageFile(path.c_str(), image, 7, 12), 0);
  EXPECT_EQ(SaveImageFile(path.c_str(), image, -1, 12), 0);
  EXPECT_EQ(SaveImageFile(path.c_str(), image, int32_t(StillImageType::kPng), 17), 0);
  EXPECT_FALSE(std::filesystem::exists(path)) << "refused before the file is made";
  DibImage empty;
  EXPECT_EQ(SaveImageFile(path.c_str(), empty, int32_t(StillImageType::kBmp), 12), 0);
  EXPECT_EQ(SaveImageFile(nullptr, image, int32_t(StillImageType::kBmp), 12), 0);
  const std::string missingFolder = TempPath("no-such-folder/image");
  for (int32_t type = 0; type <= 6; ++type)
    EXPECT_EQ(SaveImageFile(missingFolder.c_str(), image, type, 12), 0) << type;

  std::ofstream(path, std::ios::binary) << std::string(1 << 20, 'x');
  ASSERT_EQ(SaveImageFile(path.c_str(), image, int32_t(StillImageType::kRaw), 12), 1);
  EXPECT_EQ(std::filesystem::file_size(path), image.sizeBytes());
}

}  // namespace
}  // namespace velmor::files
