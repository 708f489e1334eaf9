#include "imaging/ToneCurves.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "imaging/PixelLoops.h"

namespace velmor::imaging {

int32_t GammaCurve(int32_t value, int32_t gamma, int32_t max) {
  if (value <= 0) return 0;
  const double exponent =
      gamma > 0 ? double(kNeutralGamma) / double(gamma) : std::numeric_limits<double>::infinity();
  const double curved = std::pow(double(value) / double(max), exponent) * double(max);
  return std::min(max, int32_t(curved));
}

int32_t ContrastCurve(int32_t value, int32_t contrast, int32_t max) {
  const int32_t scale = max + 1;
  const int32_t cut = contrast * scale / (kByteMax + 1);
  if (value < cut) return 0;
  if (value > max - cut) return max;
  return int32_t(double(scale) / double(scale - 2 * cut) * double(value - cut));
}

float BrightnessFactor(int32_t brightness) {
  if (brightness < 0) return float(1.0 - double(std::abs(brightness)) / double(kByteMax));
  return float(1.0 + double(brightness) * 10.0 / double(kByteMax));
}

int32_t BrightnessCurve(int32_t value, float factor, int32_t max) {
  return std::min(max, int32_t(float(value) * factor));
}

void ToneTable::Build(const Curves &curves) {
  if (curves == curves_) return;
  curves_ = curves;
  identity_ = curves.gamma == kNeutralGamma && curves.contrast == 0 && curves.brightness == 0;
  const float factor = BrightnessFactor(curves.brightness);
  words_.resize(std::size_t(curves.max) + 1);
  for (int32_t i = 0; i <= curves.max; ++i) {
    int32_t value = i;
    if (curves.gamma != kNeutralGamma) value = GammaCurve(value, curves.gamma, curves.max);
    if (curves.contrast != 0) value = ContrastCurve(value, curves.contrast, curves.max);
    if (curves.brightness != 0) value = BrightnessCurve(value, factor, curves.max);
    words_[std::size_t(i)] = uint16_t(value);
  }
  if (curves.max == kByteMax) std::copy(words_.begin(), words_.end(), bytes_.begin());
}

// Four independent lookups per step keep the load ports busy.
void MapBytes(uint8_t *dst, const uint8_t *src, int32_t count, const uint8_t *table) {
  int32_t i = 0;
  for (; i + 4 <= count; i += 4) {
    const uint8_t a = src[i], b = src[i + 1], c = src[i + 2], d = src[i + 3];
    dst[i] = table[a];
    dst[i + 1] = table[b];
    dst[i + 2] = table[c];
    dst[i + 3] = table[d];
  }
  for (; i < count; ++i) dst[i] = table[src[i]];
}

void MapWords(uint16_t *dst, const uint16_t *src, int32_t count, const uint16_t *table,
              uint32_t max) {
  int32_t i = 0;
  for (; i + 4 <= count; i += 4) {
    const uint32_t a = std::min<uint32_t>(src[i], max), b = std::min<uint32_t>(src[i + 1], max);
    const uint32_t c = std::min<uint32_t>(src[i + 2], max), d = std::min<uint32_t>(src[i + 3], max);
    dst[i] = table[a];
    dst[i + 1] = table[b];
    dst[i + 2] = table[c];
    dst[i + 3] = table[d];
  }
  for (; i < count; ++i) dst[i] = table[std::min<uint32_t>(src[i], max)];
}

namespace {

template <typename Sample, int32_t Channels>
void ApplyRows(const PixelJob &job, const Sample *table, uint32_t max) {
  loops::EachRow<false>(job, [&](uint8_t *dstRow, const uint8_t *srcRow, int32_t width) {
    Sample *dst = reinterpret_cast<Sample *>(dstRow);
    const Sample *src = reinterpret_cast<const Sample *>(srcRow);
    if constexpr (Channels == 1 && sizeof(Sample) == 1) {
      MapBytes(dst, src, width, table);
    } else if constexpr (Channels == 1) {
      MapWords(dst, src, width, table, max);
    } else {
      for (int32_t x = 0; x < width; ++x) {
        for (int32_t c = 0; c < 3; ++c)
          dst[Channels * x + c] = table[std::min<uint32_t>(src[Channels * x + c], max)];
        if constexpr (Channels == 4) dst[4 * x + 3] = src[4 * x + 3];
      }
    }
  });
}

}  // namespace

int32_t ApplyToneTable(const PixelJob &job) {
  const auto *table = static_cast<const ToneTable *>(job.params);
  if (table == nullptr || job.dstBytesPerPixel != job.srcBytesPerPixel) return 0;
  const bool bytes = table->max() == kByteMax;
  if (!bytes && table->max() != int32_t(kSampleMax)) return 0;
  const uint32_t max = uint32_t(table->max());
  switch (job.srcBytesPerPixel * (bytes ? 1 : -1)) {
    case 1:
      ApplyRows<uint8_t, 1>(job, table->bytes(), max);
      return 1;
    case 3:
      ApplyRows<uint8_t, 3>(job, table->bytes(), max);
      return 1;
    case 4:
      ApplyRows<uint8_t, 4>(job, table->bytes(), max);
      return 1;
    case -2:
      ApplyRows<uint16_t, 1>(job, table->words(), max);
      return 1;
    case -6:
      ApplyRows<uint16_t, 3>(job, table->words(), max);
      return 1;
    case -8:
      ApplyRows<uint16_t, 4>(job, table->words(), max);
      return 1;
    default:
      return 0;
  }
}

}  // namespace velmor::imaging
