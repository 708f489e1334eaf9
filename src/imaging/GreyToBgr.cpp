#include "imaging/GreyToBgr.h"

#include "imaging/PixelLoops.h"

namespace velmor::imaging {
namespace {

using loops::EachRow;
using loops::Formats;
using loops::Vectorised;

// Writes grey(x) three times per pixel; grey is the only per-format part.
template <typename Grey>
[[gnu::always_inline]] inline void TripleRow(uint8_t *dst, int32_t width, Grey grey) {
  Vectorised(width, [=](int32_t x) {
    const uint8_t g = grey(x);
    dst[3 * x] = g;
    dst[3 * x + 1] = g;
    dst[3 * x + 2] = g;
  });
}

[[gnu::always_inline]] inline int32_t Grey8(const PixelJob &job) {
  if (!Formats(job, 3, 1)) return 0;
  return EachRow<true>(job, [](uint8_t *dst, const uint8_t *src, int32_t width) {
    TripleRow(dst, width, [=](int32_t x) { return src[x]; });
  });
}

[[gnu::always_inline]] inline int32_t Grey16(const PixelJob &job) {
  const int32_t shift = loops::NarrowingShift(job.params);
  if (shift < 0 || !Formats(job, 3, 2)) return 0;
  return EachRow<true>(job, [shift](uint8_t *dst, const uint8_t *src, int32_t width) {
    const auto *samples = reinterpret_cast<const uint16_t *>(src);
    TripleRow(dst, width, [=](int32_t x) { return uint8_t(samples[x] >> shift); });
  });
}

}  // namespace

int32_t GreyToBgrFlipped(const PixelJob &job) { return loops::Dispatched<Grey8>(job); }
int32_t Grey16ToBgrFlipped(const PixelJob &job) { return loops::Dispatched<Grey16>(job); }

}  // namespace velmor::imaging
