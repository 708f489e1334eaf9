#include "imaging/Sharpness.h"

#include <algorithm>
#include <vector>

#include "imaging/PixelLoops.h"
#include "platform/Cpu.h"

namespace velmor::imaging {
namespace {

constexpr int32_t kFrame = 2;

template <typename Sample>
const Sample *Entries(const ToneTable *table) {
  if (table == nullptr || table->identity()) return nullptr;
  if constexpr (sizeof(Sample) == 1)
    return table->bytes();
  else
    return table->words();
}

// One row of pixels through a table (null: only held to max), the fourth
// channel copied.
template <typename Sample, int32_t Channels>
[[gnu::always_inline]] inline void MapRow(Sample *dst, const Sample *src, int32_t pixels,
                                          const Sample *table, uint32_t max) {
  if constexpr (Channels == 4) {
    for (int32_t x = 0; x < pixels; ++x) {
      for (int32_t c = 0; c < 3; ++c) {
        const uint32_t v = std::min<uint32_t>(src[4 * x + c], max);
        dst[4 * x + c] = table ? table[v] : Sample(v);
      }
      dst[4 * x + 3] = src[4 * x + 3];
    }
  } else if (table != nullptr) {
    if constexpr (sizeof(Sample) == 1)
      MapBytes(dst, src, pixels * Channels, table);
    else
      MapWords(dst, src, pixels * Channels, table, max);
  } else {
    loops::Vectorised(pixels * Channels,
                      [&](int32_t i) { dst[i] = Sample(std::min<uint32_t>(src[i], max)); });
  }
}

// The mask over one interior row into `out` (samples 2C ... n - 2C - 1);
// the vertical sums of the four rows first, then the horizontal ones. The
// sums fit 16 bits: 16 x kSampleMax < 65536.
template <typename Sample, int32_t Channels>
[[gnu::always_inline]] inline void MaskRow(Sample *out, uint16_t *columns, const Sample *rows[4],
                                           const Sample *orig, int32_t samples, int32_t strength,
                                           int32_t max) {
  const Sample *r0 = rows[0], *r1 = rows[1], *r2 = rows[2], *r3 = rows[3];
  loops::Vectorised(samples,
                    [&](int32_t i) { columns[i] = uint16_t(r0[i] + r1[i] + r2[i] + r3[i]); });
  constexpr int32_t C = Channels;
  const int32_t first = kFrame * C;
  const uint16_t *c0 = columns + first - 2 * C, *c1 = columns + first - C;
  const uint16_t *c2 = columns + first, *c3 = columns + first + C;
  const Sample *o = orig + first;
  Sample *d = out + first;
  loops::Vectorised(samples - 2 * first, [=](int32_t j) {
    const int32_t blur = (c0[j] + c1[j] + c2[j] + c3[j]) >> 4;
    const int32_t value = o[j] + strength * (o[j] - blur) / 10;
    d[j] = Sample(std::clamp(value, 0, max));
  });
}

template <typename Sample, int32_t Channels>
VELMOR_TARGET_AVX2 void MaskRowAvx2(Sample *out, uint16_t *columns, const Sample *rows[4],
                                    const Sample *orig, int32_t samples, int32_t strength,
                                    int32_t max) {
  MaskRow<Sample, Channels>(out, columns, rows, orig, samples, strength, max);
}

template <typename Sample, int32_t Channels>
void MaskRowBaseline(Sample *out, uint16_t *columns, const Sample *rows[4], const Sample *orig,
                     int32_t samples, int32_t strength, int32_t max) {
  MaskRow<Sample, Channels>(out, columns, rows, orig, samples, strength, max);
}

template <typename Sample, int32_t Channels>
void SharpenImage(DibImage &image, DibImage &scratch, int32_t strength, const ToneTable *before,
                  const ToneTable *after) {
  constexpr int32_t C = Channels;
  constexpr uint32_t max = sizeof(Sample) == 1 ? uint32_t(kByteMax) : kSampleMax;
  const int32_t width = image.width(), height = image.height();
  const int32_t samples = width * C;
  const auto row = [](const DibImage &of, int32_t y) {
    return reinterpret_cast<Sample *>(of.bits() + std::ptrdiff_t(y) * of.stride());
  };
  const Sample *beforeTable = Entries<Sample>(before);
  const Sample *afterTable = Entries<Sample>(after);
  for (int32_t y = 0; y < height; ++y)
    MapRow<Sample, C>(row(scratch, y), row(image, y), width, beforeTable, max);

  const auto maskRow =
      platform::cpu_has_avx2() ? MaskRowAvx2<Sample, C> : MaskRowBaseline<Sample, C>;
  std::vector<uint16_t> columns(static_cast<std::size_t>(samples));
  std::vector<Sample> staged(afterTable ? std::size_t(samples) : 0);
  for (int32_t y = 0; y < height; ++y) {
    const Sample *orig = row(scratch, y);
    if (y < kFrame || y >= height - kFrame) {
      MapRow<Sample, C>(row(image, y), orig, width, afterTable, max);
      continue;
    }
    // Without a table the row is written straight into the image.
    Sample *out = afterTable ? staged.data() : row(image, y);
    const Sample *rows[4] = {row(scratch, y - 2), row(scratch, y - 1), orig, row(scratch, y + 1)};
    maskRow(out, columns.data(), rows, orig, samples, strength, int32_t(max));
    const int32_t edge = std::min(kFrame * C, samples);
    std::copy(orig, orig + edge, out);
    std::copy(orig + samples - edge, orig + samples, out + samples - edge);
    if constexpr (C == 4)
      for (int32_t x = 0; x < width; ++x) out[4 * x + 3] = orig[4 * x + 3];
    if (afterTable) MapRow<Sample, C>(row(image, y), out, width, afterTable, max);
  }
}

}  // namespace

bool Sharpen(DibImage &image, DibImage &scratch, int32_t strength, const ToneTable *before,
             const ToneTable *after) {
  const int32_t bits = image.bitsPerPixel();
  if (bits != 8 && bits != 16 && bits != 24 && bits != 32 && bits != 48 && bits != 64) return false;
  if ((scratch.width() != image.width() || scratch.height() != image.height() ||
       scratch.bitsPerPixel() != bits) &&
      !scratch.Create(image.width(), image.height(), bits))
    return false;
  switch (bits) {
    case 8:
      SharpenImage<uint8_t, 1>(image, scratch, strength, before, after);
      break;
    case 16:
      SharpenImage<uint16_t, 1>(image, scratch, strength, before, after);
      break;
    case 24:
      SharpenImage<uint8_t, 3>(image, scratch, strength, before, after);
      break;
    case 32:
      SharpenImage<uint8_t, 4>(image, scratch, strength, before, after);
      break;
    case 48:
      SharpenImage<uint16_t, 3>(image, scratch, strength, before, after);
      break;
    default:
      SharpenImage<uint16_t, 4>(image, scratch, strength, before, after);
      break;
  }
  return true;
}

}  // namespace velmor::imaging
