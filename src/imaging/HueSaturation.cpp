#include "imaging/HueSaturation.h"

#include <algorithm>
#include <climits>

namespace velmor::imaging {
namespace {

constexpr int32_t kTurn = 1530;  // 6 sectors of 255 steps
constexpr uint32_t Grey(int32_t k) { return uint32_t(k) * 0x010101u; }

// Per sector: the channels at full chroma, and the step of the running one.
struct Sector {
  uint32_t mask;
  int32_t unit;
};
constexpr Sector kSectors[6] = {
    {0xFF00FF, -1},        // magenta to red: blue falls
    {0xFF0000, 0x100},     // red to yellow: green rises
    {0xFFFF00, -0x10000},  // yellow to green: red falls
    {0x00FF00, 1},         // green to cyan: blue rises
    {0x00FFFF, -0x100},    // cyan to blue: green falls
    {0x0000FF, 0x10000},   // blue to magenta: red rises
};

// Samples of 16-bit images on the 8-bit scale and back.
constexpr int32_t kWideShift = kSampleBits - 8;

template <typename Sample, int32_t Channels>
void ApplyRows(const HueSaturation &filter, DibImage &image, int32_t shift) {
  for (int32_t y = 0; y < image.height(); ++y) {
    Sample *row = reinterpret_cast<Sample *>(image.bits() + std::ptrdiff_t(y) * image.stride());
    for (int32_t x = 0; x < image.width(); ++x) {
      Sample *px = row + std::ptrdiff_t(x) * Channels;
      uint32_t rgb;
      if constexpr (sizeof(Sample) == 1) {
        rgb = uint32_t(px[0]) | uint32_t(px[1]) << 8 | uint32_t(px[2]) << 16;
      } else {
        const auto narrow = [](Sample v) {
          return std::min<uint32_t>(v, kSampleMax) >> kWideShift;
        };
        rgb = narrow(px[0]) | narrow(px[1]) << 8 | narrow(px[2]) << 16;
      }
      const uint32_t out = filter.Pixel(rgb, shift);
      for (int32_t c = 0; c < 3; ++c) {
        const uint32_t v = (out >> (8 * c)) & 0xFF;
        px[c] = sizeof(Sample) == 1 ? Sample(v) : Sample(v << kWideShift);
      }
      if constexpr (sizeof(Sample) == 2 && Channels == 4) px[3] = 0;
    }
  }
}

}  // namespace

int32_t HueSaturation::HueShift(int32_t hue) {
  const int32_t s = int32_t((int64_t(hue) * 65536 / 360) & 0xFFFF);
  const int32_t t = (6 * s) >> 8;
  int32_t m = t % 512;
  if (m >= 256) m -= 512;
  const int32_t o = ((t + 256) >> 9) % 3;
  int32_t shift = m + 510 * o;
  if (shift < 0) shift += kTurn;
  if (shift >= kTurn) shift -= kTurn;
  return shift;
}

void HueSaturation::Prepare(int32_t saturation) {
  if (saturation == builtFor_) return;
  builtFor_ = saturation;
  reciprocal_[0] = 0;
  for (uint32_t k = 1; k < 256; ++k) reciprocal_[k] = 0xFF0000u / k;
  const int64_t scale = int64_t(saturation + 256) * 256;
  for (int32_t x = 0; x < 256; ++x)
    saturated_[std::size_t(x)] = int32_t((x * scale + 0x8000) >> 16);
  for (int32_t i = 0; i < 511; ++i) limit_[std::size_t(i)] = i <= 255 ? i : 511 - i;
}

uint32_t HueSaturation::Pixel(uint32_t rgb, int32_t shift) const {
  const int32_t b = int32_t(rgb & 0xFF), g = int32_t((rgb >> 8) & 0xFF), r = int32_t(rgb >> 16);
  const int32_t hi = std::max({r, g, b}), lo = std::min({r, g, b});
  const int32_t chroma = hi - lo, sum = hi + lo;
  int32_t sector, l, top;
  if (r >= g) {
    top = r, sector = 1, l = g - b;
  } else {
    top = g, sector = 3, l = b - r;
  }
  if (b > top) sector = 5, l = r - g;
  if (l < 0) --sector, l += chroma;
  const int32_t newChroma = std::min(limit_[std::size_t(sum)], saturated_[std::size_t(chroma)]);
  const int32_t low = (sum - newChroma) >> 1;
  const int32_t width = ((sum + newChroma) >> 1) - low;
  uint32_t result = Grey(low);
  if (chroma == 0) return result;
  const int32_t v =
      int32_t((uint32_t(l) * reciprocal_[std::size_t(chroma)] + 0x8000) >> 16) + shift % 255;
  const int32_t k = (sector + shift / 255 + (v > 254 ? 1 : 0)) % 6;
  const int32_t f = v < 255 ? v : v - 255;
  result += Grey(width) & kSectors[k].mask;
  result += uint32_t(((width * f + 128) >> 8) * kSectors[k].unit);
  return result;
}

bool HueSaturation::Apply(DibImage &image, int32_t hue, int32_t saturation) {
  Prepare(std::clamp(saturation, -255, 255));
  const int32_t shift = HueShift(std::clamp(hue, -360, 360));
  switch (image.bitsPerPixel()) {
    case 24:
      ApplyRows<uint8_t, 3>(*this, image, shift);
      return true;
    case 32:
      ApplyRows<uint8_t, 4>(*this, image, shift);
      return true;
    case 48:
      ApplyRows<uint16_t, 3>(*this, image, shift);
      return true;
    case 64:
      ApplyRows<uint16_t, 4>(*this, image, shift);
      return true;
    default:
      return false;
  }
}

}  // namespace velmor::imaging
