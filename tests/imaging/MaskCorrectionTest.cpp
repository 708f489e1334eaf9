// Mask correction and the dot filter: the fast loops against a plain
// reading of the arithmetic on random frames, the edge cases of both, the
// defect maps, and frames that are windowed, skipped or binned reading their
// references at the sensor pixels they came from.
#include <algorithm>
#include <random>

#include "ImageFixtures.h"
#include "imaging/MaskCorrection.h"
#include "imaging/MaskKernels.h"

namespace velmor::imaging {
namespace {

using testing::At;
using testing::Make;

// ---- plain references of the arithmetic --------------------------------

template <class T>
struct Samples {
  int32_t width, height;
  std::vector<T> v;
  T &operator()(int32_t x, int32_t y) { return v[std::size_t(y) * width + x]; }
  mask::Plane<T> plane() { return {v.data(), width}; }
  mask::Plane<const T> view() const { return {v.data(), width}; }
};

template <class T>
void PlainCorrect(Samples<T> &f, int32_t border, Samples<T> &dark, Samples<T> &bright) {
  const bool eight = sizeof(T) == 1;
  for (int32_t y = border; y < f.height - border; ++y)
    for (int32_t x = border; x < f.width - border; ++x) {
      const int32_t v = f(x, y), d = dark(x, y), b = bright(x, y);
      if (eight ? d == b : d >= b) continue;
      const int32_t q = (v - d) * (eight ? 256 : 4096) / (b - d);
      f(x, y) = T(std::clamp(q, 0, eight ? 255 : 4095));
    }
}

template <class T>
void PlainRepair(Samples<T> &f, Samples<uint8_t> &defects, int32_t threshold) {
  Samples<uint8_t> flags{f.width, f.height, std::vector<uint8_t>(f.v.size())};
  for (int32_t y = 4; y <= f.height - 5; ++y)
    for (int32_t x = 4; x <= f.width - 5; ++x) {
      const int32_t mean = (f(x - 1, y) + f(x + 1, y) + f(x, y - 1) + f(x, y + 1)) >> 2;
      flags(x, y) = defects(x, y) != 0 || std::abs(f(x, y) - mean) >= threshold;
    }
  for (int32_t y = 4; y <= f.height - 5; ++y)
    for (int32_t x = 4; x <= f.width - 5; ++x) {
      if (!flags(x, y)) continue;
      int32_t sum = 0, count = 0;
      const auto look = [&](int32_t dx, int32_t dy) {
        for (int32_t i = x + dx, j = y + dy; i >= 0 && j >= 0 && i < f.width && j < f.height;
             i += dx, j += dy)
          if (!flags(i, j)) {
            sum += f(i, j);
            ++count;
            return;
          }
      };
      look(-1, 0);
      look(1, 0);
      look(0, -1);
      look(0, 1);
      if (count > 0) f(x, y) = T(sum / count);
    }
}

template <class T>
Samples<T> Random(std::mt19937 &random, int32_t width, int32_t height, int32_t top) {
  std::uniform_int_distribution<int32_t> value(0, top);
  Samples<T> s{width, height, std::vector<T>(std::size_t(width) * height)};
  for (T &v : s.v) v = T(value(random));
  return s;
}

template <class T>
void FastMatchesPlain(int32_t top) {
  std::mt19937 random(19);
  struct Shape {
    int32_t width, height, border;
  };
  for (const Shape shape :
       {Shape{333, 217, 2}, Shape{64, 9, 0}, Shape{7, 40, 0}, Shape{100, 3, 2}}) {
    SCOPED_TRACE(::testing::Message() << shape.width << "x" << shape.height);
    Samples<T> frame = Random<T>(random, shape.width, shape.height, top);
    // Bright references near and far from the dark ones, above and below.
    Samples<T> dark = Random<T>(random, shape.width, shape.height, top);
    Samples<T> bright = Random<T>(random, shape.width, shape.height, top);
    for (std::size_t i = 0; i < dark.v.size(); i += 5) bright.v[i] = dark.v[i];
    for (std::size_t i = 1; i < dark.v.size(); i += 7)
      bright.v[i] = T(std::min(int32_t(dark.v[i]) + 1, top));
    Samples<T> expected = frame;
    PlainCorrect(expected, shape.border, dark, bright);
    using Scale = std::conditional_t<sizeof(T) == 1, uint16_t, float>;
    Samples<Scale> scale{shape.width, shape.height, std::vector<Scale>(frame.v.size())};
    mask::Scales(dark.v.data(), bright.v.data(), scale.v.data(), scale.v.size());
    mask::Correct(frame.plane(), shape.width, shape.height, shape.border, dark.view(),
                  bright.view(), scale.view());
    ASSERT_EQ(frame.v, expected.v) << "mask correction";

    // Sparse defects; a smooth frame with outliers, and noise that flags most pixels.
    Samples<uint8_t> defects{shape.width, shape.height,
                             std::vector<uint8_t>(std::size_t(shape.width) * shape.height)};
    for (std::size_t i = 3; i < defects.v.size(); i += 97) defects.v[i] = mask::kHotBit;
    const int32_t threshold = sizeof(T) == 1 ? kRules8.outstanding : kRules16.outstanding;
    for (int32_t spread : {threshold / 2, top}) {
      Samples<T> noisy = Random<T>(random, shape.width, shape.height, spread);
      for (std::size_t i = 11; i < noisy.v.size(); i += 53) noisy.v[i] = T(top);
      Samples<T> plain = noisy;
      PlainRepair(plain, defects, threshold);
      std::vector<uint8_t> flags(noisy.v.size());
      mask::Repair(noisy.plane(), shape.width, shape.height, defects.view(), flags.data(),
                   threshold);
      ASSERT_EQ(noisy.v, plain.v) << "dot filter, spread " << spread;
    }
  }
}

TEST(MaskKernels, FastLoopsMatchThePlainArithmeticAt8Bits) { FastMatchesPlain<uint8_t>(255); }

// Every 8-bit sample against every pair of references.
TEST(MaskKernels, EightBitCorrectionIsExactForEveryInput) {
  Samples<uint8_t> frame{256, 256, std::vector<uint8_t>(65536)};
  Samples<uint8_t> dark{256, 256, std::vector<uint8_t>(65536)};
  Samples<uint8_t> bright{256, 256, std::vector<uint8_t>(65536)};
  Samples<uint16_t> scale{256, 256, std::vector<uint16_t>(65536)};
  for (int32_t d = 0; d < 256; ++d) {
    for (int32_t i = 0; i < 65536; ++i) {
      frame.v[i] = uint8_t(i);
      dark.v[i] = uint8_t(d);
      bright.v[i] = uint8_t(i >> 8);
    }
    Samples<uint8_t> expected = frame;
    PlainCorrect(expected, 0, dark, bright);
    mask::Scales(dark.v.data(), bright.v.data(), scale.v.data(), 65536);
    mask::Correct(frame.plane(), 256, 256, 0, dark.view(), bright.view(), scale.view());
    ASSERT_EQ(frame.v, expected.v) << "dark " << d;
  }
}

TEST(MaskKernels, FastLoopsMatchThePlainArithmeticAt16Bits) {
  FastMatchesPlain<uint16_t>(4095);
  FastMatchesPlain<uint16_t>(65535);  // references loaded from a file may hold anything
}

// ---- through MaskCorrection at full size --------------------------------

class MaskCorrectionTest : public ::testing::Test {
 protected:
  // A full-size frame of value `fill`.
  static void Frame(DibImage &frame, int32_t bits, int32_t fill) {
    Make(frame, kMaskSide, kMaskSide, bits);
    if (bits == 8) {
      std::fill_n(frame.bits(), frame.sizeBytes(), uint8_t(fill));
    } else {
      auto *samples = reinterpret_cast<uint16_t *>(frame.bits());
      std::fill_n(samples, frame.sizeBytes() / 2, uint16_t(fill));
    }
  }
  // References 8-bit dark 0 and bright `bright8(x, y)`, 16-bit dark 0 and
  // bright 4095, loaded as a mask file would be.
  template <class Bright>
  void LoadReferences(Bright bright8) {
    std::vector<uint8_t> dark8(ReferenceBlocks::kBytes8, 0), b8(ReferenceBlocks::kBytes8);
    std::vector<uint16_t> dark16(ReferenceBlocks::kBytes8, 0), b16(ReferenceBlocks::kBytes8, 4095);
    for (int32_t y = 0; y < kMaskSide; ++y)
      for (int32_t x = 0; x < kMaskSide; ++x) b8[std::size_t(y) * kMaskSide + x] = bright8(x, y);
    correction_.Load({dark8.data(), b8.data(), reinterpret_cast<const uint8_t *>(dark16.data()),
                      reinterpret_cast<const uint8_t *>(b16.data())});
  }

