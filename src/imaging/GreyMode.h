// Grey mode 1: per-Bayer-position gains and offsets on a raw 8- or 16-bit
// image, and the automatic gains that even out the positions.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "imaging/PixelRoutine.h"

namespace velmor::imaging {

// Bayer positions in the order of the filter values (R, G1, G2, B). For
// Bayer mode 0: even row and even column G1, even row and odd column R, odd
// row and even column B, odd row and odd column G2; bit 0 of the mode
// exchanges the rows, bit 1 the columns (memory rows, counted from 0).
enum GreyPosition : int32_t { kGreyR = 0, kGreyG1 = 1, kGreyG2 = 2, kGreyB = 3 };

inline constexpr int32_t kGreyUnity = 128;

struct GreyGains {
  int32_t bayerMode = 0;            // as set, not mirror-adjusted
  std::array<int32_t, 4> gain{};    // 0 ... 255, 128 = unity
  std::array<int32_t, 4> offset{};  // -255 ... 255
};

// The position of memory pixel (x, y).
GreyPosition GreyPositionAt(int32_t bayerMode, int32_t x, int32_t y);

// In place: v becomes offset + gain x v / 128 (truncated), held to 0 ... 255
// or 0 ... kSampleMax (larger 16-bit samples count as kSampleMax). Params:
// GreyGains.
int32_t ApplyGreyGains(const PixelJob &job);

// The automatic gains: over the samples with 0 < m < 255, m the sample of an
// 8-bit image or the top eight of a 16-bit sample's kSampleBits, the mean of
// each position in single precision; G1 stays 128 and every other gain
// becomes trunc(mean G1 / mean P x 128), held to 0 ... 255. A position
// whose mean is 0 keeps its gain from `current`, which also gives the
// Bayer mode.
std::array<int32_t, 4> MeasureGreyGains(const class DibImage &image, const GreyGains &current);

}  // namespace velmor::imaging
