#include "imaging/Mirror.h"

#include <cstring>
#include <vector>

#include "imaging/PixelLoops.h"

namespace velmor::imaging {
namespace {

template <typename Pixel>
[[gnu::always_inline]] inline void Reverse(uint8_t *dst, const uint8_t *src, int32_t width) {
  auto *out = reinterpret_cast<Pixel *>(dst);
  const auto *in = reinterpret_cast<const Pixel *>(src);
  loops::Vectorised(width, [=](int32_t x) { out[x] = in[width - 1 - x]; });
}

template <typename Pixel>
[[gnu::always_inline]] inline int32_t Mirror(const PixelJob &job) {
  const auto &mirror = *static_cast<const MirrorParams *>(job.params);
  const int32_t width = job.region.width();
  const int32_t rows = job.region.height();
  const std::size_t bytes = std::size_t(width) * sizeof(Pixel);
  // Each source row passes through one of two row buffers, so destination and
  // source may be the same memory.
  std::vector<uint8_t> first(bytes), second(bytes);
  const auto put = [&](int32_t to, const uint8_t *row) {
    if (mirror.horizontal)
      Reverse<Pixel>(job.dstRow(job.target.top + to), row, width);
    else
      std::memcpy(job.dstRow(job.target.top + to), row, bytes);
  };
  if (!mirror.vertical) {
    for (int32_t i = 0; i < rows; ++i) {
      std::memcpy(first.data(), job.srcRow(job.region.top + i), bytes);
      put(i, first.data());
    }
    return 1;
  }
  for (int32_t i = 0, j = rows - 1; i <= j; ++i, --j) {
    std::memcpy(first.data(), job.srcRow(job.region.top + i), bytes);
    std::memcpy(second.data(), job.srcRow(job.region.top + j), bytes);
    put(j, first.data());
    put(i, second.data());
  }
  return 1;
}

}  // namespace

int32_t MirrorRows(const PixelJob &job) {
  if (!job.params) return 0;
  if (loops::Formats(job, 1, 1)) return loops::Dispatched<Mirror<uint8_t>>(job);
  if (loops::Formats(job, 2, 2)) return loops::Dispatched<Mirror<uint16_t>>(job);
  return 0;
}

}  // namespace velmor::imaging
