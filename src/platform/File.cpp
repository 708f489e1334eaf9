#include "platform/File.h"

namespace velmor::platform {

bool File::Write(const void *data, std::size_t size) {
  if (!WriteAt(position_, data, size)) return false;
  position_ += size;
  return true;
}

int64_t File::Read(void *data, std::size_t size) {
  auto *bytes = static_cast<uint8_t *>(data);
  std::size_t total = 0;
  while (total < size) {
    const int64_t got = ReadSomeAt(position_ + total, bytes + total, size - total);
    if (got < 0) return -1;
    if (got == 0) break;
    total += std::size_t(got);
  }
  position_ += total;
  return int64_t(total);
}

}  // namespace velmor::platform
