// Host threads racing on one handle: releases against calls in flight and
// against each other, close against snapshots, starts against stops, and
// setters against the acquisition thread. Each race runs a fixed number of
// rounds; every thread must finish within a bound, and ThreadSanitizer
// (make check-tsan) checks the accesses.
#include <atomic>
#include <chrono>
#include <future>
#include <thread>
#include <vector>

#include "SessionFixture.h"

namespace velmor {
namespace {

using namespace std::chrono_literals;

constexpr int32_t kSide = 640;  // the sensor's narrowest window keeps frames cheap
constexpr auto kThreadBound = 20s;

class RaceTest : public SessionFixture {
 protected:
  // One camera sending `fps` frames a second (0: one per request), opened by
  // a session with a small readout window and no preview window.
  int32_t OpenCamera(int fps) {
    Hub().SetDefaults(emulator::Pattern::Ramp, fps);
    AddCameras(1);
    const int32_t handle = Open(notices);
    EXPECT_EQ(Velmor_SetPreviewWindow(handle, nullptr, 0, 0, 0, 0), 1);
    EXPECT_EQ(Velmor_SetColorMode(handle, 8), 1);
    EXPECT_EQ(Velmor_SetCaptureWindowEx(handle, 0, (2848 - kSide) / 2, kSide, 0, (2848 - kSide) / 2,
                                        kSide),
              1);
    return handle;
  }

