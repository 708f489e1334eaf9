#include "engine/FrameRing.h"

#include <cstring>
#include <new>

namespace velmor {
namespace {

// Every slot's guard, taken in slot order.
class AllGuards {
 public:
  explicit AllGuards(std::mutex (&guards)[FrameRing::kSlots])
      : locks_{std::unique_lock(guards[0]), std::unique_lock(guards[1]),
               std::unique_lock(guards[2]), std::unique_lock(guards[3])} {}

 private:
  std::unique_lock<std::mutex> locks_[FrameRing::kSlots];
};

}  // namespace

bool FrameRing::Allocate(const FrameGeometry &geometry) {
  const AllGuards lock(guards_);
  for (std::unique_ptr<uint8_t[]> &buffer : buffers_) buffer.reset();
  geometry_ = geometry;
  frameSize_ = 0;
  try {
    for (std::unique_ptr<uint8_t[]> &buffer : buffers_)
      buffer = std::make_unique_for_overwrite<uint8_t[]>(geometry.bufferSize());
  } catch (const std::bad_alloc &) {
    for (std::unique_ptr<uint8_t[]> &buffer : buffers_) buffer.reset();
    return false;
  }
  frameSize_ = geometry.frameSize();
  return true;
}

void FrameRing::Free() {
  const AllGuards lock(guards_);
  for (std::unique_ptr<uint8_t[]> &buffer : buffers_) buffer.reset();
  frameSize_ = 0;
}

void FrameRing::Store(int32_t slot, const uint8_t *frame) {
  const std::lock_guard lock(guards_[slot]);
  if (buffers_[slot]) std::memcpy(buffers_[slot].get(), frame, frameSize_);
}

}  // namespace velmor
