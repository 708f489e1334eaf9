// The handle registry: the ring, handle creation and release, and the call
// frame's unknown-handle values.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <vector>

#include "api/SdkChain.h"
#include "session/Velmor.h"
#include "velmor/velmor.h"

namespace velmor {
namespace {

// Drives the ring on its own, with keys only.
class RingTest : public ::testing::Test {
 protected:
  CTRing<CSDKDATA> ring;

  void Add(int32_t key) { ASSERT_TRUE(ring.AddNode(CSDKDATA{key, nullptr, nullptr, nullptr})); }

  std::vector<int32_t> KeysFromHead() const {
    std::vector<int32_t> keys;
    const CSDKDATA *node = ring.head();
    for (int32_t i = 0; node && i < ring.count(); ++i, node = node->next) keys.push_back(node->key);
    return keys;
  }
};

TEST_F(RingTest, NewestNodeBecomesHeadAndSingleNodeLinksToItself) {
  Add(1);
  EXPECT_EQ(ring.head()->next, ring.head());
  EXPECT_EQ(ring.head()->prev, ring.head());
  Add(2);
  Add(3);
  EXPECT_EQ(ring.count(), 3);
  EXPECT_EQ(KeysFromHead(), (std::vector<int32_t>{3, 2, 1}));
  EXPECT_EQ(ring.head()->prev->key, 1);
}

TEST_F(RingTest, FindRotatesHeadWithoutReorderingAndMissLandsOnFormerTail) {
  for (int32_t key : {1, 2, 3, 4}) Add(key);  // ring from head: 4 3 2 1
  EXPECT_EQ(ring.FindNode(2), 1);
  EXPECT_EQ(KeysFromHead(), (std::vector<int32_t>{2, 1, 4, 3}));
  EXPECT_EQ(ring.FindNode(99), 0);
  EXPECT_EQ(ring.head()->key, 3);  // the tail before the search
  EXPECT_EQ(KeysFromHead(), (std::vector<int32_t>{3, 2, 1, 4}));
}

TEST_F(RingTest, RemoveHeadUnlinksUntilEmpty) {
  EXPECT_EQ(ring.RemoveHead(), 0);
  for (int32_t key : {1, 2, 3}) Add(key);
  EXPECT_EQ(ring.RemoveHead(), 1);
  EXPECT_EQ(KeysFromHead(), (std::vector<int32_t>{2, 1}));
  EXPECT_EQ(ring.head()->prev->next, ring.head());
  ring.RemoveAll();
  EXPECT_EQ(ring.count(), 0);
  EXPECT_EQ(ring.head(), nullptr);
  EXPECT_EQ(ring.FindNode(1), 0);
}

TEST(HandleRegistry, TwoSessionsAlternateAndTheHeadFollowsTheLastLookup) {
  const int32_t before = SdkChain().Count();
  const int32_t first = Velmor_Initialize(nullptr);
  const int32_t second = Velmor_Initialize(nullptr);
  ASSERT_NE(first, 0);
  ASSERT_NE(second, 0);
  ASSERT_NE(first, second);
  EXPECT_EQ(SdkChain().Count(), before + 2);
  for (int round = 0; round < 3; ++round) {
    EXPECT_EQ(Velmor_GetLastError(first), 0);
    EXPECT_EQ(SdkChain().head()->key, first);
    EXPECT_EQ(Velmor_GetLastError(second), 0);
    EXPECT_EQ(SdkChain().head()->key, second);
  }
  EXPECT_EQ(Velmor_Release(first), 1);
  EXPECT_EQ(Velmor_Release(second), 1);
  EXPECT_EQ(SdkChain().Count(), before);
}

TEST(HandleRegistry, ReleasingTwiceAndReleasingTheOnlyHandle) {
  ASSERT_EQ(SdkChain().Count(), 0) << "another test leaked a handle";
  const int32_t handle = Velmor_Initialize(nullptr);
  ASSERT_NE(handle, 0);
  EXPECT_EQ(SdkChain().Count(), 1);
  EXPECT_EQ(Velmor_Release(handle), 1);
  EXPECT_EQ(SdkChain().Count(), 0);
  EXPECT_EQ(SdkChain().head(), nullptr);
  EXPECT_EQ(SdkChain().LookupSession(handle), nullptr);
  EXPECT_EQ(Velmor_Release(handle), 0);
  EXPECT_EQ(Velmor_GetLastError(handle), 0);
}

TEST(HandleRegistry, HandlesAreNonZeroAndUnique) {
  std::vector<int32_t> handles;
  for (int i = 0; i < 64; ++i) {
    handles.push_back(Velmor_Initialize(nullptr));
    ASSERT_NE(handles.back(), 0);
  }
  std::vector<int32_t> sorted = handles;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());
  for (int32_t handle : handles) EXPECT_EQ(Velmor_Release(handle), 1);
}

TEST(HandleRegistry, UnknownHandlesGiveTheUnknownValueAndRecordNothing) {
  const int32_t handle = Velmor_Initialize(nullptr);
  const int32_t unknown = handle + 1;
  EXPECT_EQ(Velmor_GetLastError(unknown), 0);
  EXPECT_EQ(Velmor_Release(unknown), 0);
  EXPECT_EQ(Velmor_GetLastError(0), 0);
  EXPECT_EQ(SdkChain().SessionOf(handle)->errorHistory().Entries()[0], 0);
  EXPECT_EQ(Velmor_Release(handle), 1);
}

TEST(HandleRegistry, FormatGettersGiveMinusOneForAnUnknownHandle) {
  const int32_t handle = Velmor_Initialize(nullptr);
  ASSERT_EQ(Velmor_Release(handle), 1);
  for (int32_t unknown : {0, handle}) {
    EXPECT_EQ(Velmor_GetColorMode(unknown), -1);
    EXPECT_EQ(Velmor_GetSubSample(unknown), -1);
    EXPECT_EQ(Velmor_GetWaitTime(unknown), -1);
  }
}

TEST(MessageWindow, TimeOutsBelowMinusOneReturnAtOnce) {
  const VELMOR_HWND window = Velmor_CreateMessageWindow();
  VELMOR_MSG message{};
  for (int32_t timeout : {-2, -1000, INT32_MIN})
    EXPECT_EQ(Velmor_WaitMessage(window, &message, timeout), 0);
  Velmor_DestroyMessageWindow(window);
}

TEST(HandleRegistry, VersionNeedsNoHandle) {
  EXPECT_EQ(Velmor_GetDllVersion(), 35521825);
  EXPECT_EQ(static_cast<uint32_t>(Velmor_GetDllVersion()) >> 16, 0x021Eu);
  EXPECT_EQ(Velmor_GetDllVersion() & 0xFFFF, 0x0521);
}

}  // namespace
}  // namespace velmor
