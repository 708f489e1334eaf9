#include "imaging/PreviewScaler.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/PixelLoops.h"

namespace velmor::imaging {
namespace {

// Source index for each of `count` destination indices over `span` sources.
std::vector<int32_t> NearestIndices(int32_t count, int32_t span) {
  const float ratio = float(span) / float(count);
  std::vector<int32_t> indices(count);
  for (int32_t i = 0; i < count; ++i)
    indices[i] = std::clamp(int32_t(float(i) * ratio), 0, span - 1);
  return indices;
}

template <int Bytes>
int32_t Scale(const PixelJob &job) {
  if (!loops::Formats(job, Bytes, Bytes)) return 0;
  const int32_t width = job.target.width();
  const std::vector<int32_t> rows = NearestIndices(job.target.height(), job.region.height());
  std::vector<int32_t> columns = NearestIndices(width, job.region.width());
  for (int32_t &column : columns) column *= Bytes;
  for (int32_t i = 0; i < job.target.height(); ++i) {
    const uint8_t *__restrict src = job.srcRow(job.region.bottom - 1 - rows[i]);
    uint8_t *__restrict dst = job.dstRow(job.target.top + i);
    const int32_t *offsets = columns.data();
    for (int32_t j = 0; j < width; ++j) std::memcpy(dst + Bytes * j, src + offsets[j], Bytes);
  }
  return 1;
}

}  // namespace

int32_t ScalePreview8(const PixelJob &job) { return Scale<1>(job); }
int32_t ScalePreview24(const PixelJob &job) { return Scale<3>(job); }

}  // namespace velmor::imaging
