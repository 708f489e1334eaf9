// Recordings through the exports from an emulated camera with a small
// readout window, read back with the test AVI reader.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "../support/AviFile.h"
#include "SessionFixture.h"

namespace velmor {

class RecordingFixture : public SessionFixture {
 protected:
  // The sensor's narrowest readout window keeps frames small.
  static constexpr int32_t kSide = 640;
  static constexpr int32_t kFrameSide = kSide;
  static constexpr uint32_t kFrameBytes = kFrameSide * kFrameSide * 3;

  void TearDown() override {
    SessionFixture::TearDown();
    std::remove(path.c_str());
  }

  // A session of one camera at `fps` in the colour mode of `bits`.
  int32_t StartSession(int32_t bits = 8, int fps = 50) {
    const int32_t handle = OpenCentred(fps, kSide);
    EXPECT_EQ(Session(handle).SetColourModeBits(bits), 1);
    return handle;
  }

  // Waits (bounded) until the recorder has appended `count` frames.
  static void WaitForFrames(Recorder &recorder, int32_t count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (recorder.framesRecorded() < count && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_GE(recorder.framesRecorded(), count) << "the recorder took no frames for 10 s";
  }
  static void WaitUntilDone(Recorder &recorder) {
    ASSERT_TRUE(recorder.WaitUntilDone(10000)) << "the recording did not end within 10 s";
  }

  testing::AviFile ReadBack() const { return testing::AviFile(testing::ReadWholeFile(path)); }

  std::string path = ::testing::TempDir() + "velmor-record-" +
                     ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".avi";
};

}  // namespace velmor
