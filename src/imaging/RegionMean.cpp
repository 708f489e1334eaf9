#include "imaging/RegionMean.h"

#include <algorithm>

#include "imaging/PixelLoops.h"

namespace velmor::imaging {
namespace {

// Sums in 32 lanes of 16 bits, which the compiler vectorises, emptied into
// the total before they can overflow (256 x 255 < 65536).
template <typename Sample>
[[gnu::always_inline]] inline uint64_t RowSum(const Sample *row, int32_t width, int32_t shift) {
  constexpr int32_t kLanes = 32, kRounds = 256;
  uint64_t sum = 0;
  int32_t x = 0;
  while (x + kLanes <= width) {
    uint16_t lanes[kLanes] = {};
    const int32_t rounds = std::min(kRounds, (width - x) / kLanes);
    for (int32_t r = 0; r < rounds; ++r, x += kLanes)
      for (int32_t j = 0; j < kLanes; ++j)
        lanes[j] = uint16_t(lanes[j] + uint8_t(row[x + j] >> shift));
    for (int32_t j = 0; j < kLanes; ++j) sum += lanes[j];
  }
  for (; x < width; ++x) sum += uint8_t(row[x] >> shift);
  return sum;
}

template <typename Sample>
[[gnu::always_inline]] inline int32_t Mean(const PixelJob &job, int32_t shift) {
  uint64_t total = 0;
  for (int32_t y = job.region.top; y < job.region.bottom; ++y)
    total += RowSum(reinterpret_cast<const Sample *>(job.srcRow(y)), job.region.width(), shift);
  return int32_t(total / (uint64_t(job.region.width()) * uint64_t(job.region.height())));
}

[[gnu::always_inline]] inline int32_t MeanKernel(const PixelJob &job) {
  if (job.srcBytesPerPixel == 1) return Mean<uint8_t>(job, 0);
  const int32_t shift = loops::NarrowingShift(job.params);
  if (job.srcBytesPerPixel == 2 && shift >= 0) return Mean<uint16_t>(job, shift);
  return 0;
}

}  // namespace

int32_t RegionMean(const PixelJob &job) {
  if (job.region.empty()) return 0;
  return loops::Dispatched<MeanKernel>(job);
}

}  // namespace velmor::imaging