  // Runs `body` on its own thread; Finish() fails the test when it has not
  // ended within the bound.
  template <class Body>
  static std::future<void> Race(Body body) {
    return std::async(std::launch::async, std::move(body));
  }
  static void Finish(std::future<void> &racer, const char *what) {
    ASSERT_EQ(racer.wait_for(kThreadBound), std::future_status::ready)
        << what << " did not end within " << kThreadBound.count() << " s";
    racer.get();
  }
};

TEST_F(RaceTest, ReleaseWaitsForACallInFlightAndLaterCallsSeeAnUnknownHandle) {
  const int32_t handle = OpenCamera(0);
  std::vector<uint8_t> image(std::size_t(kSide) * kSide);
  std::atomic<int32_t> shots{0};
  auto shooter = Race([&] {
    // Shoots until the handle is gone; every shot either delivers or meets
    // an unknown handle, never a half-destroyed session.
    while (Velmor_SnapShot(handle, image.data(), int32_t(image.size()), 1) == 1) ++shots;
  });
  const auto deadline = std::chrono::steady_clock::now() + kThreadBound;
  while (shots.load() < 3 && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  ASSERT_GE(shots.load(), 3) << "the shooter did not get going: code "
                             << Velmor_GetLastError(handle);
  EXPECT_EQ(Velmor_Release(handle), 1);
  Finish(shooter, "the shooter");
  EXPECT_EQ(Velmor_GetLastError(handle), 0);
  EXPECT_EQ(Velmor_Release(handle), 0);
}

TEST_F(RaceTest, TwoReleasesOfOneHandleDestroyItOnce) {
  AddCameras(1);
  for (int round = 0; round < 20; ++round) {
    const int32_t handle = Velmor_Initialize(notices);
    ASSERT_NE(handle, 0);
    std::promise<void> go;
    std::shared_future<void> start = go.get_future().share();
    auto first =
        std::async(std::launch::async, [&] { return start.wait(), Velmor_Release(handle); });
    auto second =
        std::async(std::launch::async, [&] { return start.wait(), Velmor_Release(handle); });
    go.set_value();
    EXPECT_EQ(first.get() + second.get(), 1) << "round " << round;
  }
}

TEST_F(RaceTest, CloseAgainstSnapshotsEndsBoth) {
  const int32_t handle = OpenCamera(0);
  std::vector<uint8_t> image(std::size_t(kSide) * kSide);
  std::atomic<bool> shooting{true};
  auto shooter = Race([&] {
    for (int i = 0; i < 20; ++i) Velmor_SnapShot(handle, image.data(), int32_t(image.size()), 1);
    shooting.store(false);
  });
  auto closer = Race([&] {
    while (shooting.load()) Velmor_Close(handle);
  });
  Finish(shooter, "the shooter");
  Finish(closer, "the closer");
  EXPECT_EQ(Session(handle).state(), kIdle);
  ASSERT_EQ(Velmor_SnapShot(handle, image.data(), int32_t(image.size()), 1), 1)
      << "the session still shoots after the race";
}

TEST_F(RaceTest, StartsAndStopsFromTwoThreadsLeaveOneConsistentState) {
  const int32_t handle = OpenCamera(200);
  Session(handle).SetFrameTarget(frames, nullptr, 0, 0);
  auto starter = Race([&] {
    for (int i = 0; i < 15; ++i) {
      Velmor_StartPreview(handle);
      Velmor_StopPreview(handle);
    }
  });
  auto stopper = Race([&] {
    for (int i = 0; i < 15; ++i) {
      Velmor_StopPreview(handle);
      Velmor_StartPreview(handle);
    }
  });
  Finish(starter, "the starter");
  Finish(stopper, "the stopper");
  EXPECT_EQ(Velmor_StopPreview(handle), 1);
  EXPECT_EQ(Session(handle).state(), kIdle);
  // Frames flow again after the race.
  for (VELMOR_MSG message; Velmor_WaitMessage(frames, &message, 0) == 1;) {
  }
  ASSERT_EQ(Velmor_StartPreview(handle), 1);
  VELMOR_MSG message;
  do message = Next(frames);
  while (message.lParam != 0 && !HasFailure());
  EXPECT_EQ(message.message, VELMOR_WM_FRAME);
  EXPECT_EQ(Velmor_StopPreview(handle), 1);
}

TEST_F(RaceTest, AStopEndsALongWaitTimeAtOnce) {
  const int32_t handle = OpenCamera(200);
  ASSERT_EQ(Velmor_SetWaitTime(handle, 60000), 1);
  ASSERT_EQ(Velmor_StartPreview(handle), 1);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Velmor_StopPreview(handle), 1);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2s) << "the stop waited out the wait time";
}

TEST_F(RaceTest, SettersRaceTheAcquisitionThreadAndTheColourModeWaitsForAPreparation) {
  const int32_t handle = OpenCamera(200);
  ASSERT_EQ(Velmor_SetColorMode(handle, 8), 1);
  Session(handle).SetFrameTarget(frames, nullptr, 0, 0);
  ASSERT_EQ(Velmor_StartPreview(handle), 1);
  Next(frames);
  auto setter = Race([&] {
    for (int i = 0; i < 200; ++i) {
      Velmor_SetColorMode(handle, i % 2 ? 16 : 8);
      Velmor_SetMirrorH(handle, i % 2);
      Velmor_SetMirrorV(handle, i % 3 == 0);
      Velmor_SetSubSample(handle, i % 2);
      Velmor_SetAutoIris(handle, i % 3);
      Velmor_SetWaitTime(handle, i % 5);
    }
  });
  auto getter = Race([&] {
    for (int i = 0; i < 200; ++i) {
      Velmor_GetColorMode(handle);
      Velmor_GetMirrorH(handle);
      Velmor_GetSubSample(handle);
      int32_t iris = 0;
      Velmor_GetAutoIris(handle, &iris);
      Velmor_GetWaitTime(handle);
    }
  });
  Finish(setter, "the setter");
  Finish(getter, "the getter");
  ASSERT_EQ(Velmor_SetColorMode(handle, 16), 1);
  ASSERT_EQ(Velmor_SetSubSample(handle, 0), 1);
  for (VELMOR_MSG message; Velmor_WaitMessage(frames, &message, 0) == 1;) {
  }
  Next(frames);
  EXPECT_EQ(Velmor_StopPreview(handle), 1);
  EXPECT_EQ(Session(handle).frameRecord().bitsPerPixel, 8)
      << "the frames keep the colour mode they were prepared for";
  EXPECT_EQ(Velmor_GetColorMode(handle), 16);
  std::vector<uint8_t> image(std::size_t(kSide) * kSide * 2);
  ASSERT_EQ(Velmor_SnapShot(handle, image.data(), int32_t(image.size()), 1), 1);
  EXPECT_EQ(Session(handle).CurrentImage()->bitsPerPixel(), 16)
      << "the next preparation takes it over";
}

}  // namespace
}  // namespace velmor
