#include "imaging/MaskKernels.h"

#include <algorithm>
#include <cstring>

#include "imaging/PixelLoops.h"

namespace velmor::imaging::mask {
namespace {

// The dot filter leaves this many pixels at every edge alone.
constexpr int32_t kRepairMargin = 4;
constexpr int32_t kMapMargin = 2;

// Exact truncating quotients without an integer divide per pixel: the 8-bit
// numerator (|n| < 2^16) and divisor (|d| < 2^8) are exact in float, and a
// correctly rounded float quotient below 256 lies closer to the true one
// (within 2^-16) than any non-integer quotient lies to an integer (1/|d|),
// so truncating it gives the integer quotient; at 256 and above the result
// is limited anyway. The 16-bit divisor reaches 2^16, too close for float,
// so that quotient is taken in double.
[[gnu::always_inline]] inline uint8_t CorrectSample(uint8_t v, uint8_t dark, uint8_t bright) {
  const int32_t range = int32_t(bright) - dark;
  const int32_t scaled = (int32_t(v) - dark) * 256;
  const int32_t q = int32_t(float(scaled) / float(range != 0 ? range : 1));
  return range != 0 ? uint8_t(std::clamp(q, 0, 255)) : v;
}

[[gnu::always_inline]] inline uint16_t CorrectSample(uint16_t v, uint16_t dark, uint16_t bright) {
  const int32_t range = int32_t(bright) - dark;
  const int32_t scaled = (int32_t(v) - dark) * 4096;
  const int32_t q = int32_t(double(scaled) / double(range > 0 ? range : 1));
  return range > 0 ? uint16_t(std::clamp(q, 0, 4095)) : v;
}

template <class T>
[[gnu::always_inline]] inline void CorrectFrame(Plane<T> frame, int32_t width, int32_t height,
                                                int32_t border, Plane<const T> dark,
                                                Plane<const T> bright) {
  const int32_t columns = width - 2 * border;
  if (columns <= 0) return;
  for (int32_t y = border; y < height - border; ++y) {
    T *v = frame.row(y) + border;
    const T *d = dark.row(y) + border;
    const T *b = bright.row(y) + border;
    loops::Vectorised(columns, [&](int32_t i) { v[i] = CorrectSample(v[i], d[i], b[i]); });
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
  const bool hot = bit == kHotBit;
  const uint8_t keep = uint8_t(~bit);
  for (int32_t y = kMapMargin; y < side - kMapMargin; ++y) {
    const T *r = reference + std::ptrdiff_t(y) * side + kMapMargin;
    uint8_t *m = defects + std::ptrdiff_t(y) * side + kMapMargin;
    loops::Vectorised(count, [&](int32_t i) {
      const bool marked = hot ? int32_t(r[i]) > threshold : int32_t(r[i]) < threshold;
      m[i] = uint8_t((m[i] & keep) | (marked ? bit : 0));
    });
  }
}

// Each loop compiled for the baseline and for AVX2, chosen at run time.
template <class T>
VELMOR_TARGET_AVX2 void CorrectAvx2(Plane<T> frame, int32_t width, int32_t height, int32_t border,
                                    Plane<const T> dark, Plane<const T> bright) {
  CorrectFrame<T>(frame, width, height, border, dark, bright);
}
template <class T>
void CorrectBaseline(Plane<T> frame, int32_t width, int32_t height, int32_t border,
                     Plane<const T> dark, Plane<const T> bright) {
  CorrectFrame<T>(frame, width, height, border, dark, bright);
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

template <class T>
void CorrectAny(Plane<T> frame, int32_t width, int32_t height, int32_t border, Plane<const T> dark,
                Plane<const T> bright) {
  if (platform::cpu_has_avx2())
    CorrectAvx2<T>(frame, width, height, border, dark, bright);
  else
    CorrectBaseline<T>(frame, width, height, border, dark, bright);
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

void Correct(Plane<uint8_t> frame, int32_t width, int32_t height, int32_t border,
             Plane<const uint8_t> dark, Plane<const uint8_t> bright) {
  CorrectAny(frame, width, height, border, dark, bright);
}

void Correct(Plane<uint16_t> frame, int32_t width, int32_t height, int32_t border,
             Plane<const uint16_t> dark, Plane<const uint16_t> bright) {
  CorrectAny(frame, width, height, border, dark, bright);
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
