// The Bayer demosaic: golden mosaics for every Bayer mode, gains and
// saturation, the two-pixel frame, phases and the mirror adjustment.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "ImageFixtures.h"
#include "imaging/Demosaic.h"
#include "imaging/DibImage.h"

namespace velmor::imaging {
namespace {

using testing::At;
using testing::Make;
using testing::Scribble;

constexpr uint8_t kMosaic[4][4] = {
    {12, 200, 37, 90}, {150, 64, 5, 255}, {77, 18, 230, 41}, {99, 140, 3, 180}};

template <typename Sample>
void FillMosaic(DibImage &raw, int32_t scale = 1) {
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) At<Sample>(raw, x, y) = Sample(kMosaic[y][x] * scale);
}

int32_t RunDemosaic(DibImage &colour, const DibImage &raw, const DemosaicParams &params) {
  return DibImage::Convert(colour, Demosaic, raw, nullptr, nullptr, &params);
}

// (B, G, R) of pixels (0,0), (1,1), (2,2), (3,3), (3,0), (0,3) of kMosaic,
// worked out by hand from the block, weight and substitution rules. Example,
// mode 0 at (1,1): green (12 + 64) >> 1 = 38; red in the lower-left cell
// (0,1): 9*150 + 3*5 (column 2) + 3*99 (row -1 read from row 3) + 3 (2,3) =
// 1665, * 128 >> 11 = 104.
constexpr std::array<std::array<std::array<int, 3>, 6>, 4> kGolden = {{
    {{{96, 96, 84}, {135, 38, 104}, {60, 147, 37}, {55, 205, 30}, {96, 108, 30}, {55, 128, 84}}},
    {{{179, 94, 42}, {121, 175, 42}, {121, 11, 151}, {179, 22, 151}, {179, 46, 71}, {179, 70, 91}}},
    {{{42, 94, 179}, {42, 175, 121}, {151, 11, 121}, {151, 22, 179}, {71, 46, 179}, {91, 70, 179}}},
    {{{84, 96, 96}, {104, 38, 135}, {37, 147, 60}, {30, 205, 55}, {30, 108, 96}, {84, 128, 55}}},
}};
constexpr int kGoldenAt[6][2] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {3, 0}, {0, 3}};

TEST(Demosaic, HandComputedMosaicInEveryBayerModeAndFormat) {
  for (int32_t bits : {24, 32, 48, 64}) {
    const bool wide = bits >= 48;
    DibImage raw, colour;
    Make(raw, 4, 4, wide ? 16 : 8);
    Make(colour, 4, 4, bits);
    // 16-bit samples of 16 x the 8-bit ones give 16 x the result.
    wide ? FillMosaic<uint16_t>(raw, 16) : FillMosaic<uint8_t>(raw);
    for (int32_t mode = 0; mode < 4; ++mode) {
      ASSERT_EQ(RunDemosaic(colour, raw, {mode, 100, 100, 100}), 1);
      for (int i = 0; i < 6; ++i)
        for (int c = 0; c < 3; ++c) {
          const int x = kGoldenAt[i][0], y = kGoldenAt[i][1];
          const int got = wide ? At<uint16_t>(colour, x, y, c) / 16 : At<uint8_t>(colour, x, y, c);
          EXPECT_EQ(got, kGolden[mode][i][c])
              << bits << " bpp, mode " << mode << " at (" << x << ", " << y << ") channel " << c;
        }
    }
  }
}

TEST(Demosaic, UniformFrameStaysUniformIncludingTheFrame) {
  for (int32_t bits : {24, 32, 48, 64}) {
    const bool wide = bits >= 48;
    const uint32_t v = wide ? 3001 : 173;
    DibImage raw, colour;
    Make(raw, 10, 8, wide ? 16 : 8);
    Make(colour, 10, 8, bits);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 10; ++x)
        wide ? void(At<uint16_t>(raw, x, y) = uint16_t(v))
             : void(At<uint8_t>(raw, x, y) = uint8_t(v));
    for (int32_t mode = 0; mode < 4; ++mode) {
      ASSERT_EQ(RunDemosaic(colour, raw, {mode, 100, 100, 100}), 1);
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x)
          for (int c = 0; c < 3; ++c)
            ASSERT_EQ(wide ? At<uint16_t>(colour, x, y, c) : At<uint8_t>(colour, x, y, c), v)
                << bits << " bpp, mode " << mode << " at (" << x << ", " << y << ")";
    }
  }
}