  MaskCorrection correction_;
};

TEST_F(MaskCorrectionTest, InitialReferencesRescaleEightBitsAndKeepTwelveBitsAt16) {
  DibImage frame;
  Frame(frame, 8, 0);
  const int32_t values8[][2] = {{0, 0}, {255, 255}, {128, 128}, {254, 254}, {100, 100}};
  for (int32_t i = 0; i < 5; ++i) At<uint8_t>(frame, 10 + i, 10) = uint8_t(values8[i][0]);
  correction_.Apply(frame, {}, true, false);
  for (int32_t i = 0; i < 5; ++i) EXPECT_EQ(At<uint8_t>(frame, 10 + i, 10), values8[i][1]);

  DibImage frame16;
  Frame(frame16, 16, 0);
  // v' = v x 4096 / 4095 on the 12-bit scale, not moved to the top bits.
  const int32_t values16[][2] = {{0, 0}, {4095, 4095}, {2000, 2000}, {4094, 4094}, {1, 1}};
  for (int32_t i = 0; i < 5; ++i) At<uint16_t>(frame16, 10 + i, 10) = uint16_t(values16[i][0]);
  At<uint16_t>(frame16, 1, 1) = 4000;  // in the border of a full frame
  correction_.Apply(frame16, {}, true, false);
  for (int32_t i = 0; i < 5; ++i) EXPECT_EQ(At<uint16_t>(frame16, 10 + i, 10), values16[i][1]);
  EXPECT_EQ(At<uint16_t>(frame16, 1, 1), 4000);
}

TEST_F(MaskCorrectionTest, DotFilterRepairsOutstandingAndMappedPixelsAwayFromTheEdges) {
  DibImage frame;
  Frame(frame, 8, 100);
  At<uint8_t>(frame, 50, 50) = 140;  // 40 above its neighbours
  At<uint8_t>(frame, 60, 50) = 129;  // 29 above
  At<uint8_t>(frame, 3, 50) = 200;   // within four of the edge
  At<uint8_t>(frame, 50, 2844) = 0;
  correction_.Apply(frame, {}, false, true);
  EXPECT_EQ(At<uint8_t>(frame, 50, 50), 100);
  EXPECT_EQ(At<uint8_t>(frame, 60, 50), 129);
  EXPECT_EQ(At<uint8_t>(frame, 3, 50), 200);
  EXPECT_EQ(At<uint8_t>(frame, 50, 2844), 0);

  // A hot-map entry repairs a pixel that matches its neighbours: the mean
  // of the nearest unflagged ones, here 100, 100, 90 and 110.
  DibImage dark;
  Frame(dark, 8, 0);
  At<uint8_t>(dark, 70, 70) = 250;
  ASSERT_TRUE(correction_.Capture(dark, ReferenceKind::kDark));
  EXPECT_EQ(correction_.DefectAt(8, 70, 70), mask::kHotBit);
  Frame(frame, 8, 100);
  At<uint8_t>(frame, 70, 69) = 90;
  At<uint8_t>(frame, 70, 71) = 110;
  correction_.Apply(frame, {}, false, true);
  EXPECT_EQ(At<uint8_t>(frame, 70, 70), 100);
  At<uint8_t>(frame, 70, 69) = 75;  // 25 below its neighbours: not flagged itself
  correction_.Apply(frame, {}, false, true);
  EXPECT_EQ(At<uint8_t>(frame, 70, 70), (100 + 100 + 75 + 110) / 4);
}

TEST_F(MaskCorrectionTest, CapturesBuildTheMapsOfTheirDepthInsideTheOuterTwoPixels) {
  DibImage frame;
  Frame(frame, 8, 200);
  ASSERT_TRUE(correction_.Capture(frame, ReferenceKind::kDark));
  for (int32_t at : {2, 1000, 2845}) {
    EXPECT_EQ(correction_.DefectAt(8, at, at), mask::kHotBit);
    EXPECT_EQ(correction_.DefectAt(16, at, at), 0);
  }
  EXPECT_EQ(correction_.DefectAt(8, 1, 1000), 0);
  EXPECT_EQ(correction_.DefectAt(8, 1000, 2846), 0);

  DibImage frame16;
  Frame(frame16, 16, 1024);  // not below 1024: alive
  At<uint16_t>(frame16, 500, 600) = 1023;
  ASSERT_TRUE(correction_.Capture(frame16, ReferenceKind::kBright));
  EXPECT_EQ(correction_.DefectAt(16, 500, 600), mask::kDeadBit);
  EXPECT_EQ(correction_.DefectAt(16, 501, 600), 0);

  DibImage reduced;
  Make(reduced, 1424, 1424, 8);
  EXPECT_FALSE(correction_.Capture(reduced, ReferenceKind::kDark));
  EXPECT_EQ(correction_.DefectAt(8, 1000, 1000), mask::kHotBit) << "nothing changed";
}

// Bright reference 8 of sensor pixel (x, y): distinct enough to tell
// neighbours apart, never equal to the dark reference 0.
uint8_t BrightAt(int32_t x, int32_t y) { return uint8_t(64 + (x * 7 + y * 3) % 191); }

TEST_F(MaskCorrectionTest, ReducedFramesReadTheReferencesWhereTheirPixelsCameFrom) {
  LoadReferences(BrightAt);
  struct Case {
    const char *name;
    FramePlacement placement;
    int32_t width, height;
    int32_t step, span;
  };
  const Case cases[] = {
      {"window", {512, 256, 640, 320, kReadoutFull}, 640, 320, 1, 1},
      {"skip", {0, 0, kMaskSide, kMaskSide, kReadoutSkip}, 1424, 1424, 2, 1},
      {"bin", {64, 32, 1024, 512, kReadoutBin}, 512, 256, 2, 2},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    DibImage frame;
    Make(frame, c.width, c.height, 8);
    for (int32_t y = 0; y < c.height; ++y)
      for (int32_t x = 0; x < c.width; ++x) At<uint8_t>(frame, x, y) = 50;
    correction_.Apply(frame, c.placement, true, false);
    const int32_t border = c.placement.width == kMaskSide ? 2 : 0;
    for (int32_t y : {border, c.height / 3, c.height - 1 - border})
      for (int32_t x : {border, c.width / 2 + 1, c.width - 1 - border}) {
        const int32_t X = c.placement.left + c.step * x, Y = c.placement.top + c.step * y;
        int32_t sum = 0;
        for (int32_t j = 0; j < c.span; ++j)
          for (int32_t i = 0; i < c.span; ++i) sum += BrightAt(X + i, Y + j);
        EXPECT_EQ(At<uint8_t>(frame, x, y), std::min(255, 50 * 256 / (sum / (c.span * c.span))))
            << x << "," << y;
      }
  }
}

TEST_F(MaskCorrectionTest, ABinnedPixelIsDefectiveWhenAnyOfItsFourIs) {
  DibImage dark;
  Frame(dark, 8, 0);
  At<uint8_t>(dark, 101, 201) = 255;  // in the block of binned pixel (50, 100)
  ASSERT_TRUE(correction_.Capture(dark, ReferenceKind::kDark));
  DibImage frame;
  Make(frame, 1424, 1424, 8);
  for (int32_t y = 0; y < 1424; ++y)
    for (int32_t x = 0; x < 1424; ++x) At<uint8_t>(frame, x, y) = uint8_t(100 + (x == 50) * 10);
  correction_.Apply(frame, {0, 0, kMaskSide, kMaskSide, kReadoutBin}, false, true);
  EXPECT_EQ(At<uint8_t>(frame, 50, 100), 105) << "the mean of 100, 100, 110 and 110";
  EXPECT_EQ(At<uint8_t>(frame, 50, 101), 110);
}

}  // namespace
}  // namespace velmor::imaging
