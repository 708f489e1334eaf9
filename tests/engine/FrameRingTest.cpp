// The frame ring under a writer that refills its slots as fast as it can
// while a reader copies the newest one: every copy is one whole frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "engine/FrameRing.h"

namespace velmor {
namespace {

TEST(FrameRing, BuffersHaveSpareRowsAndColumnsInWholeEightKibibytes) {
  const FrameGeometry full{2848, 2848, 1};
  EXPECT_EQ(full.frameSize(), 8111104u);
  EXPECT_EQ(full.bufferSize(), 8863744u);
  EXPECT_EQ((FrameGeometry{2848, 2848, 2}.frameSize()), 2 * 8111104u);
  EXPECT_EQ((FrameGeometry{640, 256, 1}.bufferSize()) % 8192, 0u);
}

TEST(FrameRing, AReaderNeverCopiesASlotTheWriterIsRefilling) {
  constexpr int kCopies = 2000;
  const FrameGeometry geometry{640, 64, 1};
  FrameRing ring;
  ASSERT_TRUE(ring.Allocate(geometry));
  std::atomic<int32_t> writeIndex{0};
  std::atomic<int> published{0};
  std::atomic<bool> done{false};
  // The writer refills slot after slot until the reader has made its copies.
  std::thread writer([&] {
    std::vector<uint8_t> frame(geometry.frameSize());
    for (int n = 1; !done; ++n) {
      std::fill(frame.begin(), frame.end(), uint8_t(n));
      const int32_t slot = writeIndex;
      ring.Store(slot, frame.data());
      writeIndex = (slot + 1) % FrameRing::kSlots;
      published = n;
    }
  });
  std::vector<uint8_t> copy(geometry.frameSize());
  int torn = 0;
  for (int copies = 0; copies < kCopies;) {
    if (published == 0) continue;
    const int32_t newest = (writeIndex + FrameRing::kSlots - 1) % FrameRing::kSlots;
    EXPECT_TRUE(ring.Read(newest, [&](const uint8_t *frame, const FrameGeometry &shape) {
      std::copy(frame, frame + shape.frameSize(), copy.begin());
      return true;
    }));
    torn += std::count(copy.begin(), copy.end(), copy.front()) != std::ptrdiff_t(copy.size());
    ++copies;
  }
  done = true;
  writer.join();
  EXPECT_EQ(torn, 0) << "of " << kCopies << " copies";
  EXPECT_GT(published, FrameRing::kSlots) << "the writer went round the ring";
}

}  // namespace
}  // namespace velmor
