#include "imaging/WhiteBalance.h"

#include <algorithm>
#include <array>

#include "imaging/DibImage.h"

namespace velmor::imaging {
namespace {

enum Colour { kGreen = 0, kBlue = 1, kRed = 2 };

// [row parity][column parity] for Bayer mode 0: even rows green, blue; odd
// rows red, green.
constexpr Colour kPattern[2][2] = {{kGreen, kBlue}, {kRed, kGreen}};

template <typename Sample>
BayerGains Measure(const DibImage &raw, int32_t bayerMode, const BayerGains &current) {
  std::array<uint64_t, 3> sums{}, counts{};
  for (int32_t y = 0; y < raw.height(); ++y) {
    const Sample *row =
        reinterpret_cast<const Sample *>(raw.bits() + std::ptrdiff_t(y) * raw.stride());
    const int32_t rowParity = (y ^ bayerMode) & 1;
    // Two sums per row, one per column parity, then to their colours.
    std::array<uint64_t, 2> rowSums{};
    for (int32_t x = 0; x + 1 < raw.width(); x += 2) {
      rowSums[0] += row[x];
      rowSums[1] += row[x + 1];
    }
    if (raw.width() % 2) rowSums[0] += row[raw.width() - 1];
    for (int32_t parity = 0; parity < 2; ++parity) {
      const Colour colour = kPattern[rowParity][(parity ^ (bayerMode >> 1)) & 1];
      sums[colour] += rowSums[std::size_t(parity)];
      counts[colour] += uint64_t((raw.width() + 1 - parity) / 2);
    }
  }
  const auto mean = [&](Colour colour) {
    return counts[colour] ? double(sums[colour]) / double(counts[colour]) : 0.0;
  };
  const auto gain = [&](Colour colour, int32_t kept) {
    const double divisor = mean(colour);
    if (divisor <= 0.0) return kept;
    return int32_t(std::min(mean(kGreen) / divisor * 100.0, double(kMaxBayerGain)));
  };
  return BayerGains{gain(kRed, current.red), 100, gain(kBlue, current.blue)};
}

}  // namespace

BayerGains MeasureWhiteBalance(const DibImage &raw, int32_t bayerMode, const BayerGains &current) {
  if (raw.bitsPerPixel() == 8) return Measure<uint8_t>(raw, bayerMode, current);
  if (raw.bitsPerPixel() == 16) return Measure<uint16_t>(raw, bayerMode, current);
  return current;
}

}  // namespace velmor::imaging
