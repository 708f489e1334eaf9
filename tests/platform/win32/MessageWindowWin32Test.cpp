// Message windows are real Win32 windows: hosts post to them with plain
// PostMessageA, and their messages belong to the creating thread.
#include <gtest/gtest.h>
#include <windows.h>

#include <thread>

#include "platform/Messages.h"
#include "velmor/velmor.h"

namespace velmor::platform {
namespace {

TEST(MessageWindowWin32, IsAMessageOnlyWindowThatPlainPostMessageReaches) {
  VELMOR_HWND window = Velmor_CreateMessageWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(IsWindow(window));
  EXPECT_EQ(FindWindowExA(HWND_MESSAGE, nullptr, "VelmorMessageWindow", nullptr), window);
  ASSERT_TRUE(PostMessageA(window, VELMOR_WM_ERROR, 0, 12));
  VELMOR_MSG message{};
  ASSERT_EQ(Velmor_WaitMessage(window, &message, 0), 1);
  EXPECT_EQ(message.message, VELMOR_WM_ERROR);
  EXPECT_EQ(message.lParam, 12);
  Velmor_DestroyMessageWindow(window);
  EXPECT_FALSE(IsWindow(window));
}

TEST(MessageWindowWin32, OnlyTheCreatingThreadWaitsOnIt) {
  VELMOR_HWND window = Velmor_CreateMessageWindow();
  ASSERT_TRUE(post_message(window, VELMOR_WM_FRAME, 1, 0));
  int32_t otherThread = -1;
  std::thread([&] {
    VELMOR_MSG message{};
    otherThread = Velmor_WaitMessage(window, &message, 10000);
  }).join();
  EXPECT_EQ(otherThread, 0);
  VELMOR_MSG message{};
  ASSERT_EQ(Velmor_WaitMessage(window, &message, 0), 1);
  EXPECT_EQ(message.wParam, 1u);
  Velmor_DestroyMessageWindow(window);
}

TEST(MessageWindowWin32, HostWindowsTakePostsButAreNotWaitedOn) {
  HWND host =
      CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_NE(host, nullptr);
  EXPECT_TRUE(post_message(host, VELMOR_WM_ERROR, 0, 4));
  VELMOR_MSG message{};
  EXPECT_EQ(Velmor_WaitMessage(host, &message, 0), 0);
  Velmor_DestroyMessageWindow(host);
  EXPECT_TRUE(IsWindow(host)) << "a host window was destroyed";
  MSG posted{};
  ASSERT_TRUE(PeekMessageA(&posted, host, 0, 0, PM_REMOVE));
  EXPECT_EQ(posted.message, VELMOR_WM_ERROR);
  EXPECT_EQ(posted.lParam, 4);
  DestroyWindow(host);
}

}  // namespace
}  // namespace velmor::platform