TEST(Demosaic, GainsScaleRedAndBlueAndSaturate) {
  DibImage raw, colour;
  Make(raw, 6, 6, 8);
  Make(colour, 6, 6, 24);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x)
      At<uint8_t>(raw, x, y) = (y & 1) && !(x & 1) ? 255 : 100;  // red 255
  // 255 * 16 * 512 >= 0x80000: red saturates; blue at 50 % halves.
  ASSERT_EQ(RunDemosaic(colour, raw, {0, 400, 100, 50}), 1);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) {
      EXPECT_EQ(At<uint8_t>(colour, x, y, 2), 255);
      EXPECT_EQ(At<uint8_t>(colour, x, y, 0), 50);  // 100 * 16 * 64 >> 11
    }
  // Gains beyond 0 ... 400 are held to it.
  ASSERT_EQ(RunDemosaic(colour, raw, {0, -20, 100, 9000}), 1);
  EXPECT_EQ(At<uint8_t>(colour, 3, 3, 2), 0);
  EXPECT_EQ(At<uint8_t>(colour, 3, 3, 0), 255);  // 100 * 4 = 400
}

TEST(Demosaic, GreenGainChangesNothing) {
  DibImage raw, first, second;
  Make(raw, 8, 6, 8);
  Scribble(raw, 11);
  Make(first, 8, 6, 24);
  Make(second, 8, 6, 24);
  ASSERT_EQ(RunDemosaic(first, raw, {2, 130, 0, 70}), 1);
  ASSERT_EQ(RunDemosaic(second, raw, {2, 130, 400, 70}), 1);
  EXPECT_EQ(testing::Snapshot(first), testing::Snapshot(second));
}

// Every substituted neighbour of the frame is the same colour: a frame whose
// green cells are 0 and whose red and blue cells hold their colour's value
// demosaics with green 0 and exact red and blue everywhere.
TEST(Demosaic, BorderSubstitutionStaysOnThePatternsColour) {
  for (int32_t mode = 0; mode < 4; ++mode) {
    DibImage raw, colour;
    Make(raw, 8, 8, 8);
    Make(colour, 8, 8, 24);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) {
        const int ex = (x ^ (mode >> 1)) & 1, ey = (y ^ mode) & 1;
        At<uint8_t>(raw, x, y) = ex == ey ? 0 : ex ? 40 : 200;  // blue 40, red 200
      }
    ASSERT_EQ(RunDemosaic(colour, raw, {mode, 100, 100, 100}), 1);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) {
        ASSERT_EQ(At<uint8_t>(colour, x, y, 0), 40) << mode << " (" << x << ", " << y << ")";
        ASSERT_EQ(At<uint8_t>(colour, x, y, 1), 0);
        ASSERT_EQ(At<uint8_t>(colour, x, y, 2), 200);
      }
  }
}

TEST(Demosaic, PhaseFollowsAbsoluteParity) {
  // Starting one column in, the region's first column is an odd column.
  DibImage raw, whole, part;
  Make(raw, 10, 6, 8);
  Scribble(raw, 5);
  Make(whole, 10, 6, 24);
  Make(part, 10, 6, 24);
  ASSERT_EQ(RunDemosaic(whole, raw, {1, 100, 100, 100}), 1);
  PixelRect region{1, 0, 9, 6};
  PixelPoint origin{1, 0};
  const DemosaicParams params{1, 100, 100, 100};
  ASSERT_EQ(DibImage::Convert(part, Demosaic, raw, &region, &origin, &params), 1);
  // Away from the region's own frame, the colours are those of the whole image.
  for (int y = 2; y < 4; ++y)
    for (int x = 4; x < 8; ++x)
      for (int c = 0; c < 3; ++c)
        EXPECT_EQ(At<uint8_t>(part, x, y, c), At<uint8_t>(whole, x, y, c)) << x << ", " << y;
}

TEST(Demosaic, VerticalMirrorTurnsModeOneIntoModeZero) {
  EXPECT_EQ(MirrorAdjustedBayerMode(1, true, false), 0);
  EXPECT_EQ(MirrorAdjustedBayerMode(2, true, false), 3);
  EXPECT_EQ(MirrorAdjustedBayerMode(0, false, true), 2);
  EXPECT_EQ(MirrorAdjustedBayerMode(1, true, true), 2);
  EXPECT_EQ(MirrorAdjustedBayerMode(3, false, false), 3);
  // Mode 1 mirrored vertically demosaics with mode 0's phase.
  DibImage raw, adjusted, zero;
  Make(raw, 4, 4, 8);
  FillMosaic<uint8_t>(raw);
  Make(adjusted, 4, 4, 24);
  Make(zero, 4, 4, 24);
  ASSERT_EQ(RunDemosaic(adjusted, raw, {MirrorAdjustedBayerMode(1, true, false), 100, 100, 100}),
            1);
  ASSERT_EQ(RunDemosaic(zero, raw, {0, 100, 100, 100}), 1);
  EXPECT_EQ(testing::Snapshot(adjusted), testing::Snapshot(zero));
}

