// Message windows: posting never blocks, queues are bounded, waits end.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "platform/Messages.h"
#include "velmor/velmor.h"

namespace velmor::platform {
namespace {

using Clock = std::chrono::steady_clock;

TEST(MessageWindow, DeliversInOrderWithTheirParameters) {
  VELMOR_HWND window = Velmor_CreateMessageWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(post_message(window, VELMOR_WM_FRAME, 0x1234, 0));
  EXPECT_TRUE(post_message(window, VELMOR_WM_ERROR, 0, -7));
  VELMOR_MSG message{};
  ASSERT_EQ(Velmor_WaitMessage(window, &message, 0), 1);
  EXPECT_EQ(message.message, VELMOR_WM_FRAME);
  EXPECT_EQ(message.wParam, 0x1234u);
  ASSERT_EQ(Velmor_WaitMessage(window, &message, 0), 1);
  EXPECT_EQ(message.lParam, -7);
  EXPECT_EQ(Velmor_WaitMessage(window, &message, 0), 0);
  Velmor_DestroyMessageWindow(window);
}

TEST(MessageWindow, TimedWaitsAreBounded) {
  VELMOR_HWND window = Velmor_CreateMessageWindow();
  VELMOR_MSG message{};
  const auto start = Clock::now();
  EXPECT_EQ(Velmor_WaitMessage(window, &message, 50), 0);
  const auto waited = Clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(45));
  EXPECT_LT(waited, std::chrono::seconds(5));
  Velmor_DestroyMessageWindow(window);
}

TEST(MessageWindow, AnUnlimitedWaitEndsWhenAMessageArrives) {
  VELMOR_HWND window = Velmor_CreateMessageWindow();
  std::thread poster([window] { post_message(window, VELMOR_WM_ERROR, 0, 3); });
  VELMOR_MSG message{};
  EXPECT_EQ(Velmor_WaitMessage(window, &message, -1), 1);
  EXPECT_EQ(message.lParam, 3);
  poster.join();
  Velmor_DestroyMessageWindow(window);
}

TEST(MessageWindow, DestroyingReleasesTheWaiterAndForgetsTheWindow) {
  // The waiter is the window's creating thread, the one thread that may wait
  // on it on every platform; another thread destroys the window. Destroying
  // must wake the waiter whether it is already waiting or not.
  std::promise<VELMOR_HWND> created;
  int32_t result = -1;
  Clock::duration waited{};
  std::thread waiter([&] {
    VELMOR_HWND own = Velmor_CreateMessageWindow();
    created.set_value(own);
    VELMOR_MSG message{};
    const auto start = Clock::now();
    result = Velmor_WaitMessage(own, &message, 60000);
    waited = Clock::now() - start;
  });
  VELMOR_HWND window = created.get_future().get();
  Velmor_DestroyMessageWindow(window);
  waiter.join();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(result, 0);
  EXPECT_LT(waited, std::chrono::seconds(30)) << "destroying did not release the waiter";
  EXPECT_FALSE(post_message(window, VELMOR_WM_ERROR, 0, 1));
  Velmor_DestroyMessageWindow(window);  // a second destroy is ignored
}

TEST(MessageWindow, QueueHoldsTenThousandThenDropsQuietly) {
  VELMOR_HWND window = Velmor_CreateMessageWindow();
  for (std::size_t i = 0; i < kMessageQueueLimit; ++i)
    ASSERT_TRUE(post_message(window, VELMOR_WM_FRAME, i, 0));
  EXPECT_FALSE(post_message(window, VELMOR_WM_FRAME, 0, 0));
  VELMOR_MSG message{};
  ASSERT_EQ(Velmor_WaitMessage(window, &message, 0), 1);
  EXPECT_EQ(message.wParam, 0u);
  EXPECT_TRUE(post_message(window, VELMOR_WM_FRAME, 0, 0));
  Velmor_DestroyMessageWindow(window);
}

TEST(MessageWindow, NullAndUnknownWindowsAndNullOutputFailQuietly) {
  VELMOR_MSG message{};
  EXPECT_FALSE(post_message(nullptr, VELMOR_WM_ERROR, 0, 1));
  EXPECT_FALSE(post_message(reinterpret_cast<VELMOR_HWND>(0x7), VELMOR_WM_ERROR, 0, 1));
  EXPECT_EQ(Velmor_WaitMessage(nullptr, &message, 0), 0);
  EXPECT_EQ(Velmor_WaitMessage(reinterpret_cast<VELMOR_HWND>(0x7), &message, 10), 0);
  VELMOR_HWND window = Velmor_CreateMessageWindow();
  post_message(window, VELMOR_WM_ERROR, 0, 1);
  EXPECT_EQ(Velmor_WaitMessage(window, nullptr, 0), 0);
  Velmor_DestroyMessageWindow(nullptr);
  Velmor_DestroyMessageWindow(window);
}

}  // namespace
}  // namespace velmor::platform
