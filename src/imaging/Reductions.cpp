#include "imaging/Reductions.h"

#include <cstring>

#include "imaging/PixelLoops.h"

namespace velmor::imaging {
namespace {

using loops::EachRow;
using loops::Formats;
using loops::Vectorised;

template <bool Flipped>
[[gnu::always_inline]] inline int32_t Narrow16(const PixelJob &job) {
  const int32_t shift = loops::NarrowingShift(job.params);
  if (shift < 0 || !Formats(job, 1, 2)) return 0;
  return EachRow<Flipped>(job, [shift](uint8_t *dst, const uint8_t *src, int32_t width) {
    const auto *samples = reinterpret_cast<const uint16_t *>(src);
    Vectorised(width, [=](int32_t x) { dst[x] = uint8_t(samples[x] >> shift); });
  });
}

// 48/64 -> 24 with Words words per source pixel.
template <bool Flipped, int Words>
[[gnu::always_inline]] inline int32_t NarrowColour(const PixelJob &job, int32_t shift) {
  return EachRow<Flipped>(job, [shift](uint8_t *dst, const uint8_t *src, int32_t width) {
    const auto *words = reinterpret_cast<const uint16_t *>(src);
    if constexpr (Words == 3) {
      // Three words to three bytes: one flat run over the row.
      Vectorised(3 * width, [=](int32_t i) { dst[i] = uint8_t(words[i] >> shift); });
    } else {
      Vectorised(width, [=](int32_t x) {
        dst[3 * x] = uint8_t(words[Words * x] >> shift);
        dst[3 * x + 1] = uint8_t(words[Words * x + 1] >> shift);
        dst[3 * x + 2] = uint8_t(words[Words * x + 2] >> shift);
      });
    }
  });
}

template <bool Flipped>
[[gnu::always_inline]] inline int32_t NarrowColour16(const PixelJob &job) {
  const int32_t shift = loops::NarrowingShift(job.params);
  if (shift < 0) return 0;
  if (Formats(job, 3, 6)) return NarrowColour<Flipped, 3>(job, shift);
  if (Formats(job, 3, 8)) return NarrowColour<Flipped, 4>(job, shift);
  return 0;
}

// 48 -> 48 / 64 -> 64; Swap exchanges channels 0 and 2.
template <bool Swap, int Words>
[[gnu::always_inline]] inline int32_t WidenColour(const PixelJob &job, int32_t shift) {
  return EachRow<false>(job, [shift](uint8_t *dst, const uint8_t *src, int32_t width) {
    auto *out = reinterpret_cast<uint16_t *>(dst);
    const auto *in = reinterpret_cast<const uint16_t *>(src);
    Vectorised(width, [=](int32_t x) {
      const uint16_t *p = in + Words * x;
      uint16_t *q = out + Words * x;
      q[0] = uint16_t(p[Swap ? 2 : 0] << shift);
      q[1] = uint16_t(p[1] << shift);
      q[2] = uint16_t(p[Swap ? 0 : 2] << shift);
      if constexpr (Words == 4) q[3] = 0xFFFF;
    });
  });
}

template <bool Swap>
[[gnu::always_inline]] inline int32_t WidenColourAny(const PixelJob &job) {
  const int32_t shift = loops::WideningShift(job.params);
  if (shift < 0) return 0;
  if (Formats(job, 6, 6)) return WidenColour<Swap, 3>(job, shift);
  if (Formats(job, 8, 8)) return WidenColour<Swap, 4>(job, shift);
  return 0;
}

// Copies the first three bytes of Bytes-byte pixels.
template <bool Flipped, int Bytes>
[[gnu::always_inline]] inline int32_t CopyThree(const PixelJob &job) {
  return EachRow<Flipped>(job, [](uint8_t *dst, const uint8_t *src, int32_t width) {
    if constexpr (Bytes == 3) {
      std::memcpy(dst, src, std::size_t(width) * 3);
    } else {
      Vectorised(width, [=](int32_t x) {
        dst[3 * x] = src[Bytes * x];
        dst[3 * x + 1] = src[Bytes * x + 1];
        dst[3 * x + 2] = src[Bytes * x + 2];
      });
    }
  });
}

template <bool Flipped>
[[gnu::always_inline]] inline int32_t CopyColour(const PixelJob &job) {
  if (Formats(job, 3, 3)) return CopyThree<Flipped, 3>(job);
  if (Formats(job, 3, 4)) return CopyThree<Flipped, 4>(job);
  return 0;
}

template <int Bytes>
[[gnu::always_inline]] inline int32_t Swap(const PixelJob &job) {
  return EachRow<false>(job, [](uint8_t *dst, const uint8_t *src, int32_t width) {
    Vectorised(width, [=](int32_t x) {
      const uint8_t *p = src + Bytes * x;
      uint8_t *q = dst + Bytes * x;
      q[0] = p[2];
      q[1] = p[1];
      q[2] = p[0];
      if constexpr (Bytes == 4) q[3] = p[3];
    });
  });
}

}  // namespace

int32_t RowCopyFlipped(const PixelJob &job) {
  if (job.dstBytesPerPixel != job.srcBytesPerPixel) return 0;
  const std::size_t bytes = std::size_t(job.region.width()) * job.srcBytesPerPixel;
  return EachRow<true>(
      job, [bytes](uint8_t *dst, const uint8_t *src, int32_t) { std::memcpy(dst, src, bytes); });
}

int32_t Reduce16To8(const PixelJob &job) { return loops::Dispatched<Narrow16<false>>(job); }
int32_t Reduce16To8Flipped(const PixelJob &job) { return loops::Dispatched<Narrow16<true>>(job); }

int32_t Widen16(const PixelJob &job) {
  const int32_t shift = loops::WideningShift(job.params);
  if (shift < 0 || !Formats(job, 2, 2)) return 0;
  return EachRow<false>(job, [shift](uint8_t *dst, const uint8_t *src, int32_t width) {
    auto *out = reinterpret_cast<uint16_t *>(dst);
    const auto *in = reinterpret_cast<const uint16_t *>(src);
    Vectorised(width, [=](int32_t x) { out[x] = uint16_t(in[x] << shift); });
  });
}

int32_t ReduceColour16To8(const PixelJob &job) {
  return loops::Dispatched<NarrowColour16<false>>(job);
}
int32_t ReduceColour16To8Flipped(const PixelJob &job) {
  return loops::Dispatched<NarrowColour16<true>>(job);
}

int32_t WidenColour16(const PixelJob &job) { return loops::Dispatched<WidenColourAny<false>>(job); }
int32_t WidenColour16Swapped(const PixelJob &job) {
  return loops::Dispatched<WidenColourAny<true>>(job);
}

int32_t CopyColour24(const PixelJob &job) { return loops::Dispatched<CopyColour<false>>(job); }
int32_t CopyColour24Flipped(const PixelJob &job) {
  return loops::Dispatched<CopyColour<true>>(job);
}

int32_t SwapRedBlue(const PixelJob &job) {
  if (Formats(job, 3, 3)) return loops::Dispatched<Swap<3>>(job);
  if (Formats(job, 4, 4)) return loops::Dispatched<Swap<4>>(job);
  return 0;
}

int32_t OpaqueAlpha32(const PixelJob &job) {
  if (!Formats(job, 4, 4)) return 0;
  return EachRow<false>(job, [](uint8_t *dst, const uint8_t *src, int32_t width) {
    // Little-endian pixels: the fourth byte is the top byte of the word.
    auto *out = reinterpret_cast<uint32_t *>(dst);
    const auto *in = reinterpret_cast<const uint32_t *>(src);
    Vectorised(width, [=](int32_t x) { out[x] = in[x] ^ 0xFF000000u; });
  });
}

int32_t GreyFromColour(const PixelJob &job) {
  if (!Formats(job, 1, 3)) return 0;
  return EachRow<false>(job, [](uint8_t *dst, const uint8_t *src, int32_t width) {
    Vectorised(width, [=](int32_t x) {
      const uint8_t *p = src + 3 * x;
      dst[x] = uint8_t((30u * p[2] + 59u * p[1] + 11u * p[0]) / 100u);
    });
  });
}

}  // namespace velmor::imaging
