// The session's error history and its notification messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "api/SdkChain.h"
#include "session/Velmor.h"
#include "velmor/velmor.h"

namespace velmor {
namespace {

// A session on a handle, released at the end; session() is the test seam
// that reaches the recording operations directly.
class SessionFixture {
 public:
  explicit SessionFixture(VELMOR_HWND window = nullptr) : handle(Velmor_Initialize(window)) {}
  ~SessionFixture() { Velmor_Release(handle); }
  CVelmor &session() const { return *SdkChain().SessionOf(handle); }
  const int32_t handle;
};

class MessageWindow {
 public:
  MessageWindow() : window(Velmor_CreateMessageWindow()) {}
  ~MessageWindow() { Velmor_DestroyMessageWindow(window); }
  const VELMOR_HWND window;

  std::vector<VELMOR_MSG> Drain() const {
    std::vector<VELMOR_MSG> messages;
    VELMOR_MSG message;
    while (Velmor_WaitMessage(window, &message, 0)) messages.push_back(message);
    return messages;
  }
};

TEST(ErrorHistory, FreshSessionHasNoErrors) {
  SessionFixture fixture;
  EXPECT_EQ(Velmor_GetLastError(fixture.handle), 0);
}

TEST(ErrorHistory, KeepsTheTwentyNewestNewestFirstThenZero) {
  SessionFixture fixture;
  for (int32_t code = 1; code <= 21; ++code) fixture.session().ReportError(code);
  for (int32_t code = 21; code >= 2; --code) EXPECT_EQ(Velmor_GetLastError(fixture.handle), code);
  EXPECT_EQ(Velmor_GetLastError(fixture.handle), 0);
  EXPECT_EQ(Velmor_GetLastError(fixture.handle), 0);
}

TEST(ErrorHistory, SuccessMarkersSitBetweenFailures) {
  SessionFixture fixture;
  fixture.session().ReportError(6);
  fixture.session().ReportError(0);
  fixture.session().ReportError(9);
  EXPECT_EQ(Velmor_GetLastError(fixture.handle), 9);
  EXPECT_EQ(Velmor_GetLastError(fixture.handle), 0);
  EXPECT_EQ(Velmor_GetLastError(fixture.handle), 6);
}

TEST(ErrorNotification, EveryRecordedCodeIsPostedWithWParamZero) {
  MessageWindow host;
  SessionFixture fixture(host.window);
  fixture.session().ReportError(VELMOR_ERROR_DEVICE);
  fixture.session().ReportError(VELMOR_ERROR_NONE);
  const auto messages = host.Drain();
  ASSERT_EQ(messages.size(), 2u);
  for (const auto &message : messages) {
    EXPECT_EQ(message.message, VELMOR_WM_ERROR);
    EXPECT_EQ(message.wParam, 0u);
  }
  EXPECT_EQ(messages[0].lParam, VELMOR_ERROR_DEVICE);
  EXPECT_EQ(messages[1].lParam, VELMOR_ERROR_NONE);
}

TEST(ErrorNotification, NullWindowRecordsButPostsNothing) {
  MessageWindow bystander;
  SessionFixture fixture;
  fixture.session().ReportError(VELMOR_ERROR_FRAME);
  fixture.session().PostErrorOnly(VELMOR_ERROR_ARGUMENT);
  EXPECT_TRUE(bystander.Drain().empty());
  EXPECT_EQ(Velmor_GetLastError(fixture.handle), VELMOR_ERROR_FRAME);
  EXPECT_EQ(Velmor_GetLastError(fixture.handle), 0);
}

TEST(ErrorNotification, PostOnlyReportsLeaveTheHistoryAlone) {
  MessageWindow host;
  SessionFixture fixture(host.window);
  fixture.session().PostErrorOnly(VELMOR_ERROR_NOT_SUPPORTED);
  const auto messages = host.Drain();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].message, VELMOR_WM_ERROR);
  EXPECT_EQ(messages[0].lParam, VELMOR_ERROR_NOT_SUPPORTED);
  EXPECT_EQ(Velmor_GetLastError(fixture.handle), 0);
}

TEST(ErrorNotification, DestroyedWindowIsIgnoredAndTheCodeStaysRecorded) {
  VELMOR_HWND window = Velmor_CreateMessageWindow();
  SessionFixture fixture(window);
  Velmor_DestroyMessageWindow(window);
  fixture.session().ReportError(VELMOR_ERROR_MEMORY);
  EXPECT_EQ(Velmor_GetLastError(fixture.handle), VELMOR_ERROR_MEMORY);
}

// Each thread reports one unique code and then pops one, so at most eight
// codes are outstanding and none may be pushed out of the history: every
// code reported must be popped exactly once, and posted exactly once.
TEST(ErrorHistory, ConcurrentReportsAndPopsLoseAndDuplicateNothing) {
  MessageWindow host;
  SessionFixture fixture(host.window);
  constexpr int kThreads = 8;
  constexpr int kRounds = 500;
  std::vector<std::vector<int32_t>> popped(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kRounds; ++i) {
        fixture.session().ReportError(1 + t * kRounds + i);
        popped[t].push_back(Velmor_GetLastError(fixture.handle));
      }
    });
  }
  for (auto &thread : threads) thread.join();

  std::vector<int32_t> all;
  for (const auto &codes : popped) all.insert(all.end(), codes.begin(), codes.end());
  std::sort(all.begin(), all.end());
  std::vector<int32_t> expected(kThreads * kRounds);
  for (std::size_t i = 0; i < expected.size(); ++i) expected[i] = static_cast<int32_t>(i) + 1;
  EXPECT_EQ(all, expected);
  EXPECT_EQ(Velmor_GetLastError(fixture.handle), 0);

  std::vector<int32_t> posted;
  for (const auto &message : host.Drain()) posted.push_back(static_cast<int32_t>(message.lParam));
  std::sort(posted.begin(), posted.end());
  EXPECT_EQ(posted, expected);
}

}  // namespace
}  // namespace velmor
