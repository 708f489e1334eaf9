// Recording through the exports: refused starts, a recording that ends by
// itself with every frame the host saw, one spanning several RIFFs, every
// early end finishing its file, and recording turning the host callback off.
#include <cstring>
#include <functional>
#include <mutex>

#include "RecordingFixture.h"

namespace velmor {
namespace {

class RecordingTest : public RecordingFixture {};

TEST_F(RecordingTest, RefusesAMissingPathAndCreatesNoFile) {
  const int32_t handle = StartSession();
  EXPECT_EQ(Velmor_Record(handle, nullptr, 1000, 0), 0);
  EXPECT_EQ(Velmor_Record(handle, "", 1000, 0), 0);
  EXPECT_EQ(Velmor_RecordW(handle, nullptr, 1000, 0), 0);
  EXPECT_EQ(Errors(handle), (std::vector<int32_t>{9, 9, 9}));
  EXPECT_EQ(Session(handle).state(), kIdle) << "nothing was started";
  EXPECT_EQ(Velmor_Record(0x7FFF, path.c_str(), 1000, 0), 0) << "unknown handle";
  EXPECT_EQ(std::fopen(path.c_str(), "rb"), nullptr);
}

TEST_F(RecordingTest, AFileThatCannotBeOpenedClosesTheSession) {
  const int32_t handle = StartSession();
  const std::string nowhere = ::testing::TempDir() + "no-such-dir/x.avi";
  EXPECT_EQ(Velmor_Record(handle, nowhere.c_str(), 1000, 0), 0);
  EXPECT_EQ(Errors(handle), std::vector<int32_t>{VELMOR_ERROR_CONVERSION});
  EXPECT_EQ(Session(handle).state(), kIdle);
}

// A short recording in both colour modes ends by itself while the preview
// goes on; its frames are the host's image as bottom-up BGR, 16-bit samples
// as v >> 4, and its header carries the measured rate.
TEST_F(RecordingTest, EndsByItselfWithTheFramesTheHostSees) {
  for (const int32_t bits : {8, 16}) {
    SCOPED_TRACE(bits);
    Hub().Clear();
    const int32_t handle = StartSession(bits);
    CVelmor &session = Session(handle);
    ASSERT_EQ(Velmor_Record(handle, path.c_str(), 100, 0), 1) << Velmor_GetLastError(handle);
    EXPECT_EQ(Velmor_Record(handle, path.c_str(), 100, 0), 0) << "one recording at a time";
    EXPECT_EQ(Errors(handle), std::vector<int32_t>{VELMOR_ERROR_NO_CAMERA});
    WaitUntilDone(session.recorder());
    EXPECT_EQ(session.state(), kPreviewing) << "the preview goes on";
    std::vector<uint8_t> host(std::size_t(kFrameSide) * kFrameSide * (bits / 8));
    ASSERT_EQ(Velmor_GetImage(handle, host.data(), int32_t(host.size()), 1), 1);
    ASSERT_EQ(Velmor_StopPreview(handle), 1);

    testing::AviFile file = ReadBack();
    const std::vector<uint64_t> frames = file.CheckLayout(kFrameBytes);
    ASSERT_GE(frames.size(), 2u);
    EXPECT_EQ(file.riffs.size(), 1u);
    EXPECT_EQ(file.U32(64), uint32_t(kFrameSide));
    // The rate measured over the recording: the camera's 50 per second, so
    // about 20 ms a frame; the recorder notes each frame to the millisecond
    // when it wakes, so a short recording on a loaded machine measures a few
    // milliseconds off. The scale is ten times the period.
    const uint32_t micros = file.U32(32);
    EXPECT_GE(micros, 15000u);
    EXPECT_NEAR(double(file.U32(128)), 10.0 * micros, 10.0);
    for (const uint64_t frame : {frames.front(), frames.back()}) {
      const uint8_t *bgr = file.At(frame);
      for (int32_t y = 0; y < kFrameSide; ++y) {
        // File row y is picture row (height - 1 - y).
        const int32_t row = kFrameSide - 1 - y;
        for (int32_t x = 0; x < kFrameSide; ++x) {
          const std::size_t i = std::size_t(row) * kFrameSide + x;
          uint8_t grey = host[i];
          if (bits == 16) grey = uint8_t(reinterpret_cast<const uint16_t *>(host.data())[i] >> 4);
          const uint8_t *pixel = bgr + (std::size_t(y) * kFrameSide + x) * 3;
          ASSERT_TRUE(pixel[0] == grey && pixel[1] == grey && pixel[2] == grey)
              << "pixel " << x << "," << row << " of the picture";
        }
      }
    }
    EXPECT_EQ(Errors(handle), std::vector<int32_t>{});
    Velmor_Release(handle);
  }
}

TEST_F(RecordingTest, ALongRecordingSpansSeveralRiffs) {
  const int32_t handle = StartSession();
  CVelmor &session = Session(handle);
  // Three frames fill a RIFF.
  session.recorder().writer().SetRiffLimit(4 * kFrameBytes);
  ASSERT_EQ(Velmor_Record(handle, path.c_str(), 60000, 0), 1);
  WaitForFrames(session.recorder(), 8);
  ASSERT_EQ(Velmor_StopPreview(handle), 1);
  testing::AviFile file = ReadBack();
  const std::vector<uint64_t> frames = file.CheckLayout(kFrameBytes);
  EXPECT_GE(file.riffs.size(), 3u);
  EXPECT_EQ(frames.size(), std::size_t(session.recorder().framesRecorded()));
}

// However a recording ends early, its file is finished.
TEST_F(RecordingTest, EveryEarlyEndFinishesTheFile) {
  const struct {
    const char *how;
    std::function<void(int32_t)> end;
  } ends[] = {
      {"stop", [](int32_t handle) { EXPECT_EQ(Velmor_StopPreview(handle), 1); }},
      {"close", [](int32_t handle) { EXPECT_EQ(Velmor_Close(handle), 1); }},
      {"release", [](int32_t handle) { EXPECT_EQ(Velmor_Release(handle), 1); }},
      {"unplug", [](int32_t) { EXPECT_TRUE(Velmor_EmulatorSet(0, "unplug", 1)); }},
  };
  for (const auto &end : ends) {
    SCOPED_TRACE(end.how);
    Hub().Clear();
    const int32_t handle = StartSession();
    Recorder &recorder = Session(handle).recorder();
    ASSERT_EQ(Velmor_Record(handle, path.c_str(), 60000, 0), 1);
    WaitForFrames(recorder, 2);
    end.end(handle);
    // A released session finished its file before it went.
    if (std::string(end.how) != "release") WaitUntilDone(recorder);
    testing::AviFile file = ReadBack();
    EXPECT_GE(file.CheckLayout(kFrameBytes).size(), 2u);
    Velmor_Release(handle);
  }
}

TEST_F(RecordingTest, RecordingTurnsTheHostCallbackOff) {
  const int32_t handle = StartSession();
  Recorder &recorder = Session(handle).recorder();
  std::vector<uint8_t> buffer(std::size_t(kFrameSide) * kFrameSide);
  // The callback preview's target, without its window (there may be no
  // display).
  Session(handle).SetFrameTarget(frames, buffer.data(), int32_t(buffer.size()), 1);
  ASSERT_EQ(Velmor_StartPreview(handle), 1);
  EXPECT_EQ(Next(frames).lParam, 0) << "frames reach the host before recording";
  ASSERT_EQ(Velmor_Record(handle, path.c_str(), 60000, 0), 1);
  std::fill(buffer.begin(), buffer.end(), uint8_t(0xEE));
  // A message of a frame processed just before the start may still come.
  WaitForFrames(recorder, 1);
  VELMOR_MSG message;
  while (Velmor_WaitMessage(frames, &message, 0) == 1) {
  }
  WaitForFrames(recorder, 3);
  EXPECT_EQ(Velmor_WaitMessage(frames, &message, 0), 0) << "a frame message while recording";
  EXPECT_EQ(buffer, std::vector<uint8_t>(buffer.size(), 0xEE)) << "the host buffer was written";
  {
    std::lock_guard lock(Session(handle).frameLock());
    EXPECT_EQ(Session(handle).frameRecord().hostBuffer, nullptr);
  }
  EXPECT_EQ(Velmor_StopPreview(handle), 1);
}

}  // namespace
}  // namespace velmor
