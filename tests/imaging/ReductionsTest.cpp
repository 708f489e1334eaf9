// The reduction and re-ordering routines: bit arithmetic, row order, depth
// records and format checks.
#include <gtest/gtest.h>

#include <utility>

#include "ImageFixtures.h"
#include "imaging/DibImage.h"
#include "imaging/Reductions.h"

namespace velmor::imaging {
namespace {

using testing::At;
using testing::Make;

// A 16-bit image of 2 x 3 whose rows are told apart by their samples.
class Reductions : public ::testing::Test {
 protected:
  void SetUp() override {
    Make(grey16_, 2, 3, 16);
    for (int y = 0; y < 3; ++y) {
      At<uint16_t>(grey16_, 0, y) = uint16_t(0x0ABC + y);
      At<uint16_t>(grey16_, 1, y) = uint16_t(0xFFFF - y);
    }
    Make(grey8_, 2, 3, 8);
  }
  DibImage grey16_, grey8_;
};

TEST_F(Reductions, SixteenToEightKeepsTheTopSignificantBits) {
  const struct {
    int32_t bits;
    uint8_t low, high;  // from 0x0ABC and 0xFFFF
  } cases[] = {{16, 0x0A, 0xFF}, {12, 0xAB, 0xFF}, {10, 0xAF, 0xFF}, {8, 0xBC, 0xFF}};
  for (const auto &c : cases) {
    const SampleDepth depth{c.bits};
    ASSERT_EQ(DibImage::Convert(grey8_, Reduce16To8, grey16_, nullptr, nullptr, &depth), 1);
    EXPECT_EQ(At<uint8_t>(grey8_, 0, 0), c.low) << c.bits;
    EXPECT_EQ(At<uint8_t>(grey8_, 1, 0), c.high) << c.bits;
  }
  // Without a record: this camera's twelve bits.
  ASSERT_EQ(DibImage::Convert(grey8_, Reduce16To8, grey16_), 1);
  EXPECT_EQ(At<uint8_t>(grey8_, 0, 0), 0xAB);
  EXPECT_EQ(At<uint8_t>(grey8_, 0, 2), 0xAB);  // 0x0ABE >> 4
}

TEST_F(Reductions, FlippedFormsReverseTheRows) {
  const SampleDepth depth{8};
  ASSERT_EQ(DibImage::Convert(grey8_, Reduce16To8Flipped, grey16_, nullptr, nullptr, &depth), 1);
  EXPECT_EQ(At<uint8_t>(grey8_, 0, 0), 0xBE);
  EXPECT_EQ(At<uint8_t>(grey8_, 0, 2), 0xBC);
  DibImage copy;
  ASSERT_TRUE(copy.CreateLike(&grey16_));
  ASSERT_EQ(DibImage::Convert(copy, RowCopyFlipped, grey16_), 1);
  EXPECT_EQ(At<uint16_t>(copy, 1, 0), 0xFFFD);
  EXPECT_EQ(At<uint16_t>(copy, 1, 2), 0xFFFF);
}

TEST_F(Reductions, WideningShiftsInSixteenBits) {
  DibImage wide;
  ASSERT_TRUE(wide.CreateLike(&grey16_));
  const struct {
    int32_t bits;
    uint16_t low, high;
  } cases[] = {{12, 0xABC0, 0xFFF0}, {10, 0xAF00, 0xFFC0}, {16, 0x0ABC, 0xFFFF}};
  for (const auto &c : cases) {
    const SampleDepth depth{c.bits};
    ASSERT_EQ(DibImage::Convert(wide, Widen16, grey16_, nullptr, nullptr, &depth), 1);
    EXPECT_EQ(At<uint16_t>(wide, 0, 0), c.low) << c.bits;
    EXPECT_EQ(At<uint16_t>(wide, 1, 0), c.high) << c.bits;
  }
}

TEST_F(Reductions, DepthsOutsideEightToSixteenAreRefused) {
  for (int32_t bits : {7, 17, -1}) {
    const SampleDepth depth{bits};
    EXPECT_EQ(DibImage::Convert(grey8_, Reduce16To8, grey16_, nullptr, nullptr, &depth), 0);
    EXPECT_EQ(DibImage::Convert(grey16_, Widen16, grey16_, nullptr, nullptr, &depth), 0);
  }
  EXPECT_EQ(At<uint8_t>(grey8_, 0, 0), 0);
}

TEST(ColourReductions, GreyFromColourIsWeightedIntegerLuminance) {
  DibImage rgb, grey;
  Make(rgb, 3, 1, 24);
  Make(grey, 3, 1, 8);
  const uint8_t pixels[3][3] = {{255, 255, 255}, {0, 0, 255}, {7, 100, 3}};  // B, G, R
  for (int x = 0; x < 3; ++x)
    for (int c = 0; c < 3; ++c) At<uint8_t>(rgb, x, 0, c) = pixels[x][c];
  ASSERT_EQ(DibImage::Convert(grey, GreyFromColour, rgb), 1);
  EXPECT_EQ(At<uint8_t>(grey, 0, 0), 255);
  EXPECT_EQ(At<uint8_t>(grey, 1, 0), 76);  // 30 * 255 / 100 = 76.5
  EXPECT_EQ(At<uint8_t>(grey, 2, 0), 60);  // (90 + 5900 + 77) / 100
}

// Rows wide enough for the vectorised blocks and their tails, every routine
// against its per-pixel rule.
TEST(WideRows, EveryRoutineKeepsItsRulePastTheFirstBlocks) {
  constexpr int kWidth = 75;
  DibImage grey16, colour48, colour64, colour24, colour32, out8, out16, out24, out32, out48, out64;
  for (auto [image, bits] : {std::pair{&grey16, 16},
                             {&colour48, 48},
                             {&colour64, 64},
                             {&colour24, 24},
                             {&colour32, 32}}) {
    Make(*image, kWidth, 2, bits);
    testing::Scribble(*image, uint32_t(bits));
  }
  for (auto [image, bits] :
       {std::pair{&out8, 8}, {&out16, 16}, {&out24, 24}, {&out32, 32}, {&out48, 48}, {&out64, 64}})
    Make(*image, kWidth, 2, bits);
  const SampleDepth ten{10};
  ASSERT_EQ(DibImage::Convert(out8, Reduce16To8Flipped, grey16, nullptr, nullptr, &ten), 1);
  ASSERT_EQ(DibImage::Convert(out16, Widen16, grey16), 1);
  ASSERT_EQ(DibImage::Convert(out24, ReduceColour16To8, colour48), 1);
  ASSERT_EQ(DibImage::Convert(out64, WidenColour16Swapped, colour64, nullptr, nullptr, &ten), 1);
  ASSERT_EQ(DibImage::Convert(out48, WidenColour16, colour48), 1);
  ASSERT_EQ(DibImage::Convert(out32, OpaqueAlpha32, colour32), 1);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < kWidth; ++x) {
      ASSERT_EQ(At<uint8_t>(out8, x, y), uint8_t(At<uint16_t>(grey16, x, 1 - y) >> 2)) << x;
      ASSERT_EQ(At<uint16_t>(out16, x, y), uint16_t(At<uint16_t>(grey16, x, y) << 4)) << x;
      for (int c = 0; c < 3; ++c) {
        ASSERT_EQ(At<uint8_t>(out24, x, y, c), uint8_t(At<uint16_t>(colour48, x, y, c) >> 4));
        ASSERT_EQ(At<uint16_t>(out64, x, y, c), uint16_t(At<uint16_t>(colour64, x, y, 2 - c) << 6));
        ASSERT_EQ(At<uint16_t>(out48, x, y, c), uint16_t(At<uint16_t>(colour48, x, y, c) << 4));
        ASSERT_EQ(At<uint8_t>(out32, x, y, c), At<uint8_t>(colour32, x, y, c));
      }
      ASSERT_EQ(At<uint16_t>(out64, x, y, 3), 0xFFFF);
      ASSERT_EQ(At<uint8_t>(out32, x, y, 3), uint8_t(~At<uint8_t>(colour32, x, y, 3)));
    }
  ASSERT_EQ(DibImage::Convert(out24, ReduceColour16To8Flipped, colour64), 1);
  ASSERT_EQ(DibImage::Convert(out32, SwapRedBlue, colour32), 1);
  ASSERT_EQ(DibImage::Convert(out8, GreyFromColour, colour24), 1);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < kWidth; ++x) {
      for (int c = 0; c < 3; ++c) {
        ASSERT_EQ(At<uint8_t>(out24, x, y, c), uint8_t(At<uint16_t>(colour64, x, 1 - y, c) >> 4));
        ASSERT_EQ(At<uint8_t>(out32, x, y, c), At<uint8_t>(colour32, x, y, 2 - c));
      }
      const uint8_t *p = &At<uint8_t>(colour24, x, y);
      ASSERT_EQ(At<uint8_t>(out8, x, y), (30 * p[2] + 59 * p[1] + 11 * p[0]) / 100);
    }
  ASSERT_EQ(DibImage::Convert(out24, CopyColour24, colour32), 1);
  for (int x = 0; x < kWidth; ++x)
    for (int c = 0; c < 3; ++c)
      ASSERT_EQ(At<uint8_t>(out24, x, 1, c), At<uint8_t>(colour32, x, 1, c));
}

}  // namespace
}  // namespace velmor::imaging
