#include "imaging/RegionMean.h"

#include "imaging/PixelLoops.h"

namespace velmor::imaging {
namespace {

// Sums in blocks of a fixed length, which the compiler vectorises.
template <typename Sample>
uint64_t RowSum(const Sample *row, int32_t width, int32_t shift) {
  constexpr int32_t kBlock = 32;
  uint64_t sum = 0;
  int32_t x = 0;
  for (; x + kBlock <= width; x += kBlock) {
    uint32_t block = 0;
    for (int32_t j = 0; j < kBlock; ++j) block += uint8_t(row[x + j] >> shift);
    sum += block;
  }
  for (; x < width; ++x) sum += uint8_t(row[x] >> shift);
  return sum;
}

template <typename Sample>
int32_t Mean(const PixelJob &job, int32_t shift) {
  uint64_t total = 0;
  for (int32_t y = job.region.top; y < job.region.bottom; ++y)
    total += RowSum(reinterpret_cast<const Sample *>(job.srcRow(y)), job.region.width(), shift);
  return int32_t(total / (uint64_t(job.region.width()) * uint64_t(job.region.height())));
}

}  // namespace

int32_t RegionMean(const PixelJob &job) {
  if (job.region.empty()) return 0;
  if (job.srcBytesPerPixel == 1) return Mean<uint8_t>(job, 0);
  const int32_t shift = loops::NarrowingShift(job.params);
  if (job.srcBytesPerPixel == 2 && shift >= 0) return Mean<uint16_t>(job, shift);
  return 0;
}

}  // namespace velmor::imaging
