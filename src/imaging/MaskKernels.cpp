#include "imaging/MaskKernels.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "imaging/PixelLoops.h"

namespace velmor::imaging::mask {
namespace {

// The dot filter leaves this many pixels at every edge alone.
constexpr int32_t kRepairMargin = 4;
constexpr int32_t kMapMargin = 2;

// The quotients are taken exactly without a divide per pixel, from scales
// made once per pair of references (Scales below).
//
// 8 bits, in 16-bit lanes: with D > B the samples and references are
// complemented (255 - x), which keeps the quotient and makes the range
// b = |B - D| positive; a = v - D then gives 0 when a <= 0 and 255 when
// a >= b. Otherwise x = a * 256 < 256 b, and with M = floor(65535 / b)
// (b >= 2) the product high half q = (x * M) >> 16 falls short of x / b by
// less than 256 (1 + b) / 65536 <= 1: it is the quotient or one below, and
// the remainder x - q b tells which. b = 0 (D = B) keeps the pixel.
[[gnu::always_inline]] inline uint8_t CorrectSample(uint8_t v, uint8_t dark, uint8_t bright,
                                                    uint16_t reciprocal) {
  const int16_t value = v;
  const int16_t range = int16_t(int16_t(bright) - dark);
  const int16_t flip = int16_t(-(range < 0));
  const int16_t a = int16_t(((value - dark) ^ flip) - flip);
  const int16_t b = int16_t((range ^ flip) - flip);
  const uint16_t x = uint16_t(uint16_t(a) << 8);
  const uint16_t estimate = uint16_t((uint32_t(x) * reciprocal) >> 16);
  const uint16_t remainder = uint16_t(x - uint16_t(estimate * uint16_t(b)));
  const uint16_t q = uint16_t(estimate + (remainder >= uint16_t(b)));
  const uint16_t limited = a <= 0 ? 0 : a >= b ? 255 : q;
  return uint8_t(range == 0 ? value : limited);
}

// 16 bits: the float estimate n x s (s = 4096 / (B - D)) is within one of
// the true quotient, and the remainder n x 4096 - q x (B - D) moves it onto
// it. Pixels left unchanged run the arithmetic too (with s = 0) and are
// chosen without a branch, so the loop vectorises.
[[gnu::always_inline]] inline uint16_t CorrectSample(uint16_t v, uint16_t dark, uint16_t bright,
                                                     float scale) {
  const int32_t value = v;
  const int32_t range = int32_t(bright) - dark;
  const int32_t keep = range <= 0;
  const int32_t scaled = (value - dark) * 4096;
  const int32_t estimate = std::clamp(int32_t(float(value - dark) * scale), 0, 4096);
  const int32_t remainder = scaled - estimate * range;
  const int32_t q =
      std::clamp(estimate - (remainder < 0) + (remainder >= range), 0, int32_t(kSampleMax));
  return uint16_t(q + keep * (value - q));
}

uint16_t ScaleOf(uint8_t dark, uint8_t bright) {
  const int32_t b = std::abs(int32_t(bright) - dark);
  return b >= 2 ? uint16_t(65535 / b) : 0;
}

float ScaleOf(uint16_t dark, uint16_t bright) {
  const int32_t range = int32_t(bright) - dark;
  return range > 0 ? 4096.0f / float(range) : 0.0f;
}

template <class T, class S>
[[gnu::always_inline]] inline void CorrectFrame(Plane<T> frame, int32_t width, int32_t height,
                                                int32_t border, Plane<const T> dark,
                                                Plane<const T> bright, Plane<const S> scale) {
  const int32_t columns = width - 2 * border;
  if (columns <= 0) return;
  for (int32_t y = border; y < height - border; ++y) {
    T *v = frame.row(y) + border;
    const T *d = dark.row(y) + border;
    const T *b = bright.row(y) + border;
    const S *s = scale.row(y) + border;
    loops::Vectorised(columns, [&](int32_t i) { v[i] = CorrectSample(v[i], d[i], b[i], s[i]); });
  }
}

// Flags of one row: a defect map entry, or a sample that stands out from
// the mean of its four neighbours.
template <class T>
[[gnu::always_inline]] inline void FlagRow(const T *up, const T *v, const T *down,
                                           const uint8_t *defects, uint8_t *flags, int32_t count,
                                           int32_t threshold) {
  loops::Vectorised(count, [&](int32_t i) {
    const int32_t mean = (int32_t(v[i - 1]) + v[i + 1] + up[i] + down[i]) >> 2;
    const int32_t difference = int32_t(v[i]) - mean;
    const int32_t distance = difference < 0 ? -difference : difference;
    flags[i] = uint8_t((defects[i] != 0) | (distance >= threshold));
  });
}

template <class T>
[[gnu::always_inline]] inline void FlagFrame(Plane<T> frame, int32_t width, int32_t height,
                                             Plane<const uint8_t> defects, uint8_t *flags,
                                             int32_t threshold) {
  const int32_t count = width - 2 * kRepairMargin;
  for (int32_t y = kRepairMargin; y < height - kRepairMargin; ++y)
    FlagRow<T>(frame.row(y - 1) + kRepairMargin, frame.row(y) + kRepairMargin,
               frame.row(y + 1) + kRepairMargin, defects.row(y) + kRepairMargin,
               flags + std::ptrdiff_t(y) * width + kRepairMargin, count, threshold);
}

// Flagged pixels are rare: rows are scanned for them with memchr, and each
// search stops at the first unflagged pixel. Unflagged pixels never change,
// so the order of the repairs does not matter.
template <class T>
void RepairFlagged(Plane<T> frame, int32_t width, int32_t height, const uint8_t *flags) {
  const auto flagged = [&](int32_t x, int32_t y) {
    return flags[std::ptrdiff_t(y) * width + x] != 0;
  };
  const int32_t last = width - kRepairMargin;  // one past the last column that can be flagged
  for (int32_t y = kRepairMargin; y < height - kRepairMargin; ++y) {
    const uint8_t *row = flags + std::ptrdiff_t(y) * width;
    T *samples = frame.row(y);
    for (int32_t x = kRepairMargin; x < last; ++x) {
      const void *found = std::memchr(row + x, 1, std::size_t(last - x));
      if (found == nullptr) break;
      x = int32_t(static_cast<const uint8_t *>(found) - row);
      int32_t sum = 0, count = 0;
      const auto take = [&](T value) {
        sum += value;
        ++count;
      };
      for (int32_t i = x - 1; i >= 0; --i)
        if (!flagged(i, y)) {
          take(samples[i]);
          break;
        }
      for (int32_t i = x + 1; i < width; ++i)
        if (!flagged(i, y)) {
          take(samples[i]);
          break;
        }
      for (int32_t j = y - 1; j >= 0; --j)
        if (!flagged(x, j)) {
          take(frame.row(j)[x]);
          break;
        }
      for (int32_t j = y + 1; j < height; ++j)
        if (!flagged(x, j)) {
          take(frame.row(j)[x]);
          break;
        }
      if (count > 0) samples[x] = T(sum / count);
    }
  }
}

template <class T>
[[gnu::always_inline]] inline void MarkFrame(const T *reference, uint8_t *defects, int32_t side,
                                             DefectBit bit, int32_t threshold) {
  const int32_t count = side - 2 * kMapMargin;
  const uint8_t keep = uint8_t(~bit);
  for (int32_t y = kMapMargin; y < side - kMapMargin; ++y) {
    const T *r = reference + std::ptrdiff_t(y) * side + kMapMargin;
    uint8_t *m = defects + std::ptrdiff_t(y) * side + kMapMargin;
    if (bit == kHotBit)
      loops::Vectorised(count, [&](int32_t i) {
        m[i] = uint8_t((m[i] & keep) | (int32_t(r[i]) > threshold) * bit);
      });
    else
      loops::Vectorised(count, [&](int32_t i) {
        m[i] = uint8_t((m[i] & keep) | (int32_t(r[i]) < threshold) * bit);
      });
  }
}

// Each loop compiled for the baseline and for AVX2, chosen at run time.
template <class T, class S>
VELMOR_TARGET_AVX2 void CorrectAvx2(Plane<T> frame, int32_t width, int32_t height, int32_t border,
                                    Plane<const T> dark, Plane<const T> bright,
                                    Plane<const S> scale) {
  CorrectFrame<T, S>(frame, width, height, border, dark, bright, scale);
}
template <class T, class S>
void CorrectBaseline(Plane<T> frame, int32_t width, int32_t height, int32_t border,
                     Plane<const T> dark, Plane<const T> bright, Plane<const S> scale) {
  CorrectFrame<T, S>(frame, width, height, border, dark, bright, scale);
}
template <class T>
VELMOR_TARGET_AVX2 void FlagAvx2(Plane<T> frame, int32_t width, int32_t height,
                                 Plane<const uint8_t> defects, uint8_t *flags, int32_t threshold) {
  FlagFrame<T>(frame, width, height, defects, flags, threshold);
}
template <class T>
void FlagBaseline(Plane<T> frame, int32_t width, int32_t height, Plane<const uint8_t> defects,
                  uint8_t *flags, int32_t threshold) {
  FlagFrame<T>(frame, width, height, defects, flags, threshold);
}
template <class T>
VELMOR_TARGET_AVX2 void MarkAvx2(const T *reference, uint8_t *defects, int32_t side, DefectBit bit,
                                 int32_t threshold) {
  MarkFrame<T>(reference, defects, side, bit, threshold);
}
template <class T>
void MarkBaseline(const T *reference, uint8_t *defects, int32_t side, DefectBit bit,
                  int32_t threshold) {
  MarkFrame<T>(reference, defects, side, bit, threshold);
}

template <class T, class S>
void CorrectAny(Plane<T> frame, int32_t width, int32_t height, int32_t border, Plane<const T> dark,
                Plane<const T> bright, Plane<const S> scale) {
  if (platform::cpu_has_avx2())
    CorrectAvx2<T, S>(frame, width, height, border, dark, bright, scale);
  else
    CorrectBaseline<T, S>(frame, width, height, border, dark, bright, scale);
}

template <class T, class S>
void ScalesAny(const T *dark, const T *bright, S *scale, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) scale[i] = ScaleOf(dark[i], bright[i]);
}

template <class T>
void RepairAny(Plane<T> frame, int32_t width, int32_t height, Plane<const uint8_t> defects,
               uint8_t *flags, int32_t threshold) {
  if (width <= 2 * kRepairMargin || height <= 2 * kRepairMargin) return;
  if (platform::cpu_has_avx2())
    FlagAvx2<T>(frame, width, height, defects, flags, threshold);
  else
    FlagBaseline<T>(frame, width, height, defects, flags, threshold);
  RepairFlagged<T>(frame, width, height, flags);
}

template <class T>
void MarkAny(const T *reference, uint8_t *defects, int32_t side, DefectBit bit, int32_t threshold) {
  if (platform::cpu_has_avx2())
    MarkAvx2<T>(reference, defects, side, bit, threshold);
  else
    MarkBaseline<T>(reference, defects, side, bit, threshold);
}

}  // namespace

