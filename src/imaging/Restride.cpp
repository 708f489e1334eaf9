#include "imaging/Restride.h"

#include <cstring>

#include "imaging/PixelLoops.h"

namespace velmor::imaging {

int32_t RestrideRows(const PixelJob &job) {
  const int32_t bytes = job.srcBytesPerPixel;
  if ((bytes != 1 && bytes != 2) || !loops::Formats(job, bytes, bytes) || job.region.left != 0 ||
      job.region.top != 0 || job.target.left != 0 || job.target.top != 0)
    return 0;
  const std::size_t packed = std::size_t(job.region.width()) * bytes;
  const std::size_t stride = std::size_t(job.dstStride);
  if (packed > stride) return 0;
  for (int32_t row = job.region.height() - 1; row >= 0; --row) {
    uint8_t *dst = job.dst + row * stride;
    // Destination row r starts at or after packed row r: memmove copies such
    // an overlap correctly.
    std::memmove(dst, job.src + row * packed, packed);
    std::memset(dst + packed, 0, stride - packed);
  }
  return 1;
}

}  // namespace velmor::imaging
