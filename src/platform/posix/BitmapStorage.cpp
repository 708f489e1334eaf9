// Without GDI every bitmap is plain zero-filled memory and has no DC.
#include "platform/BitmapStorage.h"

namespace velmor::platform {

bool BitmapStorage::Create(const BitmapInfo &, std::size_t bytes) {
  Release();
  return CreateHeap(bytes);
}

void BitmapStorage::Release() {
  heap_.reset();
  bits_ = nullptr;
}

void BitmapStorage::SetColourTable(uint32_t, uint32_t, const RgbQuad *) {}

bool BitmapStorage::BlitFrom(const BitmapStorage &, int32_t, int32_t, int32_t, int32_t, int32_t,
                             int32_t) {
  return false;
}

}  // namespace velmor::platform