TEST(Demosaic, GainFactorIsGainTimesOnePointTwoEightTruncated) {
  for (int32_t gain = 0; gain <= 400; ++gain)
    ASSERT_EQ(BayerGainFactor(gain), int32_t(gain * 1.28)) << gain;
  EXPECT_EQ(BayerGainFactor(100), 128);
}

TEST(Demosaic, RefusesTinyRegionsMismatchedFormatsAndMissingParameters) {
  DibImage raw, colour, small;
  Make(raw, 4, 4, 8);
  Make(colour, 4, 4, 48);
  EXPECT_EQ(RunDemosaic(colour, raw, {}), 0);
  Make(colour, 4, 4, 24);
  EXPECT_EQ(DibImage::Convert(colour, Demosaic, raw), 0);
  Make(small, 2, 2, 8);
  EXPECT_EQ(RunDemosaic(colour, small, {}), 0);
  // Odd widths are not produced by the camera and are refused.
  Make(raw, 5, 4, 8);
  Make(colour, 5, 4, 24);
  EXPECT_EQ(RunDemosaic(colour, raw, {}), 0);
}

// The demosaic written pixel by pixel from its definition: the block whose
// lower-right cell is (x, y), each colour from its cell and the same colour
// two columns and two rows further, out-of-region neighbours substituted.
// Compared on rows wide enough for the vectorised blocks and their tails.
int ReferenceChannel(const DibImage &raw, int mode, int x, int y, char colour, int gain) {
  const auto cell = [&](int cx, int cy) {
    const int ex = (cx ^ (mode >> 1)) & 1, ey = (cy ^ mode) & 1;
    return ex == ey ? 'G' : ex ? 'B' : 'R';
  };
  const auto inside = [](int i, int n) { return i == -2 ? 2 : i == -1 ? 3 : i == n ? n - 4 : i; };
  const auto p = [&](int cx, int cy) -> int {
    cx = inside(cx, raw.width());
    cy = inside(cy, raw.height());
    return raw.bitsPerPixel() == 8 ? At<uint8_t>(raw, cx, cy) : At<uint16_t>(raw, cx, cy);
  };
  const int largest = raw.bitsPerPixel() == 8 ? 255 : 4095;
  int sum = 0, greens = 0;
  for (int cy = y - 1; cy <= y; ++cy)
    for (int cx = x - 1; cx <= x; ++cx) {
      if (colour == 'G' && cell(cx & 1, cy & 1) == 'G') greens += std::min(p(cx, cy), largest);
      if (colour == 'G' || cell(cx & 1, cy & 1) != colour) continue;
      const int dx = cx == x ? -2 : 2, dy = cy == y ? -2 : 2;
      const auto q = [&](int ax, int ay) { return std::min(p(ax, ay), largest); };
      sum = 9 * q(cx, cy) + 3 * q(cx + dx, cy) + 3 * q(cx, cy + dy) + q(cx + dx, cy + dy);
    }
  if (colour == 'G') return greens >> 1;
  return std::min((sum * int(gain * 1.28)) >> 11, largest);
}

TEST(Demosaic, WideRowsMatchThePixelByPixelDefinition) {
  for (int32_t bits : {24, 32, 48, 64}) {
    const bool wide = bits >= 48;
    DibImage raw, colour;
    Make(raw, 140, 7, wide ? 16 : 8);
    Make(colour, 140, 7, bits);
    Scribble(raw, 77);
    if (wide) At<uint16_t>(raw, 50, 3) = 0xF000;  // beyond twelve bits
    for (int32_t mode = 0; mode < 4; ++mode) {
      const DemosaicParams params{mode, 100 + 70 * mode, 100, 260 - 50 * mode};
      ASSERT_EQ(RunDemosaic(colour, raw, params), 1);
      for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 140; ++x)
          for (int c = 0; c < 3; ++c) {
            const char name = "BGR"[c];
            const int gain = c == 0 ? params.blueGain : params.redGain;
            const int got = wide ? At<uint16_t>(colour, x, y, c) : At<uint8_t>(colour, x, y, c);
            ASSERT_EQ(got, ReferenceChannel(raw, mode, x, y, name, gain))
                << bits << " bpp, mode " << mode << " at (" << x << ", " << y << ") " << name;
          }
    }
  }
}

}  // namespace
}  // namespace velmor::imaging
