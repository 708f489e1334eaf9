// What the frames show: the ramp and the scene, the 180-degree readout and
// its mirror bits, windows, skipping, binning, depth and brightness; the
// capped lens and the flat light with the sensor's fixed-pattern faults.
#include <cmath>

#include "EmulatorFixture.h"
#include "emulator/Scene.h"
#include "emulator/SensorFaults.h"

namespace velmor::emulator {
namespace {

int Ramp(int x, int y) { return (x + 16 * y) % 4096; }

class Picture : public EmulatorFixture {
 protected:
  void SetUp() override {
    EmulatorFixture::SetUp();
    ASSERT_TRUE(camera_->Set("fps", 0));
    ASSERT_TRUE(camera_->Set("pattern", 1));
  }
  // 16-bit sample at wire position (column, row) of a frame `width` wide.
  static int Sample16(const std::vector<uint8_t> &frame, int width, int column, int row) {
    const std::size_t at = 2 * (std::size_t(row) * width + column);
    return frame[at] | frame[at + 1] << 8;
  }
};

TEST_F(Picture, RampArrivesTurnedByHalfATurn) {
  SetWindow(64, 32, 640, 16, 2);
  const auto frame = ReadFrame();
  ASSERT_TRUE(frame);
  ASSERT_EQ(frame->size(), 640u * 16u * 2u);
  // Wire row 0 is the bottom row of the window, each row right to left.
  for (int row : {0, 7, 15})
    for (int column : {0, 1, 320, 639})
      EXPECT_EQ(Sample16(*frame, 640, column, row), Ramp(64 + 639 - column, 32 + 15 - row))
          << column << "," << row;
}

TEST_F(Picture, EachMirrorBitTurnsItsDirectionBack) {
  SetWindow(0, 0, 640, 16, 2);
  ASSERT_TRUE(SensorWrite(0x0404, 3));
  auto frame = ReadFrame();
  ASSERT_TRUE(frame);
  EXPECT_EQ(Sample16(*frame, 640, 0, 0), Ramp(0, 0));
  EXPECT_EQ(Sample16(*frame, 640, 5, 3), Ramp(5, 3));
  ASSERT_TRUE(SensorWrite(0x0404, 1));  // vertical only
  frame = ReadFrame();
  ASSERT_TRUE(frame);
  EXPECT_EQ(Sample16(*frame, 640, 5, 3), Ramp(639 - 5, 3));
  ASSERT_TRUE(SensorWrite(0x0404, 2));  // horizontal only
  frame = ReadFrame();
  ASSERT_TRUE(frame);
  EXPECT_EQ(Sample16(*frame, 640, 5, 3), Ramp(5, 15 - 3));
}

TEST_F(Picture, EightBitFramesCarryTheTopBits) {
  SetWindow(1024, 100, 640, 16, 1);
  ASSERT_TRUE(SensorWrite(0x0404, 3));
  const auto frame = ReadFrame();
  ASSERT_TRUE(frame);
  for (int column : {0, 100, 639}) EXPECT_EQ((*frame)[column], Ramp(1024 + column, 100) >> 4);
}

TEST_F(Picture, ColumnsPastTheArrayReadAsBlackLevel) {
  // The widest window the driver accepts: 2856 columns from 0.
  SetWindow(0, 0, 2856, 2, 2);
  ASSERT_TRUE(SensorWrite(0x0404, 3));
  const auto frame = ReadFrame();
  ASSERT_TRUE(frame);
  EXPECT_EQ(Sample16(*frame, 2856, 2847, 0), Ramp(2847, 0));
  for (int column = 2848; column < 2856; ++column)
    EXPECT_EQ(Sample16(*frame, 2856, column, 0), 240);
}

TEST_F(Picture, SkipReadsEveryOtherPixelOfTheWholeSensor) {
  ASSERT_TRUE(SensorWrite(0x023C, 10));
  ASSERT_TRUE(SensorWrite(0x0404, 3));
  SetOutput(1424, 4, 2);
  const auto frame = ReadFrame();
  ASSERT_TRUE(frame);
  for (int x : {0, 1, 700, 1423})
    for (int y : {0, 3}) EXPECT_EQ(Sample16(*frame, 1424, x, y), Ramp(2 * x, 2 * y));
}

TEST_F(Picture, BinAveragesTwoByTwoBlocksOfTheWindow) {
  ASSERT_TRUE(SensorWrite(0x023C, 18));
  SetWindow(64, 64, 1024, 64, 2);
  SetOutput(512, 32, 2);
  ASSERT_TRUE(SensorWrite(0x0404, 3));
  const auto frame = ReadFrame();
  ASSERT_TRUE(frame);
  for (int x : {0, 17, 511})
    for (int y : {0, 31}) {
      const int X = 64 + 2 * x, Y = 64 + 2 * y;
      const int mean = (Ramp(X, Y) + Ramp(X + 1, Y) + Ramp(X, Y + 1) + Ramp(X + 1, Y + 1)) / 4;
      EXPECT_EQ(Sample16(*frame, 512, x, y), mean);
    }
}

TEST_F(Picture, FpgaOutputLargerThanTheSensorPadsWithBlack) {
  SetWindow(0, 0, 640, 4, 2);
  SetOutput(648, 5, 2);
  ASSERT_TRUE(SensorWrite(0x0404, 3));
  const auto frame = ReadFrame();
  ASSERT_TRUE(frame);
  EXPECT_EQ(Sample16(*frame, 648, 639, 3), Ramp(639, 3));
  EXPECT_EQ(Sample16(*frame, 648, 640, 0), 240);
  EXPECT_EQ(Sample16(*frame, 648, 0, 4), 240);
}

class Scene : public Picture {
 protected:
  void SetUp() override {
    Picture::SetUp();
    ASSERT_TRUE(camera_->Set("pattern", 0));
  }
  // Sets the exposure from lines, with the nominal full-frame length.
  void SetExposureLines(int lines) {
    SensorWriteWide(0x02D4, 2992, 3);
    SensorWriteWide(0x0440, uint32_t(2992 - lines), 3);
  }
  // Camera 0's sample of upright pixel (x, y): the scene shaded by its
  // response, on its dark offset and the black level.
  static double Expected(int x, int y, int black, double seconds, int gain) {
    const SensorFaults faults(0);
    return std::min(4095.0, black + faults.DarkOffset(x, y) +
                                std::floor(SceneValue(x, y) * (seconds / 0.026248) *
                                           std::pow(10.0, gain / 200.0) * faults.Response(x, y)));
  }
};

TEST_F(Scene, BrightnessFollowsExposureGainAndBlackLevel) {
  SetWindow(0, 0, 640, 16, 2);
  ASSERT_TRUE(SensorWrite(0x0404, 3));
  const double line = 443.0 / 54.545;  // microseconds
  struct Setting {
    int lines, gain, black;
  };
  for (const Setting s : {Setting{1064, 0, 240}, Setting{2000, 60, 100}, Setting{300, 480, 0}}) {
    SetExposureLines(s.lines);
    SensorWriteWide(0x0714, uint32_t(s.gain), 2);
    SensorWriteWide(0x07B4, uint32_t(s.black), 2);
    const auto frame = ReadFrame();
    ASSERT_TRUE(frame);
    for (int x : {0, 300, 639})
      EXPECT_EQ(Sample16(*frame, 640, x, 10),
                Expected(x, 10, s.black, s.lines * line / 1e6, s.gain))
          << "lines " << s.lines << " gain " << s.gain;
  }
}

TEST_F(Scene, DefaultSettingsGiveAboutThousandDn) {
  // The session's default real exposure: 0.026248 s = 3231 lines at 8 bits.
  SensorWriteWide(0x02D4, 3232 + 28, 3);
  SensorWriteWide(0x0440, 28 + 1, 3);
  SetWindow(0, 0, 2848, 2848, 2);
  const auto frame = ReadFrame();
  ASSERT_TRUE(frame);
  double sum = 0;
  for (std::size_t i = 0; i < frame->size(); i += 2) sum += (*frame)[i] | (*frame)[i + 1] << 8;
  const double mean = sum / (frame->size() / 2);
  EXPECT_GT(mean, 800);
  EXPECT_LT(mean, 1200);
}

TEST_F(Scene, DefectPixelsIgnoreExposureAndSitAtTheirCoordinates) {
  SetWindow(0, 0, 2848, 2848, 2);
  ASSERT_TRUE(SensorWrite(0x0404, 3));
  for (int lines : {100, 2900}) {
    SetExposureLines(lines);
    const auto frame = ReadFrame();
    ASSERT_TRUE(frame);
    for (const PixelAt &p : kHotPixels) EXPECT_EQ(Sample16(*frame, 2848, p.x, p.y), 4095);
    for (const PixelAt &p : kDeadPixels) EXPECT_EQ(Sample16(*frame, 2848, p.x, p.y), 0);
  }
}

TEST_F(Scene, IsAsymmetricSoATurnShows) {
  EXPECT_NE(SceneValue(500, 500), SceneValue(2847 - 500, 500));
  EXPECT_NE(SceneValue(500, 500), SceneValue(500, 2847 - 500));
  EXPECT_NE(SceneValue(500, 500), SceneValue(2847 - 500, 2847 - 500));
  for (const PixelAt &p : kHotPixels) {
    EXPECT_GE(std::min(p.x, p.y), 8);
    EXPECT_LE(std::max(p.x, p.y), 2847 - 8);
  }
}

// The capped lens and the flat light: camera 0's faults over the black level.
class Faults : public Scene {
 protected:
  // 16-bit upright samples of rows 96 to 207 (a hot and a dead pixel among
  // them) and of the whole width, at 2900 lines.
  std::vector<uint8_t> Frame() {
    SetExposureLines(2900);
    SetWindow(0, 96, 2848, 112, 2);
    EXPECT_TRUE(SensorWrite(0x0404, 3));
    const auto frame = ReadFrame();
    EXPECT_TRUE(frame);
    return frame.value_or(std::vector<uint8_t>(2848 * 112 * 2));
  }
  static int At(const std::vector<uint8_t> &frame, int x, int y) {
    return Sample16(frame, 2848, x, y - 96);
  }
  const SensorFaults faults_{0};
};

TEST_F(Faults, CappedLensShowsBlackLevelDarkOffsetsAndDefectPixels) {
  ASSERT_TRUE(camera_->Set("pattern", 2));
  const auto frame = Frame();
  int lowest = 4095, highest = 0;
  for (int y : {97, 150, 207})
    for (int x = 0; x < 2848; x += 7) {
      EXPECT_EQ(At(frame, x, y), 240 + faults_.DarkOffset(x, y)) << x << "," << y;
      lowest = std::min(lowest, At(frame, x, y));
      highest = std::max(highest, At(frame, x, y));
    }
  EXPECT_EQ(lowest, 240);
  EXPECT_EQ(highest, 240 + SensorFaults::kMaxDarkOffset);
  EXPECT_EQ(At(frame, 100, 200), 4095);
  EXPECT_EQ(At(frame, 150, 100), 0);
}

TEST_F(Faults, FlatLightIsShadedByGainAndVignetting) {
  ASSERT_TRUE(camera_->Set("pattern", 3));
  ASSERT_TRUE(camera_->Set("level", 3000));
  const double seconds = 2900 * (443.0 / 54.545) / 1e6;
  const auto frame = Frame();
  for (int x : {0, 700, 1424, 2847})
    EXPECT_EQ(At(frame, x, 150),
              240 + faults_.DarkOffset(x, 150) +
                  std::floor(3000 * (seconds / 0.026248) * faults_.Response(x, 150)))
        << x;
  EXPECT_EQ(At(frame, 100, 200), 4095);
  // The top corner against the middle of the top edge: (1 - 0.3 x 0.94) /
  // (1 - 0.3 x 0.43).
  EXPECT_NEAR(double(At(frame, 0, 96) - 240) / (At(frame, 1424, 96) - 240), 0.83, 0.04);
  EXPECT_FALSE(camera_->Set("level", 4096));
  EXPECT_FALSE(camera_->Set("pattern", 4));
}

TEST_F(Faults, GainSpreadAndOffsetsFollowTheCameraNumber) {
  const SensorFaults again(0), other(1);
  double sum = 0, squares = 0;
  int differ = 0;
  const int count = 20000;
  for (int i = 0; i < count; ++i) {
    const int x = 1400 + i % 50, y = 1400 + i / 50 % 50;  // the centre: no vignetting to speak of
    EXPECT_EQ(faults_.Response(x, y), again.Response(x, y));
    differ += faults_.Response(x, y) != other.Response(x, y);
    const double r = faults_.Response(x, y);
    sum += r;
    squares += r * r;
  }
  const double mean = sum / count;
  EXPECT_NEAR(std::sqrt(squares / count - mean * mean), SensorFaults::kGainSpread, 0.002);
  EXPECT_GT(differ, count * 9 / 10);
}

TEST_F(Faults, TemporalNoiseIsOffUnlessAsked) {
  ASSERT_TRUE(camera_->Set("pattern", 3));
  EXPECT_EQ(Frame(), Frame());
  ASSERT_TRUE(camera_->Set("noise", 8));
  const auto first = Frame(), second = Frame();
  double squares = 0;
  for (std::size_t i = 0; i < first.size(); i += 2) {
    const int d = (first[i] | first[i + 1] << 8) - (second[i] | second[i + 1] << 8);
    squares += double(d) * d;
  }
  // Two independent draws of 8 DN each differ by 8 * sqrt(2) DN.
  EXPECT_NEAR(std::sqrt(squares / (first.size() / 2)), 8 * std::sqrt(2.0), 1.0);
}

}  // namespace
}  // namespace velmor::emulator
