// Frame transfer through the emulated camera: one frame per start in single
// and triggered mode, giving up after five failed reads, stopping and
// unplugging mid-stream, the frame rate at the sensor's own timing, and the
// frame hand-off with the readout orientation undone.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "CaptureFixture.h"
#include "sensors/SensorBase.h"

namespace velmor {
namespace {

using test::RegisterWrite;

constexpr std::size_t kFullFrame = std::size_t(2848) * 2848;

using Capture = CaptureFixture;

TEST_F(Capture, AFrameLargerThanTheGivenBufferIsNotCopied) {
  ASSERT_EQ(engine.StartCapture(1), 1);
  ASSERT_EQ(engine.WaitForFrame(5000), 3);
  std::vector<uint8_t> small(1024, 0xAB);
  EXPECT_EQ(engine.GetNextImage(small.data(), int32_t(small.size()), 0, 0, 1), -1);
  EXPECT_EQ(engine.GetLatestImage(small.data(), int32_t(small.size()), 0, 0, 1), -1);
  EXPECT_TRUE(std::all_of(small.begin(), small.end(), [](uint8_t b) { return b == 0xAB; }));
  std::vector<uint8_t> frame(kFullFrame);
  EXPECT_EQ(engine.GetLatestImage(frame.data(), int32_t(frame.size()), 0, 0, 1), 0);
  EXPECT_EQ(engine.StopCapture(), 1);
}

TEST_F(Capture, SingleFrameStartLandsExactlyOneFrame) {
  ASSERT_EQ(engine.StartCapture(1), 1);
  ASSERT_EQ(engine.WaitForFrame(5000), 3);
  std::vector<uint8_t> frame(kFullFrame);
  EXPECT_EQ(engine.GetNextImage(frame.data(), 0, 0, 0, 1), 0);
  EXPECT_EQ(engine.WaitForFrame(50), 2) << "the frame was taken";
  EXPECT_TRUE(Eventually([&] { return Counter("frames_sent") == 1; }, 5000));
  EXPECT_EQ(engine.StopCapture(), 1);
  EXPECT_EQ(Counter("frames_sent"), 1) << "the thread ends after its one frame";
  EXPECT_EQ(Counter("headers_sent"), 1);

  // The first start prepared the buffers: the output size went to the FPGA.
  const std::vector<RegisterWrite> writes = FpgaWrites();
  const std::vector<RegisterWrite> geometry = {{0x44, 0x20}, {0x45, 0x0B}, {0x40, 0x20},
                                               {0x41, 0x0B}, {0x48, 68},   {0x49, 0},
                                               {0x4C, 4},    {0x4D, 0}};
  EXPECT_NE(std::search(writes.begin(), writes.end(), geometry.begin(), geometry.end()),
            writes.end());
  // The stop: restart pulse, 0x68 = 2, then the stream cleared.
  EXPECT_EQ(writes.back(), (RegisterWrite{0x68, 2}));
  EXPECT_EQ(Log(0).back().request(), 0xC0);
}

TEST_F(Capture, SingleCaptureOnTheCallersThreadFillsTheLatestImage) {
  EXPECT_EQ(engine.CaptureSingleFrame(), 0);
  EXPECT_NE(engine.WaitForFrame(0), 1) << "the capture succeeded";
  std::vector<uint8_t> frame(kFullFrame, 0);
  EXPECT_EQ(engine.GetLatestImage(frame.data(), 0, 0, 0, 1), 0);
  EXPECT_NE(std::count(frame.begin(), frame.end(), 0), std::ptrdiff_t(kFullFrame));
  EXPECT_EQ(engine.GetLatestImage(nullptr, 0, 0, 0, 1), -2);
}

TEST_F(Capture, FiveFailedReadsInARowEndTheTransfer) {
  Knob("fail_payload", 5);
  ASSERT_EQ(engine.StartCapture(0), 1);
  ASSERT_TRUE(WaitForAnswer(1, 10000)) << "the transfer gives up after five failures";
  const auto before = Clock::now();
  EXPECT_EQ(engine.WaitForFrame(60000), 1);
  EXPECT_LT(Clock::now() - before, std::chrono::seconds(5)) << "a failed transfer is not waited on";
  EXPECT_EQ(Counter("headers_sent"), 5);
  const std::vector<RegisterWrite> writes = FpgaWrites();
  EXPECT_EQ(std::count(writes.begin(), writes.end(), RegisterWrite{0x6C, 1}), 4)
      << "a restart pulse after each failure but the last";
  EXPECT_EQ(engine.StopCapture(), 1);
}

TEST_F(Capture, AGoodFrameAfterFourFailuresKeepsTheTransferGoing) {
  Knob("fail_payload", 4);
  ASSERT_EQ(engine.StartCapture(0), 1);
  ASSERT_TRUE(WaitForAnswer(3, 10000));
  EXPECT_NE(engine.WaitForFrame(0), 1);
  EXPECT_EQ(engine.StopCapture(), 1);
}

TEST_F(Capture, TriggeredCaptureReadsNoHeaderUntilTheFrameCounterMoves) {
  Knob("trigger_mode", 1);
  ASSERT_EQ(engine.SetTriggerMode(1, 0), 1);
  ASSERT_EQ(engine.StartCapture(2), 1);
  const auto counterReads = [&] { return test::FpgaReads(Bus(), 0x08); };
  ASSERT_TRUE(Eventually([&] { return counterReads() >= 10; }, 5000))
      << "the thread polls FPGA register 0x08";
  EXPECT_EQ(HeaderArms(), 0);
  EXPECT_EQ(engine.WaitForFrame(0), 2);

  Knob("trigger", 1);
  ASSERT_EQ(engine.WaitForFrame(5000), 3);
  EXPECT_GE(HeaderArms(), 1);
  EXPECT_EQ(Counter("frames_sent"), 1);
  EXPECT_EQ(engine.StopCapture(), 1);
}

TEST_F(Capture, TriggerModeIsAppliedOnlyWhenItChangesUnlessForced) {
  ASSERT_EQ(engine.SetTriggerMode(1, 0), 1);
  EXPECT_EQ(test::FpgaReads(Bus(), 0x08), 1) << "switching the trigger on syncs the counter";
  ClearLog();
  EXPECT_EQ(engine.SetTriggerMode(1, 0), 1);
  EXPECT_TRUE(Log(0).empty());
  EXPECT_EQ(engine.SetTriggerMode(1, 1), 1);
  EXPECT_FALSE(Log(0).empty());
}

TEST_F(Capture, TheCurrentCaptureModeChangesNothing) {
  ASSERT_EQ(engine.StartCapture(0), 1);
  ASSERT_EQ(engine.WaitForFrame(5000), 3);
  ClearLog();
  EXPECT_EQ(engine.SetCaptureMode(0), 1);
  std::vector<uint8_t> frame(kFullFrame);
  engine.GetNextImage(frame.data(), 0, 0, 0, 1);
  EXPECT_TRUE(WaitForAnswer(3, 5000)) << "capture goes on";
  const std::vector<RegisterWrite> writes = FpgaWrites();
  EXPECT_EQ(std::count(writes.begin(), writes.end(), RegisterWrite{0x68, 2}), 0) << "no stop";
  EXPECT_EQ(engine.StopCapture(), 1);
}

TEST_F(Capture, StopDuringALongHeaderWaitReturnsWithinTheHeaderBound) {
  Knob("stall", 1);
  ASSERT_EQ(engine.StartCapture(0), 1);
  ASSERT_TRUE(Eventually([&] { return HeaderArms() >= 1; }, 5000));
  const auto before = Clock::now();
  EXPECT_EQ(engine.StopCapture(), 1);
  // One header read: 30 waits of 200 ms with their restart pulses.
  EXPECT_LT(Clock::now() - before, std::chrono::seconds(10));
  EXPECT_EQ(engine.WaitForFrame(0), 2);
}

TEST_F(Capture, UnplugMidStreamEndsTheTransfer) {
  ASSERT_EQ(engine.StartCapture(0), 1);
  ASSERT_EQ(engine.WaitForFrame(5000), 3);
  Knob("unplug", 1);
  EXPECT_TRUE(WaitForAnswer(1, 20000)) << "the transfer gives up on a camera that left";
  EXPECT_EQ(engine.StopCapture(), 1);
}

// The sensor's own timing: a 20 ms exposure stretches the frame beyond the
// 640 x 512 window, each line 443 pixel clocks at 54.545 MHz. Loose bounds, so
// that a loaded machine (or a sanitizer) does not fail it.
TEST_F(Capture, ContinuousCaptureKeepsTheSensorsRate) {
#if defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "ThreadSanitizer slows the emulated sensor below its own rate";
#endif
  Knob("fps", -1);
  ASSERT_EQ(engine.SetCaptureWindow(1104, 1168, 640, 512, 0), 1);
  ASSERT_EQ(engine.SetExposureTime(200), 1);
  const double frameLength = SensorValue(0x02D4, 3);
  ASSERT_GT(frameLength, 656) << "the exposure sets the frame length";
  const double nominal = 54545e3 / (frameLength * 443.0);
  std::vector<uint8_t> frame(640 * 512);
  ASSERT_EQ(engine.StartCapture(0), 1);
  ASSERT_EQ(engine.WaitForFrame(5000), 3);
  engine.GetNextImage(frame.data(), 0, 0, 0, 1);
  int frames = 0;
  const auto start = Clock::now();
  while (Clock::now() - start < std::chrono::seconds(2)) {
    if (engine.WaitForFrame(100) != 3) continue;
    engine.GetNextImage(frame.data(), 0, 0, 0, 1);
    ++frames;
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  EXPECT_GE(frames / seconds, 0.5 * nominal);
  EXPECT_LE(frames / seconds, 1.1 * nominal);
  EXPECT_EQ(engine.StopCapture(), 1);
}

// Two readers take frames while the transfer thread refills the ring; under
// ThreadSanitizer this shows that no slot is read while it is written.
TEST_F(Capture, ReadersAndTheTransferThreadShareTheRing) {
  ASSERT_EQ(engine.SetCaptureWindow(1104, 1296, 640, 256, 0), 1);
  ASSERT_EQ(engine.StartCapture(0), 1);
  std::atomic<bool> stop{false};
  std::thread latest([&] {
    std::vector<uint8_t> frame(640 * 256);
    while (!stop) engine.CopyFrame(frame.data(), int32_t(frame.size()), 0, 1);
  });
  std::vector<uint8_t> frame(640 * 256);
  int taken = 0;
  for (int i = 0; i < 400 && taken < 100; ++i) {
    if (engine.WaitForFrame(1000) != 3) continue;
    engine.GetNextImage(frame.data(), 0, 0, 0, 0);
    ++taken;
  }
  stop = true;
  latest.join();
  EXPECT_EQ(taken, 100);
  EXPECT_EQ(engine.StopCapture(), 1);
}

// The ramp of the upright picture: (x + 16 y) mod 4096, its top 8 bits in
// 8-bit frames.
class Orientation : public CaptureFixture {
 protected:
  void SetUp() override {
    CaptureFixture::SetUp();
    Knob("pattern", 1);
  }
  static uint32_t Ramp(int32_t x, int32_t y) { return uint32_t(x + 16 * y) % 4096; }

  // Pixels of an 8-bit frame that differ from upright(x, y) turned by `at`.
  template <class At>
  static int64_t Mismatches(const std::vector<uint8_t> &frame, At at) {
    int64_t wrong = 0;
    for (int32_t y = 0; y < kFull; ++y) {
      const uint8_t *row = frame.data() + std::size_t(y) * kFull;
      for (int32_t x = 0; x < kFull; ++x) wrong += row[x] != at(x, y) >> 4;
    }
    return wrong;
  }
  void TakeOneFrame() {
    ASSERT_EQ(engine.StartCapture(1), 1);
    ASSERT_EQ(engine.WaitForFrame(5000), 3);
  }
};

TEST_F(Orientation, UprightCopyTurnsTheReadoutBack) {
  TakeOneFrame();
  std::vector<uint8_t> frame(kFullFrame);
  ASSERT_EQ(engine.GetNextImage(frame.data(), 0, 0, 0, 1), 0);
  EXPECT_EQ(Mismatches(frame, [](int32_t x, int32_t y) { return Ramp(x, y); }), 0);

  // Orientation 0 keeps the rows as they came and reverses each.
  ASSERT_EQ(engine.CopyFrame(frame.data(), int32_t(kFullFrame), 0, 0), 1);
  EXPECT_EQ(Mismatches(frame, [](int32_t x, int32_t y) { return Ramp(x, kFull - 1 - y); }), 0);

  // A sensor that reads out upright is copied byte for byte.
  engine.sensor()->info().readoutOrientation = 1;
  ASSERT_EQ(engine.CopyFrame(frame.data(), int32_t(kFullFrame), 0, 1), 1);
  EXPECT_EQ(
      Mismatches(frame, [](int32_t x, int32_t y) { return Ramp(kFull - 1 - x, kFull - 1 - y); }),
      0);
}

TEST_F(Orientation, SixteenBitPixelsKeepTheirByteOrder) {
  ASSERT_EQ(engine.SetBitDepth(1), 1);
  TakeOneFrame();
  std::vector<uint16_t> frame(kFullFrame);
  ASSERT_EQ(
      engine.CopyFrame(reinterpret_cast<uint8_t *>(frame.data()), int32_t(kFullFrame * 2), 0, 1),
      1);
  int64_t wrong = 0;
  for (int32_t y = 0; y < kFull; ++y)
    for (int32_t x = 0; x < kFull; ++x) wrong += frame[std::size_t(y) * kFull + x] != Ramp(x, y);
  EXPECT_EQ(wrong, 0);
}

TEST_F(Orientation, CopiesRefuseShortOrMissingDestinations) {
  std::vector<uint8_t> frame(kFullFrame);
  EXPECT_EQ(engine.CopyFrame(frame.data(), int32_t(kFullFrame), 0, 1), 0) << "no frame buffers yet";
  TakeOneFrame();
  EXPECT_EQ(engine.CopyFrame(frame.data(), int32_t(kFullFrame - 1), 0, 1), 0);
  EXPECT_EQ(engine.CopyFrame(nullptr, int32_t(kFullFrame), 0, 1), 0);
  EXPECT_EQ(engine.GetLatestImage(nullptr, 0, 0, 0, 1), -2);
  EXPECT_EQ(engine.CopyFrame(frame.data(), int32_t(kFullFrame), 0, 1), 1);
}

// A window change after the buffers were made does not widen the copy: the
// ring's frames keep the geometry they were taken with.
TEST_F(Orientation, AWindowChangeDoesNotOutgrowTheFramesInTheRing) {
  ASSERT_EQ(engine.SetCaptureWindow(1104, 1296, 640, 256, 0), 1);
  TakeOneFrame();
  ASSERT_EQ(engine.StopCapture(), 1);
  ASSERT_EQ(engine.SetCaptureWindow(0, 0, kFull, kFull, 0), 1);
  std::vector<uint8_t> frame(kFullFrame, 0xEE);
  ASSERT_EQ(engine.CopyFrame(frame.data(), int32_t(kFullFrame), 0, 1), 1);
  EXPECT_EQ(frame[640 * 256], 0xEE) << "one 640 x 256 frame copied";
}

}  // namespace
}  // namespace velmor
