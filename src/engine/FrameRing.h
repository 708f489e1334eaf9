// The ring of the last four frames. The transfer thread stores each frame
// into one slot while readers copy the newest complete one out of another;
// every slot has its own guard, so a reader never sees a slot the writer has
// begun to refill, and the writer never overwrites a slot during a copy.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

namespace velmor {

// The shape of the frames a ring holds, fixed when its buffers are made.
struct FrameGeometry {
  int32_t width = 0;
  int32_t height = 0;
  int32_t bytesPerPixel = 1;

  std::size_t frameSize() const {
    return std::size_t(width) * std::size_t(height) * std::size_t(bytesPerPixel);
  }
  // Every frame buffer has 128 spare rows and columns, in whole 8 KiB.
  std::size_t bufferSize() const {
    const std::size_t bytes =
        std::size_t(width + 128) * std::size_t(height + 128) * std::size_t(bytesPerPixel);
    return (bytes + 8191) / 8192 * 8192;
  }
};

class FrameRing {
 public:
  static constexpr int32_t kSlots = 4;

  // Replaces every slot by one of `geometry.bufferSize()` bytes; false (and
  // no slots) when memory runs out.
  bool Allocate(const FrameGeometry &geometry);
  void Free();

  // Copies one frame of the ring's geometry into `slot`.
  void Store(int32_t slot, const uint8_t *frame);

  // Calls read(slot's bytes, geometry) under the slot's guard; false without
  // buffers. Passes on read's result otherwise.
  template <class Reader>
  bool Read(int32_t slot, Reader read) {
    const std::lock_guard lock(guards_[slot]);
    if (!buffers_[slot]) return false;
    return read(static_cast<const uint8_t *>(buffers_[slot].get()), geometry_);
  }

  std::size_t frameSize() const { return frameSize_; }

 private:
  std::unique_ptr<uint8_t[]> buffers_[kSlots];
  std::mutex guards_[kSlots];
  FrameGeometry geometry_;  // changed only with every guard held
  std::atomic<std::size_t> frameSize_{0};
};

}  // namespace velmor
