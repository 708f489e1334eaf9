// The per-frame filters on DibImage buffers: the tone curves, the fused
// table and sharpness passes against the stages applied one by one, grey
// mode, white balance, hue and saturation.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "ImageFixtures.h"
#include "imaging/FilterChain.h"
#include "imaging/GreyMode.h"
#include "imaging/HueSaturation.h"
#include "imaging/Sharpness.h"
#include "imaging/ToneCurves.h"
#include "settings/FilterRanges.h"

namespace velmor::imaging {
namespace {

using testing::At;
using testing::Make;

constexpr int32_t kTwelveBitMax = 4095;

FilterValues Neutral() {
  FilterValues values;
  values.byId[kFilterGamma] = kNeutralGamma;
  for (FilterId id : {kFilterBayerGainRed, kFilterBayerGainGreen, kFilterBayerGainBlue})
    values.byId[id] = 100;
  values.byId[kFilterBayerMode] = 3;
  for (int32_t id = kFilterGrayGainR; id <= kFilterGrayOffsetB; ++id) values.byId[id] = kGreyUnity;
  return values;
}

int32_t SampleBytes(int32_t bits) { return bits == 16 || bits >= 48 ? 2 : 1; }
int32_t MaxOf(int32_t bits) { return SampleBytes(bits) == 2 ? kTwelveBitMax : kByteMax; }

// Random samples of the depth (12 bits in 16-bit images); fourth channels
// get any value, so that leaving them alone shows.
void Randomise(DibImage &image, std::mt19937 &random) {
  const int32_t bytes = SampleBytes(image.bitsPerPixel());
  const int32_t channels = image.bytesPerPixel() / bytes;
  for (int32_t y = 0; y < image.height(); ++y)
    for (int32_t x = 0; x < image.width(); ++x)
      for (int32_t c = 0; c < channels; ++c) {
        const uint32_t limit =
            c == 3 ? (bytes == 2 ? 65535u : 255u) : uint32_t(MaxOf(image.bitsPerPixel()));
        const uint32_t v = std::uniform_int_distribution<uint32_t>(0, limit)(random);
        if (bytes == 1)
          At<uint8_t>(image, x, y, c) = uint8_t(v);
        else
          At<uint16_t>(image, x, y, c) = uint16_t(v);
      }
}

int32_t Get(const DibImage &image, int32_t x, int32_t y, int32_t c) {
  return SampleBytes(image.bitsPerPixel()) == 1 ? At<uint8_t>(image, x, y, c)
                                                : At<uint16_t>(image, x, y, c);
}
void Put(DibImage &image, int32_t x, int32_t y, int32_t c, int32_t v) {
  if (SampleBytes(image.bitsPerPixel()) == 1)
    At<uint8_t>(image, x, y, c) = uint8_t(v);
  else
    At<uint16_t>(image, x, y, c) = uint16_t(v);
}

// Gamma, contrast, sharpness and brightness one after the other, each over
// the whole image, as written for one pixel at a time.
void StageByStage(DibImage &image, const FilterValues &v) {
  const int32_t max = MaxOf(image.bitsPerPixel());
  const int32_t channels = std::min(3, image.bytesPerPixel() / SampleBytes(image.bitsPerPixel()));
  const auto each = [&](auto op) {
    for (int32_t y = 0; y < image.height(); ++y)
      for (int32_t x = 0; x < image.width(); ++x)
        for (int32_t c = 0; c < channels; ++c) Put(image, x, y, c, op(Get(image, x, y, c)));
  };
  if (v.byId[kFilterGamma] != kNeutralGamma)
    each([&](int32_t s) { return GammaCurve(s, v.byId[kFilterGamma], max); });
  if (v.byId[kFilterContrast] != 0)
    each([&](int32_t s) { return ContrastCurve(s, v.byId[kFilterContrast], max); });
  if (const int32_t strength = v.byId[kFilterSharpness]; strength != 0) {
    DibImage copy;
    Make(copy, image.width(), image.height(), image.bitsPerPixel());
    std::copy(image.bits(), image.bits() + image.sizeBytes(), copy.bits());
    for (int32_t y = 2; y <= image.height() - 3; ++y)
      for (int32_t x = 2; x <= image.width() - 3; ++x)
        for (int32_t c = 0; c < channels; ++c) {
          int32_t sum = 0;
          for (int32_t dy = -2; dy <= 1; ++dy)
            for (int32_t dx = -2; dx <= 1; ++dx) sum += Get(copy, x + dx, y + dy, c);
          const int32_t orig = Get(copy, x, y, c);
          Put(image, x, y, c, std::clamp(orig + strength * (orig - (sum >> 4)) / 10, 0, max));
        }
  }
  if (v.byId[kFilterBrightness] != 0) {
    const float factor = BrightnessFactor(v.byId[kFilterBrightness]);
    each([&](int32_t s) { return std::min(max, int32_t(float(s) * factor)); });
  }
}

TEST(ToneCurves, EdgeValuesOfBothDepths) {
  struct Case {
    const char *what;
    int32_t (*curve)(int32_t value, int32_t setting, int32_t max);
    int32_t setting, max, value, expected;
  };
  const auto brightness = [](int32_t value, int32_t b, int32_t max) {
    return BrightnessCurve(value, BrightnessFactor(b), max);
  };
  const Case cases[] = {
      {"contrast 127 cuts below the middle", ContrastCurve, 127, 255, 127, 0},
      {"contrast 127 keeps 128", ContrastCurve, 127, 255, 128, 128},
      {"contrast 127 saturates above", ContrastCurve, 127, 255, 129, 255},
      {"contrast -127 flattens", ContrastCurve, -127, 255, 0, 63},
      {"12-bit contrast 127 cuts at 2032", ContrastCurve, 127, kTwelveBitMax, 2032, 0},
      {"12-bit contrast 127 steps by 128", ContrastCurve, 127, kTwelveBitMax, 2063, 3968},
      {"12-bit contrast 127 saturates", ContrastCurve, 127, kTwelveBitMax, 2064, kTwelveBitMax},
      {"12-bit contrast 10 keeps the middle", ContrastCurve, 10, kTwelveBitMax, 2048, 2048},
      {"gamma 0 blacks out", GammaCurve, 0, 255, 254, 0},
      {"gamma 0 keeps the top", GammaCurve, 0, 255, 255, 255},
      {"12-bit gamma 50 squares", GammaCurve, 50, kTwelveBitMax, 2048, 1024},
      {"12-bit gamma 200 takes the root", GammaCurve, 200, kTwelveBitMax, 1024, 2047},
      {"brightness -255 blacks out", brightness, -255, 255, 255, 0},
      {"brightness 255 multiplies by 11", brightness, 255, 255, 23, 253},
      {"brightness 255 saturates", brightness, 255, 255, 24, 255},
      {"12-bit brightness 255 saturates at 4095", brightness, 255, kTwelveBitMax, 373, 4095},
  };
  for (const Case &c : cases) EXPECT_EQ(c.curve(c.value, c.setting, c.max), c.expected) << c.what;
}

TEST(FilterChain, NeutralValuesLeaveEveryDepthAsItIs) {
  std::mt19937 random(7);
  FilterChain chain;
  for (int32_t bits : {8, 16, 24, 32, 48, 64}) {
    DibImage image;
    Make(image, 33, 9, bits);
    Randomise(image, random);
    const auto before = testing::Snapshot(image);
    chain.Finish(image, Neutral());
    EXPECT_EQ(testing::Snapshot(image), before) << bits;
  }
}

// The fused table and the two sharpness passes give exactly what the stages
// give one by one, for random images and random values of every depth.
TEST(FilterChain, FusedPassesEqualTheStagesInOrder) {
  std::mt19937 random(20261208);
  FilterChain chain;
  const auto pick = [&](int32_t low, int32_t high) {
    return std::uniform_int_distribution<int32_t>(low, high)(random);
  };
  for (int32_t round = 0; round < 60; ++round) {
    const int32_t bits = std::array{8, 16, 24, 32, 48, 64}[std::size_t(round % 6)];
    FilterValues values = Neutral();
    // Each stage on about two rounds in three, so every combination occurs.
    if (pick(0, 2)) values.byId[kFilterGamma] = pick(0, 200);
    if (pick(0, 2)) values.byId[kFilterContrast] = pick(-127, 127);
    if (pick(0, 2)) values.byId[kFilterSharpness] = pick(1, 30);
    if (pick(0, 2)) values.byId[kFilterBrightness] = pick(-255, 255);
    DibImage fused, staged;
    Make(fused, pick(1, 40), pick(1, 24), bits);
    Make(staged, fused.width(), fused.height(), bits);
    Randomise(fused, random);
    std::copy(fused.bits(), fused.bits() + fused.sizeBytes(), staged.bits());
    chain.Finish(fused, values);
    StageByStage(staged, values);
    ASSERT_EQ(testing::Snapshot(fused), testing::Snapshot(staged))
        << "round " << round << ", " << bits << " bits, " << fused.width() << "x" << fused.height()
        << ", gamma " << values.byId[kFilterGamma] << ", contrast " << values.byId[kFilterContrast]
        << ", sharpness " << values.byId[kFilterSharpness] << ", brightness "
        << values.byId[kFilterBrightness];
  }
}

TEST(FilterChain, OutOfRangeValuesActAsTheirBounds) {
  std::mt19937 random(3);
  FilterValues wild = Neutral(), bounded = Neutral();
  const std::pair<FilterId, std::pair<int32_t, int32_t>> settings[] = {
      {kFilterGamma, {9999, 200}},  {kFilterContrast, {-999, -127}},
      {kFilterSharpness, {99, 30}}, {kFilterBrightness, {-9999, -255}},
      {kFilterHue, {100000, 360}},  {kFilterSaturation, {-100000, -255}},
  };
  for (const auto &[id, pair] : settings) {
    wild.byId[id] = pair.first;
    bounded.byId[id] = pair.second;
  }
  for (int32_t bits : {16, 64}) {
    DibImage a, b;
    Make(a, 16, 16, bits);
    Make(b, 16, 16, bits);
    Randomise(a, random);
    std::copy(a.bits(), a.bits() + a.sizeBytes(), b.bits());
    FilterChain chain;
    chain.Finish(a, wild);
    chain.Finish(b, bounded);
    EXPECT_EQ(testing::Snapshot(a), testing::Snapshot(b)) << bits;
  }
}

TEST(GreyMode, GainsAndOffsetsPerBayerPositionAndTheirLimits) {
  struct Case {
    int32_t bits, mode, gain, offset, sample, expected;
  };
  const Case cases[] = {
      {8, 0, 255, 255, 200, 255}, {16, 0, 255, 255, 4000, 4095}, {8, 0, 0, -255, 100, 0},
      {16, 0, 64, 0, 4095, 2047}, {8, 0, 200, -10, 100, 146},    {16, 0, 128, 0, 5000, 4095},
  };
  for (const Case &c : cases) {
    DibImage image;
    Make(image, 2, 2, c.bits);
    for (int32_t i = 0; i < 4; ++i) Put(image, i % 2, i / 2, 0, c.sample);
    GreyGains gains;
    gains.bayerMode = c.mode;
    gains.gain = {c.gain, c.gain, c.gain, c.gain};
    gains.offset = {c.offset, c.offset, c.offset, c.offset};
    DibImage::Convert(image, ApplyGreyGains, image, nullptr, nullptr, &gains);
    EXPECT_EQ(Get(image, 1, 1, 0), c.expected) << c.bits << " bits, sample " << c.sample;
  }
  // Each position takes its own gain: R, G1, G2, B = 1/2, 1, 2, 0.
  for (int32_t mode = 0; mode < 4; ++mode) {
    DibImage image;
    Make(image, 4, 4, 8);
    for (int32_t y = 0; y < 4; ++y)
      for (int32_t x = 0; x < 4; ++x) Put(image, x, y, 0, 100);
    GreyGains gains{mode, {64, 128, 255, 0}, {0, 0, 0, 0}};
    DibImage::Convert(image, ApplyGreyGains, image, nullptr, nullptr, &gains);
    const int32_t expected[] = {50, 100, 199, 0};
    for (int32_t y = 0; y < 4; ++y)
      for (int32_t x = 0; x < 4; ++x)
        EXPECT_EQ(Get(image, x, y, 0), expected[GreyPositionAt(mode, x, y)])
            << "mode " << mode << " at " << x << "," << y;
    const bool rowsSwapped = mode & 1, columnsSwapped = mode & 2;
    EXPECT_EQ(GreyPositionAt(mode, columnsSwapped ? 0 : 1, rowsSwapped ? 1 : 0), kGreyR);
  }
}

TEST(GreyMode, AutomaticGainsMeasureTwelveBitsLikeBytesAndKeepGainsOfEmptyPositions) {
  for (int32_t bits : {8, 16}) {
    const int32_t scale = bits == 16 ? 16 : 1;
    DibImage raw, colour;
    Make(raw, 8, 8, bits);
    // Means: G1 100, R 80, G2 200, B 0 (never counted: no measurable pixel).
    for (int32_t y = 0; y < 8; ++y)
      for (int32_t x = 0; x < 8; ++x) {
        const int32_t byPosition[] = {80, 100, 200, 0};
        Put(raw, x, y, 0, byPosition[GreyPositionAt(0, x, y)] * scale + (bits == 16 ? 7 : 0));
      }
    FilterValues values = Neutral();
    values.byId[kFilterBayerMode] = 0;
    values.byId[kFilterGrayMode] = kGreyGainsAndOffsets;
    values.byId[kFilterGrayGainB] = 77;
    values.byId[kFilterGrayGainAuto] = 1;
    for (int32_t id = kFilterGrayOffsetR; id <= kFilterGrayOffsetB; ++id) values.byId[id] = 0;
    FilterChain chain;
    const ChainMeasurements measured = chain.GreyMode(raw, colour, values, 0);
    EXPECT_TRUE(measured.greyGains);
    EXPECT_EQ(values.byId[kFilterGrayGainAuto], 0);
    EXPECT_EQ(values.byId[kFilterGrayGainR], 160) << bits;
    EXPECT_EQ(values.byId[kFilterGrayGainG1], 128);
    EXPECT_EQ(values.byId[kFilterGrayGainG2], 64);
    EXPECT_EQ(values.byId[kFilterGrayGainB], 77) << "a zero mean keeps the gain";
    EXPECT_EQ(Get(raw, 1, 0, 0) / scale, 100) << "R evened out to G1";
  }
}

TEST(WhiteBalance, GainsFromTheMeansAndZeroMeansKeepTheirGains) {
  struct Case {
    int32_t bits, green, blue, red;
    int32_t expectedRed, expectedBlue;
  };
  const Case cases[] = {{8, 100, 50, 200, 50, 200},
                        {16, 1000, 2000, 500, 200, 50},
                        {8, 200, 10, 40, 400, 400},
                        {8, 100, 0, 100, 100, 33}};
  for (const Case &c : cases) {
    DibImage raw, colour;
    Make(raw, 6, 4, c.bits);
    Make(colour, 6, 4, c.bits == 8 ? 24 : 48);
    for (int32_t y = 0; y < 4; ++y)
      for (int32_t x = 0; x < 6; ++x)
        // Bayer mode 0: even rows green, blue; odd rows red, green.
        Put(raw, x, y, 0, (x + y) % 2 == 0 ? c.green : (y % 2 == 0 ? c.blue : c.red));
    FilterValues values = Neutral();
    values.byId[kFilterBayerGainAuto] = 1;
    values.byId[kFilterBayerGainBlue] = 33;
    FilterChain chain;
    ChainMeasurements measured;
    EXPECT_TRUE(chain.Demosaic(colour, raw, values, 0, measured));
    EXPECT_TRUE(measured.bayerGains);
    EXPECT_EQ(values.byId[kFilterBayerGainRed], c.expectedRed) << c.bits << " " << c.red;
    EXPECT_EQ(values.byId[kFilterBayerGainGreen], 100);
    EXPECT_EQ(values.byId[kFilterBayerGainBlue], c.expectedBlue) << c.bits << " " << c.blue;
  }
}

uint32_t Rgb(const DibImage &image, int32_t x, int32_t y, int32_t shift = 0) {
  return uint32_t(Get(image, x, y, 2) >> shift) << 16 |
         uint32_t(Get(image, x, y, 1) >> shift) << 8 | uint32_t(Get(image, x, y, 0) >> shift);
}

TEST(HueSaturation, GreysStayGreyAndHuesTurn) {
  HueSaturation filter;
  filter.Prepare(0);
  for (int32_t hue : {-360, -90, 45, 120, 359, 360})
    for (uint32_t grey : {0u, 1u, 128u, 255u})
      EXPECT_EQ(filter.Pixel(grey * 0x010101u, HueSaturation::HueShift(hue)), grey * 0x010101u)
          << "hue " << hue;
  EXPECT_EQ(HueSaturation::HueShift(360), HueSaturation::HueShift(0));
  EXPECT_EQ(HueSaturation::HueShift(-360), 0);
  EXPECT_EQ(filter.Pixel(0xFF0000, HueSaturation::HueShift(120)), 0x02FF00u) << "red to green";
  EXPECT_EQ(filter.Pixel(0xFF0000, HueSaturation::HueShift(-120)), 0x0000FFu) << "red to blue";

  // Saturation -255 leaves a near-grey image; -256 never reaches the tables.
  std::mt19937 random(11);
  DibImage image;
  Make(image, 16, 4, 24);
  Randomise(image, random);
  ASSERT_TRUE(filter.Apply(image, 0, -256));
  for (int32_t x = 0; x < 16; ++x) {
    const int32_t b = Get(image, x, 0, 0), g = Get(image, x, 0, 1), r = Get(image, x, 0, 2);
    EXPECT_LE(std::max({r, g, b}) - std::min({r, g, b}), 1);
  }
}

TEST(HueSaturation, FourthChannelsAndSixteenBitSamples) {
  DibImage bytes, words, words3;
  Make(bytes, 2, 1, 32);
  Make(words, 2, 1, 64);
  Make(words3, 2, 1, 48);
  for (int32_t c = 0; c < 4; ++c) {
    Put(bytes, 0, 0, c, c == 2 ? 255 : 0);
    Put(words, 0, 0, c, c == 2 ? 4095 : 0);
    if (c < 3) Put(words3, 0, 0, c, c == 2 ? 4095 : 0);
  }
  Put(bytes, 0, 0, 3, 0x5A);
  Put(words, 0, 0, 3, 0x5A5A);
  HueSaturation filter;
  ASSERT_TRUE(filter.Apply(bytes, 120, 0));
  ASSERT_TRUE(filter.Apply(words, 120, 0));
  ASSERT_TRUE(filter.Apply(words3, 120, 0));
  EXPECT_EQ(Rgb(bytes, 0, 0), 0x02FF00u);
  EXPECT_EQ(Get(bytes, 0, 0, 3), 0x5A) << "left as it is";
  EXPECT_EQ(Rgb(words, 0, 0, 4), 0x02FF00u) << "on the top eight of twelve bits";
  EXPECT_EQ(Get(words, 0, 0, 1), 0xFF0) << "written back on the twelve-bit scale";
  EXPECT_EQ(Get(words, 0, 0, 3), 0) << "a fourth word becomes 0";
  EXPECT_EQ(Rgb(words3, 0, 0, 4), 0x02FF00u);
  DibImage grey;
  Make(grey, 2, 1, 8);
  EXPECT_FALSE(filter.Apply(grey, 120, 0));
}

}  // namespace
}  // namespace velmor::imaging
