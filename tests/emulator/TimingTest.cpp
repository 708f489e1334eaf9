// Frame timing: the sensor's frame length times its line period, the fps
// override, and frames on demand.
#include <chrono>

#include "EmulatorFixture.h"

namespace velmor::emulator {
namespace {

using Clock = std::chrono::steady_clock;

class Timing : public EmulatorFixture {
 protected:
  void SetUp() override {
    EmulatorFixture::SetUp();
    SetWindow(0, 0, 640, 16);
  }
  // Milliseconds per frame over `frames` frames read back to back.
  double MeasurePeriod(int frames) {
    // The first frame renders the picture; the second starts on a boundary.
    EXPECT_TRUE(ReadFrame());
    EXPECT_TRUE(ReadFrame());
    const auto start = Clock::now();
    for (int i = 0; i < frames; ++i) EXPECT_TRUE(ReadFrame());
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count() / frames;
  }
};

TEST_F(Timing, NominalFullFrameTakesAbout24Ms) {
  // 2992 lines of 443 / 54.545 us.
  const double period = MeasurePeriod(8);
  EXPECT_GT(period, 24.3 * 0.9);
  EXPECT_LT(period, 24.3 * 2.0);
}

TEST_F(Timing, LongerFrameLengthStretchesTheFrame) {
  SensorWriteWide(0x02D4, 2992 * 2, 3);
  const double period = MeasurePeriod(4);
  EXPECT_GT(period, 48.6 * 0.9);
  EXPECT_LT(period, 48.6 * 2.0);
}

TEST_F(Timing, FpsKnobOverridesTheRate) {
  ASSERT_TRUE(camera_->Set("fps", 100));
  const double period = MeasurePeriod(8);
  EXPECT_GT(period, 10.0 * 0.9);
  EXPECT_LT(period, 10.0 * 2.0);
}

TEST_F(Timing, FpsZeroAnswersAtOnceAndCountsEveryFrame) {
  ASSERT_TRUE(camera_->Set("fps", 0));
  ASSERT_TRUE(ReadFrame());  // renders the picture; the frames after reuse it
  const int before = FpgaRead(0x08);
  const auto start = Clock::now();
  for (int i = 0; i < 20; ++i) ASSERT_TRUE(ReadFrame());
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(20 * 24));
  EXPECT_EQ(FpgaRead(0x08), (before + 20) & 0xFF);
  EXPECT_EQ(Knob("frames_sent"), 21);
}

TEST_F(Timing, FrameCounterRunsWhileNobodyReads) {
  ASSERT_TRUE(camera_->Set("fps", 200));
  const int before = FpgaRead(0x08);
  // Bounded poll: the counter must move within a second.
  const auto start = Clock::now();
  while (FpgaRead(0x08) == before && Clock::now() - start < std::chrono::seconds(1)) {
  }
  EXPECT_NE(FpgaRead(0x08), before);
}

}  // namespace
}  // namespace velmor::emulator
