// Loop shapes shared by the pixel routines (internal to imaging).
#pragma once

#include <cstdint>

#include "imaging/PixelRoutine.h"
#include "platform/Cpu.h"

namespace velmor::imaging::loops {

// Runs op(i) for i in [0, n), where no two calls touch the same memory:
// first in blocks of a fixed length, which the compiler vectorises even under
// its cheapest cost model, then one by one.
template <typename Op>
[[gnu::always_inline]] inline void Vectorised(int32_t n, Op op) {
  constexpr int32_t kBlock = 32;
  int32_t i = 0;
  for (; i + kBlock <= n; i += kBlock) {
    VELMOR_INDEPENDENT_ITERATIONS
    for (int32_t j = 0; j < kBlock; ++j) op(i + j);
  }
  for (; i < n; ++i) op(i);
}

// Calls rowOp(destination row, source row, width) for every row of the job.
// Flipped: source row (bottom - 1 - i) feeds destination row i.
template <bool Flipped, typename RowOp>
[[gnu::always_inline]] inline int32_t EachRow(const PixelJob &job, RowOp rowOp) {
  const int32_t rows = job.region.height();
  const int32_t width = job.region.width();
  for (int32_t i = 0; i < rows; ++i) {
    const int32_t sourceRow = Flipped ? job.region.bottom - 1 - i : job.region.top + i;
    rowOp(job.dstRow(job.target.top + i), job.srcRow(sourceRow), width);
  }
  return 1;
}

// A routine whose body (always inlined) is compiled twice, for the baseline
// instruction set and for AVX2, the variant chosen by the processor.
template <auto Kernel>
VELMOR_TARGET_AVX2 int32_t WithAvx2(const PixelJob &job) {
  return Kernel(job);
}
template <auto Kernel>
int32_t WithBaseline(const PixelJob &job) {
  return Kernel(job);
}
template <auto Kernel>
int32_t Dispatched(const PixelJob &job) {
  return platform::cpu_has_avx2() ? WithAvx2<Kernel>(job) : WithBaseline<Kernel>(job);
}

// Shift that leaves the top eight of `bits` significant bits, or -1 when the
// depth is outside 8 ... 16.
inline int32_t NarrowingShift(const void *params) {
  const int32_t bits = params ? static_cast<const SampleDepth *>(params)->bits : kSampleBits;
  return bits >= 8 && bits <= 16 ? bits - 8 : -1;
}

// Shift that moves `bits` significant bits to the top of a 16-bit word, or -1.
inline int32_t WideningShift(const void *params) {
  const int32_t shift = NarrowingShift(params);
  return shift < 0 ? -1 : 8 - shift;
}

inline bool Formats(const PixelJob &job, int32_t dstBytes, int32_t srcBytes) {
  return job.dstBytesPerPixel == dstBytes && job.srcBytesPerPixel == srcBytes;
}

}  // namespace velmor::imaging::loops
