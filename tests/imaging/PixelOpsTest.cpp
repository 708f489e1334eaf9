// In-place restride, software mirror, region mean and the preview scaler.
#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <vector>

#include "ImageFixtures.h"
#include "imaging/DibImage.h"
#include "imaging/Mirror.h"
#include "imaging/PreviewScaler.h"
#include "imaging/RegionMean.h"
#include "imaging/Restride.h"

namespace velmor::imaging {
namespace {

using testing::At;
using testing::Make;
using testing::Scribble;

TEST(Restride, SpreadsPackedRowsInPlaceExactly) {
  for (int32_t bits : {8, 16}) {
    DibImage image;
    Make(image, 2847, 5, bits);  // an odd width leaves padding in every row
    const std::size_t packed = std::size_t(2847) * (bits / 8);
    ASSERT_LT(packed, std::size_t(image.stride()));
    std::vector<uint8_t> rows(packed * 5);
    std::iota(rows.begin(), rows.end(), uint8_t(1));
    Scribble(image, 2);
    std::memcpy(image.bits(), rows.data(), rows.size());
    ASSERT_EQ(DibImage::Convert(image, RestrideRows, image), 1);
    for (int y = 0; y < 5; ++y) {
      const uint8_t *row = image.bits() + std::ptrdiff_t(y) * image.stride();
      ASSERT_EQ(std::memcmp(row, rows.data() + y * packed, packed), 0) << bits << " row " << y;
      for (std::size_t i = packed; i < std::size_t(image.stride()); ++i) ASSERT_EQ(row[i], 0);
    }
  }
}

TEST(Restride, RefusesOtherDepthsAndPartialRegions) {
  DibImage image;
  Make(image, 5, 3, 24);
  EXPECT_EQ(DibImage::Convert(image, RestrideRows, image), 0);
  Make(image, 5, 3, 8);
  PixelRect region{1, 0, 5, 3};
  EXPECT_EQ(DibImage::Convert(image, RestrideRows, image, &region), 0);
}

class Mirror : public ::testing::TestWithParam<int32_t> {};

TEST_P(Mirror, ReversesRowsColumnsOrBothInPlace) {
  const int32_t bits = GetParam();
  for (int32_t height : {4, 5}) {
    DibImage original, image;
    Make(original, 75, height, bits);  // past the first vectorised block
    Scribble(original, 6);
    for (const MirrorParams mirror : {MirrorParams{true, false}, MirrorParams{false, true},
                                      MirrorParams{true, true}, MirrorParams{false, false}}) {
      ASSERT_TRUE(image.CreateLike(&original));
      std::memcpy(image.bits(), original.bits(), original.sizeBytes());
      ASSERT_EQ(DibImage::Convert(image, MirrorRows, image, nullptr, nullptr, &mirror), 1);
      for (int y = 0; y < height; ++y)
        for (int x = 0; x < 75; ++x) {
          const int sx = mirror.horizontal ? 74 - x : x;
          const int sy = mirror.vertical ? height - 1 - y : y;
          const auto want =
              bits == 8 ? At<uint8_t>(original, sx, sy) : At<uint16_t>(original, sx, sy);
          const auto got = bits == 8 ? At<uint8_t>(image, x, y) : At<uint16_t>(image, x, y);
          ASSERT_EQ(got, want) << mirror.horizontal << mirror.vertical << " height " << height
                               << " at (" << x << ", " << y << ")";
        }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(RawDepths, Mirror, ::testing::Values(8, 16));

TEST(RegionMean, AveragesOnAnEightBitScale) {
  DibImage grey8, grey16;
  Make(grey8, 4, 4, 8);
  Make(grey16, 4, 4, 16);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      At<uint8_t>(grey8, x, y) = uint8_t(x < 2 ? 10 : 13);
      At<uint16_t>(grey16, x, y) = uint16_t(x < 2 ? 4095 : 1024);  // top 8 of 12: 255 and 64
    }
  EXPECT_EQ(DibImage::Convert(grey8, RegionMean, grey8), 11);  // 11.5 truncated
  EXPECT_EQ(DibImage::Convert(grey16, RegionMean, grey16), 159);
  PixelRect left{0, 0, 2, 4};
  EXPECT_EQ(DibImage::Convert(grey16, RegionMean, grey16, &left), 255);
  const SampleDepth tenBits{10};  // (v >> 2) & 0xFF: 0xFF and 0x00
  EXPECT_EQ(DibImage::Convert(grey16, RegionMean, grey16, nullptr, nullptr, &tenBits), 127);
  PixelRect empty{2, 2, 2, 4};
  EXPECT_EQ(DibImage::Convert(grey8, RegionMean, grey8, &empty), 0);
  // Rows wide enough for the vectorised sums.
  DibImage frame;
  Make(frame, 2848, 2, 16);
  uint64_t sum = 0;
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2848; ++x) {
      At<uint16_t>(frame, x, y) = uint16_t((x * 7 + y * 131) % 4096);
      sum += At<uint16_t>(frame, x, y) >> 4;
    }
  EXPECT_EQ(DibImage::Convert(frame, RegionMean, frame), int32_t(sum / (2848 * 2)));
}

TEST(PreviewScaler, NearestNeighbourTurnedUpright) {
  DibImage source, display;
  Make(source, 4, 4, 8);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) At<uint8_t>(source, x, y) = uint8_t(10 * y + x);
  Make(display, 2, 3, 8);
  ASSERT_EQ(DibImage::ConvertRects(display, ScalePreview8, source, nullptr, nullptr), 1);
  // Rows: int(i * 4/3) = 0, 1, 2 -> source rows 3, 2, 1; columns 0, 2.
  const uint8_t want[3][2] = {{30, 32}, {20, 22}, {10, 12}};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 2; ++x) EXPECT_EQ(At<uint8_t>(display, x, y), want[y][x]) << x << y;
}

TEST(PreviewScaler, ThreeBytePixelsAndSourceRectangles) {
  DibImage source, display;
  Make(source, 4, 4, 24);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x)
      for (int c = 0; c < 3; ++c) At<uint8_t>(source, x, y, c) = uint8_t(100 * c + 10 * y + x);
  Make(display, 4, 4, 24);
  // Picture rows 2..3 (memory rows 0..1), columns 1..2, enlarged twice.
  const PixelRect part{1, 2, 3, 4};
  ASSERT_EQ(DibImage::ConvertRects(display, ScalePreview24, source, nullptr, &part), 1);
  EXPECT_EQ(At<uint8_t>(display, 0, 0, 0), 11);  // source row 1, column 1
  EXPECT_EQ(At<uint8_t>(display, 3, 1, 2), 212);
  EXPECT_EQ(At<uint8_t>(display, 3, 3, 1), 102);  // source row 0, column 2
  EXPECT_EQ(DibImage::ConvertRects(display, ScalePreview8, source, nullptr, nullptr), 0);
}

}  // namespace
}  // namespace velmor::imaging
