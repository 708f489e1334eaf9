// Automatic exposure and gain on the emulator's scene, one snapshot at a
// time: the exposure or gain moves frame by frame until a frame's
// correction lies in the dead band, the same way in both depths.
#include "SessionFixture.h"
#include "session/AutoIrisController.h"

namespace velmor {
namespace {

class AutoIrisTest : public SessionFixture {
 protected:
  // A camera showing the scene through a 640 x 640 window at its centre.
  int32_t OpenScene(int32_t bits) {
    Hub().SetDefaults(emulator::Pattern::Scene, 0);
    AddCameras(1);
    const int32_t handle = Open(notices);
    EXPECT_EQ(Velmor_SetPreviewWindow(handle, nullptr, 0, 0, 0, 0), 1);
    EXPECT_EQ(Velmor_SetColorMode(handle, bits), 1);
    EXPECT_EQ(Velmor_SetCaptureWindowEx(handle, 2848, 1104, 640, 2848, 1104, 640), 1);
    return handle;
  }

  // The value of filter `id` after each snapshot, until it holds for one
  // frame (at most `frames` snapshots). Fails when it never settles.
  static std::vector<int32_t> Steps(int32_t handle, int32_t id, int32_t frames = 40) {
    std::vector<int32_t> steps;
    for (int32_t i = 0; i < frames; ++i) {
      EXPECT_EQ(Velmor_SnapShot(handle, nullptr, 0, 1), 1);
      steps.push_back(Velmor_GetFilterValue(handle, id, nullptr));
      if (steps.size() >= 2 && steps.back() == steps[steps.size() - 2]) return steps;
    }
    ADD_FAILURE() << "filter " << id << " still moving after " << frames << " frames";
    return steps;
  }

  // Every step moves the same way until the value holds.
  static void ExpectMonotonicUntilSettled(const std::vector<int32_t> &steps, int32_t start,
                                          bool rising) {
    int32_t previous = start;
    for (std::size_t i = 0; i + 1 < steps.size(); ++i) {
      EXPECT_TRUE(rising ? steps[i] > previous : steps[i] < previous)
          << "step " << i << ": " << previous << " -> " << steps[i] << ", steps "
          << ::testing::PrintToString(steps);
      previous = steps[i];
    }
  }

  // The last frame, which changed nothing, was measured inside the dead band.
  static void ExpectSettledInDeadBand(int32_t handle) {
    imaging::DibImage *frame = Session(handle).CurrentImage();
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(AutoIrisController::InDeadBand(AutoIrisController::Correction(*frame)));
  }
};

TEST_F(AutoIrisTest, ExposureRisesFromOneMillisecondAndFallsFromSaturation) {
  const int32_t handle = OpenScene(8);
  ASSERT_EQ(Velmor_SetExposureTime(handle, 10), 1);
  ASSERT_EQ(Velmor_SetAutoIris(handle, kAutoIrisExposure), 1);
  const std::vector<int32_t> rising = Steps(handle, kFilterExposureTime);
  ExpectMonotonicUntilSettled(rising, 10, true);
  ExpectSettledInDeadBand(handle);
  EXPECT_EQ(Session(handle).analog().exposure, rising.back()) << "the session keeps the units";

  ASSERT_EQ(Velmor_SetExposureTime(handle, 3000), 1);
  const std::vector<int32_t> falling = Steps(handle, kFilterExposureTime);
  ExpectMonotonicUntilSettled(falling, 3000, false);
  ExpectSettledInDeadBand(handle);
  EXPECT_EQ(Errors(handle), std::vector<int32_t>{});
}

TEST_F(AutoIrisTest, GainRisesFromDarknessAndFallsFromSaturation) {
  const int32_t handle = OpenScene(8);
  ASSERT_EQ(Velmor_SetExposureTime(handle, 20), 1);
  ASSERT_EQ(Velmor_SetGlobalGain(handle, 0), 1);
  ASSERT_EQ(Velmor_SetAutoIris(handle, kAutoIrisGain), 1);
  const std::vector<int32_t> rising = Steps(handle, kFilterGlobalGain);
  ExpectMonotonicUntilSettled(rising, 0, true);
  ExpectSettledInDeadBand(handle);
  EXPECT_EQ(Session(handle).analog().colourGainBlue, rising.back())
      << "the colour gains follow the gain";

  ASSERT_EQ(Velmor_SetExposureTime(handle, 260), 1);
  ASSERT_EQ(Velmor_SetGlobalGain(handle, 480), 1);
  // The gain acts exponentially, so a quarter of it may undershoot before
  // the gain settles.
  const std::vector<int32_t> falling = Steps(handle, kFilterGlobalGain);
  EXPECT_LT(falling.front(), 480 / 2) << ::testing::PrintToString(falling);
  ExpectSettledInDeadBand(handle);
}

TEST_F(AutoIrisTest, SixteenBitFramesTakeTheStepsOfEightBitFrames) {
  std::vector<int32_t> steps[2];
  for (int32_t depth = 0; depth < 2; ++depth) {
    const int32_t handle = OpenScene(depth == 0 ? 8 : 16);
    ASSERT_EQ(Velmor_SetExposureTime(handle, 10), 1);
    ASSERT_EQ(Velmor_SetAutoIris(handle, kAutoIrisExposure), 1);
    steps[depth] = Steps(handle, kFilterExposureTime);
    Hub().Clear();
  }
  EXPECT_EQ(steps[0], steps[1]);
  EXPECT_GT(steps[0].size(), 3u);
}

TEST_F(AutoIrisTest, OffLeavesTheCameraAlone) {
  const int32_t handle = OpenScene(8);
  ASSERT_EQ(Velmor_SetExposureTime(handle, 10), 1);
  for (int32_t i = 0; i < 2; ++i) ASSERT_EQ(Velmor_SnapShot(handle, nullptr, 0, 1), 1);
  EXPECT_EQ(Velmor_GetExposureTime(handle, nullptr), 10);
}

}  // namespace
}  // namespace velmor
