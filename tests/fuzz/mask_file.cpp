// libFuzzer target: the mask file reader on files of about a mask file's
// length. The input's first byte sets the length (the exact length, or up to
// 128 bytes shorter or 127 longer), the rest is the file's beginning. Each
// file ends right at an inaccessible page, so a read past it faults; the
// region is mapped once, as allocating 48 MB per input would leave the
// fuzzer a handful of inputs a second.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "settings/MaskFile.h"

namespace {

// Room for the longest file, and a guard page behind it.
uint8_t *GuardedEnd() {
  static uint8_t *const end = [] {
    const std::size_t page = std::size_t(sysconf(_SC_PAGESIZE));
    const std::size_t room = (velmor::kMaskFileBytes + 128 + page - 1) / page * page;
    void *region =
        mmap(nullptr, room + page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (region == MAP_FAILED) std::abort();
    uint8_t *guard = static_cast<uint8_t *>(region) + room;
    if (mprotect(guard, page, PROT_NONE) != 0) std::abort();
    return guard;
  }();
  return end;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size) {
  using velmor::kMaskFileBytes;
  using velmor::imaging::ReferenceBlocks;
  if (size == 0) return 0;
  const std::size_t length = kMaskFileBytes + std::size_t(int8_t(data[0]));
  uint8_t *file = GuardedEnd() - length;
  const std::size_t prefix = std::min(size - 1, length);
  std::memcpy(file, data + 1, prefix);
  std::memset(file + prefix, 0, std::min<std::size_t>(length - prefix, 4096));
  const auto blocks = velmor::ParseMaskFile(file, length);
  if (!blocks) return 0;
  // Accepted: exactly a mask file, the blocks end to end inside it.
  if (length != kMaskFileBytes || blocks->dark8 != file + velmor::kMaskFileHeaderBytes ||
      blocks->bright16 + ReferenceBlocks::kBytes16 != file + length)
    std::abort();
  return 0;
}
