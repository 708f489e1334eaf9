// The frame callback and the statistics through the exports, against an
// emulated camera: what the callback sees, what it may call from inside,
// and the counts of frames lost to the camera's injected faults.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "SessionFixture.h"
#include "transport/VelmorCy3Cam.h"

namespace velmor {
namespace {

using namespace std::chrono_literals;

constexpr int32_t kSide = 640;
constexpr auto kBound = 10s;

// What the callback saw, shared with the test thread.
struct Seen {
  std::mutex lock;
  std::condition_variable changed;
  std::vector<VELMOR_FRAME_INFO> frames;
  std::vector<uint8_t> lastPixels;
  // Set by the callbacks that call back into the library.
  int32_t releaseAnswer = -1, releaseError = -1, stopAnswer = -1;
  int32_t stopAtFrame = 0;
  std::chrono::milliseconds delay{0};

  // Waits until `done` holds; false after the bound.
  template <class Done>
  bool WaitFor(Done done) {
    std::unique_lock<std::mutex> hold(lock);
    return changed.wait_for(hold, kBound, [&] { return done(*this); });
  }
};

void Record(const VELMOR_FRAME_INFO *frame, Seen &seen) {
  std::lock_guard<std::mutex> hold(seen.lock);
  seen.frames.push_back(*frame);
  const auto *first = static_cast<const uint8_t *>(frame->pixels);
  seen.lastPixels.assign(first, first + std::size_t(frame->stride) * frame->height);
  seen.changed.notify_all();
}

void Collect(int32_t, const VELMOR_FRAME_INFO *frame, void *user) {
  auto &seen = *static_cast<Seen *>(user);
  Record(frame, seen);
  // A host slower than the camera.
  std::this_thread::sleep_for(seen.delay);
}

void ReleaseThenStop(int32_t handle, const VELMOR_FRAME_INFO *frame, void *user) {
  auto &seen = *static_cast<Seen *>(user);
  if (int32_t(frame->frameNumber) == seen.stopAtFrame) {
    const int32_t released = Velmor_Release(handle);
    const int32_t error = Velmor_GetLastError(handle);
    const int32_t stopped = Velmor_StopPreview(handle);
    std::lock_guard<std::mutex> hold(seen.lock);
    seen.releaseAnswer = released;
    seen.releaseError = error;
    seen.stopAnswer = stopped;
  }
  Record(frame, seen);
}

// On the first frame, waits until a stop on another thread is under way (it
// holds the session's control lock then and waits for this thread), and
// calls a setter that takes that lock.
struct DuringStop {
  CVelmor *session;
  std::atomic<bool> entered{false};
  std::atomic<int32_t> answer{-1};
};

void SetWindowDuringStop(int32_t handle, const VELMOR_FRAME_INFO *, void *user) {
  auto &during = *static_cast<DuringStop *>(user);
  if (during.entered.exchange(true)) return;
  const auto deadline = std::chrono::steady_clock::now() + kBound;
  while (during.session->Acquiring() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::yield();
  }
  during.answer = Velmor_SetCaptureWindowEx(handle, 0, (2848 - kSide) / 2, kSide, 0,
                                            (2848 - kSide) / 2, kSide);
}

class FrameCallbackExportsTest : public SessionFixture {
 protected:
  // One camera at `fps` (-1: its own rate) with a small readout window and
  // no preview window.
  int32_t OpenSmall(int32_t bits, int fps = -1) {
    const int32_t handle = OpenCamera(bits, fps);
    EXPECT_EQ(Velmor_SetCaptureWindowEx(handle, 0, (2848 - kSide) / 2, kSide, 0, (2848 - kSide) / 2,
                                        kSide),
              1);
    return handle;
  }
  static VELMOR_STATISTICS Statistics(int32_t handle) {
    VELMOR_STATISTICS counts{};
    counts.size = sizeof counts;
    EXPECT_EQ(Velmor_GetStatistics(handle, &counts), 1);
    return counts;
  }
};

TEST_F(FrameCallbackExportsTest, FramesArriveInOrderDescribedAndAsTheHostImage) {
  for (const int32_t bits : {8, 16}) {
    SCOPED_TRACE(bits);
    Hub().Clear();
    const int32_t handle = OpenSmall(bits);
    Seen seen;
    ASSERT_EQ(Velmor_SetFrameCallback(handle, Collect, &seen), 1);
    ASSERT_EQ(Velmor_CallBackPreview(handle, nullptr, nullptr, 0, 1), 1);
    ASSERT_TRUE(seen.WaitFor([](Seen &s) { return s.frames.size() >= 4; }))
        << "fewer than 4 frames within " << kBound.count() << " s";
    ASSERT_EQ(Velmor_StopPreview(handle), 1);
    const std::size_t count = seen.frames.size();

    const int32_t stride = (kSide * bits / 8 + 3) / 4 * 4;
    for (std::size_t i = 0; i < count; ++i) {
      const VELMOR_FRAME_INFO &frame = seen.frames[i];
      EXPECT_EQ(frame.size, sizeof(VELMOR_FRAME_INFO));
      EXPECT_EQ(frame.width, kSide);
      EXPECT_EQ(frame.height, kSide);
      EXPECT_EQ(frame.stride, stride);
      EXPECT_EQ(frame.bitsPerPixel, bits);
      EXPECT_EQ(frame.frameNumber, i + 1) << "frames in order, from 1";
      if (i > 0) {
        EXPECT_GE(frame.timestampNs, seen.frames[i - 1].timestampNs);
      }
    }
    // The last frame the callback saw is the image the host gets.
    std::vector<uint8_t> host(std::size_t(stride) * kSide);
    ASSERT_EQ(Velmor_GetImage(handle, host.data(), int32_t(host.size()), 1), 1);
    EXPECT_TRUE(host == seen.lastPixels);
    if (bits == 16) {
      std::vector<uint16_t> samples(host.size() / 2);
      std::memcpy(samples.data(), host.data(), host.size());
      for (const uint16_t sample : samples) ASSERT_LE(sample, 4095) << "12-bit samples";
    }
    // A stopped session calls nothing more.
    Velmor_SetFrameCallback(handle, nullptr, nullptr);
    EXPECT_EQ(seen.frames.size(), count);
    Velmor_Release(handle);
  }
}

TEST_F(FrameCallbackExportsTest, InsideTheCallbackReleaseIsRefusedAndStopIsAccepted) {
  const int32_t handle = OpenSmall(8);
  Seen seen;
  seen.stopAtFrame = 2;
  ASSERT_EQ(Velmor_SetFrameCallback(handle, ReleaseThenStop, &seen), 1);
  ASSERT_EQ(Velmor_CallBackPreview(handle, nullptr, nullptr, 0, 1), 1);
  ASSERT_TRUE(seen.WaitFor([](Seen &s) { return s.stopAnswer != -1; }))
      << "the callback never reached frame 2";
  EXPECT_EQ(seen.releaseAnswer, 0) << "a release from inside the callback must be refused";
  EXPECT_EQ(seen.releaseError, VELMOR_ERROR_NO_CAMERA);
  EXPECT_EQ(seen.stopAnswer, 1) << "a stop from inside the callback must be accepted";
  // The acquisition ends once the callback has returned: a start finds an
  // idle session, and the handle still works.
  const auto deadline = std::chrono::steady_clock::now() + kBound;
  while (Velmor_StopPreview(handle) != 1 && std::chrono::steady_clock::now() < deadline) {
  }
  EXPECT_EQ(Velmor_SetFrameCallback(handle, nullptr, nullptr), 1);
  EXPECT_EQ(seen.frames.size(), 2u) << "no frame after the stop from inside";
  EXPECT_EQ(Velmor_StartPreview(handle), 1) << Velmor_GetLastError(handle);
  EXPECT_EQ(Velmor_StopPreview(handle), 1);
}

TEST_F(FrameCallbackExportsTest, ASetterInsideTheCallbackNeverDeadlocksAStopOnAnotherThread) {
  const int32_t handle = OpenSmall(8);
  DuringStop during{&Session(handle)};
  ASSERT_EQ(Velmor_SetFrameCallback(handle, SetWindowDuringStop, &during), 1);
  ASSERT_EQ(Velmor_CallBackPreview(handle, nullptr, nullptr, 0, 1), 1);
  const auto deadline = std::chrono::steady_clock::now() + kBound;
  while (!during.entered && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::yield();
  }
  ASSERT_TRUE(during.entered) << "no frame reached the callback";
  auto stop = std::async(std::launch::async, [&] { return Velmor_StopPreview(handle); });
  ASSERT_EQ(stop.wait_for(kBound), std::future_status::ready)
      << "the stop and the callback's setter wait for each other";
  EXPECT_EQ(stop.get(), 1);
  EXPECT_EQ(during.answer, 0) << "the setter is refused while the stop waits for the callback";
  EXPECT_EQ(Errors(handle), std::vector<int32_t>{VELMOR_ERROR_NO_CAMERA});
}

TEST_F(FrameCallbackExportsTest, StatisticsCountTheFaultsTheCameraWasGiven) {
  const int32_t handle = OpenSmall(8);
  // One header read per frame attempt, so each dropped header is a failure.
  SdkChain().SessionOf(handle)->engine()->controller()->SetHeaderAttempts(1);
  Seen seen;
  ASSERT_EQ(Velmor_SetFrameCallback(handle, Collect, &seen), 1);
  ASSERT_EQ(Velmor_CallBackPreview(handle, nullptr, nullptr, 0, 1), 1);
  ASSERT_TRUE(seen.WaitFor([](Seen &s) { return !s.frames.empty(); })) << "no first frame";
  ASSERT_EQ(Velmor_EmulatorSet(0, "drop_headers", 2), 1);
  ASSERT_TRUE(seen.WaitFor([](Seen &s) { return s.frames.size() >= 3; })) << "no frame after the drops";
  std::size_t before = 0;
  ASSERT_TRUE(seen.WaitFor([&](Seen &s) { return (before = s.frames.size()) != 0; }));
  ASSERT_EQ(Velmor_EmulatorSet(0, "fail_payload", 2), 1);
  ASSERT_TRUE(seen.WaitFor([&](Seen &s) { return s.frames.size() >= before + 2; }))
      << "no frame after the failed payloads; errors " << testing::PrintToString(Errors(handle));
  ASSERT_EQ(Velmor_StopPreview(handle), 1);

  const VELMOR_STATISTICS counts = Statistics(handle);
  EXPECT_EQ(counts.headerFailures, 2u);
  EXPECT_EQ(counts.payloadFailures, 2u);
  EXPECT_EQ(counts.framesFailed, counts.headerFailures + counts.payloadFailures + counts.timeouts);
  EXPECT_EQ(counts.framesDelivered, seen.frames.size());
}

TEST_F(FrameCallbackExportsTest, AStalledCameraCountsTimeOutsAndTheStopStaysBounded) {
  const int32_t handle = OpenSmall(8);
  Seen seen;
  ASSERT_EQ(Velmor_SetFrameCallback(handle, Collect, &seen), 1);
  ASSERT_EQ(Velmor_CallBackPreview(handle, nullptr, nullptr, 0, 1), 1);
  ASSERT_TRUE(seen.WaitFor([](Seen &s) { return !s.frames.empty(); })) << "no first frame";
  ASSERT_EQ(Velmor_EmulatorSet(0, "stall", 1), 1);
  // The preview waits 3 s for a frame before it counts a time-out.
  const auto deadline = std::chrono::steady_clock::now() + kBound;
  VELMOR_STATISTICS counts{};
  do {
    counts = Statistics(handle);
  } while (counts.timeouts == 0 && std::chrono::steady_clock::now() < deadline);
  const auto stopping = std::chrono::steady_clock::now();
  ASSERT_EQ(Velmor_StopPreview(handle), 1);
  EXPECT_LT(std::chrono::steady_clock::now() - stopping, 5s) << "the stop waited out the stall";
  EXPECT_GE(counts.timeouts, 1u) << "no time-out counted within " << kBound.count() << " s";
  EXPECT_EQ(counts.framesFailed, counts.headerFailures + counts.payloadFailures + counts.timeouts);
}

TEST_F(FrameCallbackExportsTest, ASlowCallbackCountsTheFramesItFellBehindOn) {
  const int32_t handle = OpenSmall(8, 100);
  Seen seen;
  seen.delay = 50ms;  // five frame periods of the camera
  ASSERT_EQ(Velmor_SetFrameCallback(handle, Collect, &seen), 1);
  ASSERT_EQ(Velmor_CallBackPreview(handle, nullptr, nullptr, 0, 1), 1);
  const auto deadline = std::chrono::steady_clock::now() + kBound;
  VELMOR_STATISTICS counts{};
  do {
    counts = Statistics(handle);
  } while (counts.framesBehind == 0 && std::chrono::steady_clock::now() < deadline);
  ASSERT_EQ(Velmor_StopPreview(handle), 1);
  EXPECT_GT(counts.framesBehind, 0u) << "no frame counted behind a callback slower than the camera";
  EXPECT_EQ(Statistics(handle).framesFailed, 0u) << "frames behind are no failures";
}

TEST_F(FrameCallbackExportsTest, StatisticsRecordsAndErrorTextsThroughTheExports) {
  const int32_t handle = OpenSmall(8);
  EXPECT_EQ(Velmor_GetStatistics(handle, nullptr), 0);
  VELMOR_STATISTICS tiny{};
  tiny.size = 4;
  EXPECT_EQ(Velmor_GetStatistics(handle, &tiny), 0);
  EXPECT_EQ(Errors(handle), (std::vector<int32_t>{VELMOR_ERROR_ARGUMENT, VELMOR_ERROR_ARGUMENT}));
  EXPECT_EQ(Velmor_GetStatistics(0, &tiny), 0) << "unknown handle";
  EXPECT_EQ(Velmor_SetFrameCallback(0, Collect, nullptr), 0) << "unknown handle";
  EXPECT_STREQ(Velmor_GetErrorText(0), "no error");
  EXPECT_STREQ(Velmor_GetErrorText(VELMOR_ERROR_ARGUMENT), "invalid argument");
  EXPECT_STREQ(Velmor_GetErrorText(-7), "unknown error code");
}

}  // namespace
}  // namespace velmor
