// One-pass grey to bottom-up BGR: the three bytes of each pixel, the reversed
// rows, the sample depth of 16-bit frames and the formats refused.
#include <gtest/gtest.h>

#include "ImageFixtures.h"
#include "imaging/DibImage.h"
#include "imaging/GreyToBgr.h"

namespace velmor::imaging {
namespace {

using testing::At;
using testing::Make;

// 37 pixels a row: one vectorised block and a remainder.
constexpr int32_t kWidth = 37, kHeight = 3;

TEST(GreyToBgr, EightBitGreyFillsAllThreeChannelsOfTheFlippedRow) {
  DibImage grey, bgr;
  Make(grey, kWidth, kHeight, 8);
  Make(bgr, kWidth, kHeight, 24);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) At<uint8_t>(grey, x, y) = uint8_t(x * 7 + y * 100);
  ASSERT_EQ(DibImage::Convert(bgr, GreyToBgrFlipped, grey), 1);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      for (int c = 0; c < 3; ++c)
        ASSERT_EQ(At<uint8_t>(bgr, x, y, c), At<uint8_t>(grey, x, kHeight - 1 - y))
            << x << "," << y << " channel " << c;
}

TEST(GreyToBgr, SixteenBitSamplesGiveTheirTopEightSignificantBits) {
  DibImage grey, bgr;
  Make(grey, kWidth, kHeight, 16);
  Make(bgr, kWidth, kHeight, 24);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) At<uint16_t>(grey, x, y) = uint16_t(x * 110 + y);
  const SampleDepth ten{10}, sixteen{16};
  const struct {
    const SampleDepth *depth;
    int shift;
  } cases[] = {{nullptr, 4}, {&ten, 2}, {&sixteen, 8}};
  for (const auto &c : cases) {
    ASSERT_EQ(DibImage::Convert(bgr, Grey16ToBgrFlipped, grey, nullptr, nullptr, c.depth), 1);
    for (int x = 0; x < kWidth; ++x)
      for (int channel = 0; channel < 3; ++channel)
        ASSERT_EQ(At<uint8_t>(bgr, x, 0, channel),
                  uint8_t(At<uint16_t>(grey, x, kHeight - 1) >> c.shift))
            << "x " << x << " shift " << c.shift;
  }
  // The brightest 12-bit sample stays the brightest byte.
  At<uint16_t>(grey, 0, kHeight - 1) = 4095;
  ASSERT_EQ(DibImage::Convert(bgr, Grey16ToBgrFlipped, grey), 1);
  EXPECT_EQ(At<uint8_t>(bgr, 0, 0), 255);
}

TEST(GreyToBgr, RefusesOtherFormats) {
  DibImage grey8, grey16, bgr, bgrx;
  Make(grey8, 4, 2, 8);
  Make(grey16, 4, 2, 16);
  Make(bgr, 4, 2, 24);
  Make(bgrx, 4, 2, 32);
  const SampleDepth tooDeep{17};
  EXPECT_EQ(DibImage::Convert(bgrx, GreyToBgrFlipped, grey8), 0);
  EXPECT_EQ(DibImage::Convert(bgr, GreyToBgrFlipped, grey16), 0);
  EXPECT_EQ(DibImage::Convert(bgr, Grey16ToBgrFlipped, grey8), 0);
  EXPECT_EQ(DibImage::Convert(bgr, Grey16ToBgrFlipped, grey16, nullptr, nullptr, &tooDeep), 0);
}

}  // namespace
}  // namespace velmor::imaging
