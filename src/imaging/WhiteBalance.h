// Automatic white balance: the red and blue Bayer gains that bring the means
// of a raw image's red and blue positions to its green mean.
#pragma once

#include <cstdint>

namespace velmor::imaging {

class DibImage;

struct BayerGains {
  int32_t red = 100;  // percent, 0 ... 400
  int32_t green = 100;
  int32_t blue = 100;
};

inline constexpr int32_t kMaxBayerGain = 400;

// Sums every pixel of each position of the 8- or 16-bit raw image (the
// pattern of the Demosaic for the mirror-adjusted `bayerMode`; both greens
// together) and sets red = trunc(mean green / mean red x 100), blue likewise,
// both at most 400, green 100, in double precision. A colour whose mean is 0
// keeps its gain from `current`; other formats give `current`.
BayerGains MeasureWhiteBalance(const DibImage &raw, int32_t bayerMode, const BayerGains &current);

}  // namespace velmor::imaging
