#include "imaging/GreyMode.h"

#include <algorithm>
#include <vector>

#include "imaging/DibImage.h"
#include "imaging/PixelLoops.h"

namespace velmor::imaging {
namespace {

// [row parity][column parity] for Bayer mode 0.
constexpr GreyPosition kPositions[2][2] = {{kGreyG1, kGreyR}, {kGreyB, kGreyG2}};

template <typename Sample>
void ApplyRows(const PixelJob &job, const GreyGains &gains, int32_t max) {
  // One table per position: the formula for every possible sample.
  std::array<std::vector<Sample>, 4> tables;
  for (int32_t p = 0; p < 4; ++p) {
    tables[std::size_t(p)].resize(std::size_t(max) + 1);
    for (int32_t v = 0; v <= max; ++v)
      tables[std::size_t(p)][std::size_t(v)] = Sample(std::clamp(
          gains.offset[std::size_t(p)] + gains.gain[std::size_t(p)] * v / kGreyUnity, 0, max));
  }
  for (int32_t i = 0; i < job.region.height(); ++i) {
    const int32_t y = job.target.top + i;
    const Sample *src = reinterpret_cast<const Sample *>(job.srcRow(job.region.top + i));
    Sample *dst = reinterpret_cast<Sample *>(job.dstRow(y));
    const Sample *even = tables[GreyPositionAt(gains.bayerMode, job.target.left, y)].data();
    const Sample *odd = tables[GreyPositionAt(gains.bayerMode, job.target.left + 1, y)].data();
    const int32_t width = job.region.width();
    for (int32_t x = 0; x < width; ++x) {
      const Sample *table = x % 2 == 0 ? even : odd;
      dst[x] = table[std::min<int32_t>(src[x], max)];
    }
  }
}

template <typename Sample>
std::array<int32_t, 4> Measure(const DibImage &image, const GreyGains &current, int32_t shift) {
  std::array<uint64_t, 4> sums{}, counts{};
  for (int32_t y = 0; y < image.height(); ++y) {
    const Sample *row =
        reinterpret_cast<const Sample *>(image.bits() + std::ptrdiff_t(y) * image.stride());
    for (int32_t x = 0; x < image.width(); ++x) {
      const uint32_t m = uint32_t(row[x]) >> shift;
      if (m == 0 || m >= 255) continue;
      const GreyPosition p = GreyPositionAt(current.bayerMode, x, y);
      sums[p] += m;
      ++counts[p];
    }
  }
  std::array<float, 4> means{};
  for (int32_t p = 0; p < 4; ++p)
    means[std::size_t(p)] =
        counts[std::size_t(p)]
            ? float(double(sums[std::size_t(p)]) / double(counts[std::size_t(p)]))
            : 0.0f;
  std::array<int32_t, 4> gains = current.gain;
  gains[kGreyG1] = kGreyUnity;
  for (GreyPosition p : {kGreyR, kGreyG2, kGreyB})
    if (means[p] > 0.0f)
      gains[p] = std::clamp(int32_t(means[kGreyG1] / means[p] * float(kGreyUnity)), 0, 255);
  return gains;
}

}  // namespace

GreyPosition GreyPositionAt(int32_t bayerMode, int32_t x, int32_t y) {
  return kPositions[(y ^ bayerMode) & 1][(x ^ (bayerMode >> 1)) & 1];
}

int32_t ApplyGreyGains(const PixelJob &job) {
  const auto *gains = static_cast<const GreyGains *>(job.params);
  if (gains == nullptr || job.dstBytesPerPixel != job.srcBytesPerPixel) return 0;
  if (job.srcBytesPerPixel == 1)
    ApplyRows<uint8_t>(job, *gains, 255);
  else if (job.srcBytesPerPixel == 2)
    ApplyRows<uint16_t>(job, *gains, int32_t(kSampleMax));
  else
    return 0;
  return 1;
}

std::array<int32_t, 4> MeasureGreyGains(const DibImage &image, const GreyGains &current) {
  if (image.bitsPerPixel() == 8) return Measure<uint8_t>(image, current, 0);
  if (image.bitsPerPixel() == 16) return Measure<uint16_t>(image, current, kSampleBits - 8);
  return current.gain;
}

}  // namespace velmor::imaging
