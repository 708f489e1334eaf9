#include "session/FrameCallback.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

#include "session/ErrorText.h"
#include "session/FrameStatistics.h"

namespace velmor {
namespace {

using namespace std::chrono_literals;

// A callback that holds its call open until the test lets it go.
struct Gate {
  std::mutex lock;
  std::condition_variable changed;
  bool entered = false, release = false;
  int calls = 0;
};

void HoldUntilReleased(int32_t, const VELMOR_FRAME_INFO *, void *user) {
  auto *gate = static_cast<Gate *>(user);
  std::unique_lock<std::mutex> hold(gate->lock);
  gate->entered = true;
  ++gate->calls;
  gate->changed.notify_all();
  gate->changed.wait(hold, [&] { return gate->release; });
}

TEST(FrameCallbackTest, ClearingWaitsForTheRunningCallToReturn) {
  FrameCallback slot;
  Gate gate;
  slot.Set(7, HoldUntilReleased, &gate);
  std::thread acquisition([&] { slot.Deliver(VELMOR_FRAME_INFO{}); });
  {
    std::unique_lock<std::mutex> hold(gate.lock);
    ASSERT_TRUE(gate.changed.wait_for(hold, 10s, [&] { return gate.entered; }))
        << "the callback never ran";
  }
  auto cleared = std::async(std::launch::async, [&] { slot.Set(7, nullptr, nullptr); });
  EXPECT_EQ(cleared.wait_for(50ms), std::future_status::timeout)
      << "the clear returned while the callback still ran";
  {
    std::lock_guard<std::mutex> hold(gate.lock);
    gate.release = true;
  }
  gate.changed.notify_all();
  ASSERT_EQ(cleared.wait_for(10s), std::future_status::ready) << "the clear never returned";
  acquisition.join();
  slot.Deliver(VELMOR_FRAME_INFO{});
  EXPECT_EQ(gate.calls, 1) << "a cleared callback was called";
}

struct Inside {
  FrameCallback *slot;
  bool insideDuringCall = false;
  int32_t handle = 0;
  uint64_t frameNumber = 0;
};

void ClearFromInside(int32_t handle, const VELMOR_FRAME_INFO *frame, void *user) {
  auto *inside = static_cast<Inside *>(user);
  inside->insideDuringCall = inside->slot->InsideCall();
  inside->handle = handle;
  inside->frameNumber = frame->frameNumber;
  // Must not wait for itself.
  inside->slot->Set(3, nullptr, nullptr);
}

TEST(FrameCallbackTest, TheCallbackMayClearItselfAndKnowsItIsInside) {
  FrameCallback slot;
  Inside inside{&slot};
  slot.Set(3, ClearFromInside, &inside);
  VELMOR_FRAME_INFO frame{};
  frame.frameNumber = 42;
  slot.Deliver(frame);
  EXPECT_TRUE(inside.insideDuringCall);
  EXPECT_EQ(inside.handle, 3);
  EXPECT_EQ(inside.frameNumber, 42u);
  EXPECT_FALSE(slot.InsideCall());
}

TEST(FrameStatisticsTest, FailuresAddUpAndAnOldHostsSmallerRecordGetsWhatFits) {
  FrameStatistics counts;
  counts.CountDelivered();
  counts.CountDelivered();
  counts.CountTimeout();
  const TransferCounts engine{2, 3, 4};
  VELMOR_STATISTICS full{};
  full.size = sizeof full;
  ASSERT_TRUE(counts.Fill(full, engine, 12.5));
  EXPECT_EQ(full.framesDelivered, 2u);
  EXPECT_EQ(full.framesFailed, 6u);
  EXPECT_EQ(full.framesBehind, 4u);
  EXPECT_EQ(full.fps, 12.5);

  VELMOR_STATISTICS old{};
  old.size = offsetof(VELMOR_STATISTICS, headerFailures);
  old.payloadFailures = 99;
  ASSERT_TRUE(counts.Fill(old, engine, 12.5));
  EXPECT_EQ(old.framesFailed, 6u);
  EXPECT_EQ(old.payloadFailures, 99u) << "a field past the host's size was written";

  VELMOR_STATISTICS tiny{};
  tiny.size = 4;
  EXPECT_FALSE(counts.Fill(tiny, TransferCounts{}, 0));
}

TEST(ErrorTextTest, EveryCodeHasItsOwnTextAndOthersSayUnknown) {
  for (int32_t code = 0; code <= 14; ++code) {
    EXPECT_STRNE(ErrorText(code), "unknown error code") << code;
    if (code > 0) {
      EXPECT_STRNE(ErrorText(code), ErrorText(code - 1)) << code;
    }
  }
  EXPECT_STREQ(ErrorText(15), "unknown error code");
  EXPECT_STREQ(ErrorText(-1), "unknown error code");
}

}  // namespace
}  // namespace velmor