void Scales(const uint8_t *dark, const uint8_t *bright, uint16_t *scale, std::size_t count) {
  ScalesAny(dark, bright, scale, count);
}

void Scales(const uint16_t *dark, const uint16_t *bright, float *scale, std::size_t count) {
  ScalesAny(dark, bright, scale, count);
}

void Correct(Plane<uint8_t> frame, int32_t width, int32_t height, int32_t border,
             Plane<const uint8_t> dark, Plane<const uint8_t> bright, Plane<const uint16_t> scale) {
  CorrectAny(frame, width, height, border, dark, bright, scale);
}

void Correct(Plane<uint16_t> frame, int32_t width, int32_t height, int32_t border,
             Plane<const uint16_t> dark, Plane<const uint16_t> bright, Plane<const float> scale) {
  CorrectAny(frame, width, height, border, dark, bright, scale);
}

void Repair(Plane<uint8_t> frame, int32_t width, int32_t height, Plane<const uint8_t> defects,
            uint8_t *flags, int32_t threshold) {
  RepairAny(frame, width, height, defects, flags, threshold);
}

void Repair(Plane<uint16_t> frame, int32_t width, int32_t height, Plane<const uint8_t> defects,
            uint8_t *flags, int32_t threshold) {
  RepairAny(frame, width, height, defects, flags, threshold);
}

void MarkDefects(const uint8_t *reference, uint8_t *defects, int32_t side, DefectBit bit,
                 int32_t threshold) {
  MarkAny(reference, defects, side, bit, threshold);
}

void MarkDefects(const uint16_t *reference, uint8_t *defects, int32_t side, DefectBit bit,
                 int32_t threshold) {
  MarkAny(reference, defects, side, bit, threshold);
}

}  // namespace velmor::imaging::mask
