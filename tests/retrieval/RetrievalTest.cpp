// Image retrieval through emulated cameras with the ramp picture, where
// sample (x, y) of the sensor is (x + 16 y) mod 4096: snapshots and image
// copies, the acquisition states, the readout window, the output format and
// trigger mode.
#include <future>
#include <thread>

#include "../session/SessionFixture.h"

namespace velmor {
namespace {

uint16_t Ramp(int32_t x, int32_t y) { return uint16_t((x + 16 * y) % 4096); }

class RetrievalTest : public SessionFixture {
 protected:
  static int32_t Stride(int32_t width, int32_t bits) { return (width * bits / 8 + 3) & ~3; }

  // Every pixel of an image of `width` x `height` at `bits` equals the
  // ramp at (scale x + left, scale y + top), reduced to 8 bits for 8-bit
  // images; `topFirst` says which row comes first.
  static void ExpectRamp(const std::vector<uint8_t> &image, int32_t width, int32_t height,
                         int32_t bits, bool topFirst, int32_t left = 0, int32_t top = 0,
                         int32_t scale = 1) {
    const int32_t stride = Stride(width, bits);
    for (int32_t row = 0; row < height; ++row) {
      const int32_t y = topFirst ? row : height - 1 - row;
      for (int32_t x = 0; x < width; ++x) {
        const uint16_t sample = Ramp(left + scale * x, top + scale * y);
        const uint8_t *at = image.data() + std::size_t(row) * stride + std::size_t(x) * bits / 8;
        const uint32_t value = bits == 8 ? at[0] : uint32_t(at[0] | at[1] << 8);
        const uint32_t expected = bits == 8 ? uint32_t(sample >> 4) : sample;
        if (value != expected) {
          ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << value << ", expected "
                        << expected;
          return;
        }
      }
    }
  }
};

TEST_F(RetrievalTest, SnapshotsAreUprightAndExactInBothDepthsAndRowOrders) {
  for (int32_t bits : {8, 16}) {
    SCOPED_TRACE(bits);
    const int32_t handle = OpenCamera(bits);
    const int32_t bytes = Stride(2848, bits) * 2848;
    std::vector<uint8_t> image(std::size_t(bytes), 0xAA);
    ASSERT_EQ(Velmor_SnapShot(handle, image.data(), bytes, 1), 1) << Errors(handle).size();
    ExpectRamp(image, 2848, 2848, bits, true);
    ASSERT_EQ(Velmor_SnapShot(handle, image.data(), bytes, 0), 1);
    ExpectRamp(image, 2848, 2848, bits, false);
    EXPECT_EQ(Session(handle).state(), kIdle) << "a snapshot from idle stays idle";
    EXPECT_EQ(Errors(handle), std::vector<int32_t>{});
    Hub().Clear();
  }
}

TEST_F(RetrievalTest, SnapshotBufferAndImageCopies) {
  const int32_t handle = OpenCamera();
  const int32_t bytes = 2848 * 2848;
  std::vector<uint8_t> image(static_cast<std::size_t>(bytes));
  ASSERT_EQ(Velmor_SnapShot(handle, nullptr, 0, 1), 1) << "a null buffer keeps the frame";
  ASSERT_EQ(Velmor_GetImage(handle, image.data(), bytes, 1), 1);
  ExpectRamp(image, 2848, 2848, 8, true);

  EXPECT_EQ(Velmor_SnapShot(handle, image.data(), bytes - 1, 1), 0);
  EXPECT_EQ(Errors(handle), (std::vector<int32_t>{5, 5}));
  EXPECT_EQ(Velmor_GetImage(handle, image.data(), bytes - 1, 1), 0);
  EXPECT_EQ(Errors(handle), (std::vector<int32_t>{5, 5}));
  EXPECT_EQ(Velmor_GetImage(handle, nullptr, bytes, 1), 0);
  EXPECT_EQ(Errors(handle), std::vector<int32_t>{5});

  // The image lock is free again: another thread gets the image.
  auto other = std::async(std::launch::async,
                          [&] { return Velmor_GetImage(handle, image.data(), bytes, 0); });
  ASSERT_EQ(other.wait_for(std::chrono::seconds(10)), std::future_status::ready)
      << "frameLock still held";
  EXPECT_EQ(other.get(), 1);
  ExpectRamp(image, 2848, 2848, 8, false);
}

TEST_F(RetrievalTest, AcquisitionStatesRefuseWhatTheyCannotRun) {
  const int32_t handle = OpenCamera();
  EXPECT_EQ(Velmor_Capture(handle), 1);
  EXPECT_EQ(Velmor_Capture(handle), 1);
  EXPECT_EQ(Session(handle).state(), kCapturePrepared);
  EXPECT_EQ(Velmor_StartPreview(handle), 0);
  EXPECT_EQ(Errors(handle), std::vector<int32_t>{1});
  EXPECT_EQ(Velmor_Trigger(handle, nullptr, nullptr, 0, 1), 0);
  EXPECT_EQ(Errors(handle), std::vector<int32_t>{1});
  std::vector<uint8_t> image(2848 * 2848);
  EXPECT_EQ(Velmor_SnapShot(handle, image.data(), int32_t(image.size()), 1), 1)
      << "a prepared capture shoots";
  EXPECT_EQ(Velmor_StopPreview(handle), 1);
  EXPECT_EQ(Session(handle).state(), kIdle);

  ASSERT_EQ(Velmor_Preview(handle), 1);
  EXPECT_EQ(Session(handle).previewWindow(), nullptr) << "a null parent with four zeros";
  EXPECT_EQ(Velmor_Capture(handle), 0);
  EXPECT_EQ(Velmor_SnapShot(handle, nullptr, 0, 1), 0);
  EXPECT_EQ(Errors(handle), (std::vector<int32_t>{1, 1}));
  EXPECT_EQ(Velmor_GetStatus(handle), 0);
  EXPECT_EQ(Velmor_StopPreview(handle), 1);
}

TEST_F(RetrievalTest, SubsampledFramesAreHalfTheWindow) {
  const int32_t handle = OpenCamera();
  ASSERT_EQ(Velmor_SetSubSample(handle, 1), 1);
  EXPECT_EQ(Velmor_GetSubSample(handle), 1);
  EXPECT_EQ(Velmor_Width(handle), 2848);
  EXPECT_EQ(Velmor_Height(handle), 2848);
  std::vector<uint8_t> image(1424 * 1424);
  ASSERT_EQ(Velmor_SnapShot(handle, image.data(), int32_t(image.size()), 1), 1);
  ExpectRamp(image, 1424, 1424, 8, true, 0, 0, 2);
  EXPECT_EQ(Velmor_SetSubSample(handle, 2), 0);
  EXPECT_EQ(Errors(handle), std::vector<int32_t>{}) << "refused quietly";
}

TEST_F(RetrievalTest, ReadoutWindowCropsAndTheGeometryRuleRefuses) {
  const int32_t handle = OpenCamera();
  ASSERT_EQ(Velmor_SetCaptureWindowEx(handle, 2848, 512, 1024, 2848, 512, 1024), 1);
  std::vector<uint8_t> image(1024 * 1024);
  ASSERT_EQ(Velmor_SnapShot(handle, image.data(), int32_t(image.size()), 1), 1);
  ExpectRamp(image, 1024, 1024, 8, true, 512, 512);

  EXPECT_EQ(Velmor_SetCaptureWindowEx(handle, 2848, 100, 2800, 2848, 0, 2848), 0);
  EXPECT_EQ(Errors(handle), std::vector<int32_t>{7});
  int32_t th = 0, ehs = 0, eh = 0, tv = 0, evs = 0, ev = 0;
  EXPECT_EQ(Velmor_GetCaptureWindowEx(handle, &th, &ehs, &eh, &tv, &evs, &ev), 1);
  EXPECT_EQ(std::vector<int32_t>({th, ehs, eh, tv, evs, ev}),
            std::vector<int32_t>({2848, 100, 2800, 2848, 0, 2848}))
      << "the rejected values are kept";
  EXPECT_EQ(Velmor_GetCaptureWindowEx(handle, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
            1);
  EXPECT_EQ(Velmor_SnapShot(handle, nullptr, 0, 1), 0) << "nor does a start take them";
  EXPECT_EQ(Errors(handle), std::vector<int32_t>{7});

  EXPECT_EQ(Velmor_SetCaptureWindow(handle, 1024, 1024), 0);
  EXPECT_EQ(Errors(handle), std::vector<int32_t>{4}) << "no stored preset of that size";
}

TEST_F(RetrievalTest, NoFrameWithinTheSnapshotTimeoutFails) {
  const int32_t handle = OpenCamera();
  ASSERT_EQ(Velmor_EmulatorSet(0, "stall", 1), 1);
  EXPECT_EQ(Velmor_SnapShot(handle, nullptr, 0, 1), 0);
  EXPECT_EQ(Errors(handle), std::vector<int32_t>{8});
  EXPECT_EQ(Session(handle).state(), kIdle);
}

TEST_F(RetrievalTest, OutputFormatAndOrientation) {
  const int32_t handle = OpenCamera();
  EXPECT_EQ(Velmor_SetColorMode(handle, 16), 1);
  EXPECT_EQ(Velmor_GetColorMode(handle), 16);
  for (int32_t refused : {24, 32, 48, 64, 12})
    EXPECT_EQ(Velmor_SetColorMode(handle, refused), 0) << refused;
  EXPECT_EQ(Errors(handle), std::vector<int32_t>(5, 9)) << "a monochrome camera";
  EXPECT_EQ(Velmor_GetColorMode(handle), 16);

  EXPECT_EQ(Velmor_SetWaitTime(handle, 0), 1);
  EXPECT_EQ(Velmor_GetWaitTime(handle), 0);
  EXPECT_EQ(Velmor_SetWaitTime(handle, -1), 0);
  EXPECT_EQ(Velmor_SetMirrorH(handle, 5), 1);
  EXPECT_EQ(Velmor_GetMirrorH(handle), 1);
  EXPECT_EQ(Velmor_SetMirrorV(handle, 1), 1);
  EXPECT_EQ(Velmor_GetMirrorV(handle), 1);
  EXPECT_EQ(Velmor_SetAutoIris(handle, 2), 1);
  EXPECT_EQ(Velmor_SetAutoIris(handle, 3), 0);
  int32_t ok = 0;
  EXPECT_EQ(Velmor_GetAutoIris(handle, &ok), 2);
  EXPECT_EQ(ok, 1);
  EXPECT_EQ(Errors(handle), std::vector<int32_t>{}) << "9 for the auto iris is only posted";

  std::vector<uint8_t> image(2848 * 2848);
  ASSERT_EQ(Velmor_SetColorMode(handle, 8), 1);
  ASSERT_EQ(Velmor_SetMirrorV(handle, 0), 1);
  ASSERT_EQ(Velmor_SetMirrorH(handle, 0), 1);
  EXPECT_EQ(Velmor_SnapShot(handle, image.data(), int32_t(image.size()), 1), 1);
  ExpectRamp(image, 2848, 2848, 8, true);
}

TEST_F(RetrievalTest, TriggerModeDeliversOneFramePerTriggerAndStartsOnce) {
  const int32_t handle = OpenCamera();
  std::vector<uint8_t> image(2848 * 2848);
  ASSERT_EQ(Velmor_Trigger(handle, frames, image.data(), int32_t(image.size()), 1), 1);
  EXPECT_EQ(Session(handle).state(), kTriggered);
  EXPECT_EQ(Velmor_Trigger(handle, frames, image.data(), int32_t(image.size()), 1), 1)
      << "a second start changes nothing";
  EXPECT_EQ(Velmor_SnapShot(handle, nullptr, 0, 1), 0);
  EXPECT_EQ(Errors(handle), std::vector<int32_t>{1});

  ASSERT_EQ(Velmor_EmulatorSet(0, "trigger_mode", 1), 1);
  for (int frame = 0; frame < 2; ++frame) {
    // A trigger counts once the loop has armed its capture: until a frame
    // comes, trigger again.
    VELMOR_MSG message{};
    for (int i = 0; i < 100 && message.message == 0; ++i) {
      ASSERT_EQ(Velmor_EmulatorSet(0, "trigger", 1), 1);
      Velmor_WaitMessage(frames, &message, 100);
    }
    ASSERT_EQ(message.message, VELMOR_WM_FRAME) << "no triggered frame within 10 s";
    ASSERT_NE(message.wParam, 0u) << "failure code " << message.lParam;
    std::lock_guard lock(Session(handle).frameLock());
    EXPECT_EQ(Session(handle).frameRecord().fpsTimesTen, 0);
  }
  EXPECT_EQ(Velmor_StopPreview(handle), 1);
  ExpectRamp(image, 2848, 2848, 8, true);
}

}  // namespace
}  // namespace velmor
