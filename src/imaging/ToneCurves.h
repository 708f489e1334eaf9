// Gamma, contrast and brightness: each a function of one sample's value, on
// 8-bit samples (0 ... 255) and this camera's 16-bit samples (0 ...
// kSampleMax), composed into one lookup table so that any run of them costs
// one pass over the image.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "imaging/PixelRoutine.h"

namespace velmor::imaging {

inline constexpr int32_t kByteMax = 255;

// Neutral values: the stages do nothing at these.
inline constexpr int32_t kNeutralGamma = 100;

// Gamma g (0 ... 200): 0 stays 0, i becomes min(max, trunc((i / max)^(100 / g)
// x max)) in double precision; g = 0 makes every value but max 0.
int32_t GammaCurve(int32_t value, int32_t gamma, int32_t max);
// Contrast c (-127 ... 127) on the scale of 8-bit samples: C = c x (max + 1)
// / 256; below C 0, above max - C max, else trunc((max + 1) / (max + 1 - 2C)
// x (value - C)) in double precision.
int32_t ContrastCurve(int32_t value, int32_t contrast, int32_t max);
// Brightness b (-255 ... 255): the factor 1 - |b| / 255 below 0, 1 + 10 b /
// 255 above, formed in double precision and used in single precision.
float BrightnessFactor(int32_t brightness);
// trunc(value x factor) in single precision, at most max.
int32_t BrightnessCurve(int32_t value, float factor, int32_t max);

// The composition of the curves that are switched on, in the order gamma,
// contrast, brightness, for one depth. Rebuilt only when a value changes.
class ToneTable {
 public:
  struct Curves {
    int32_t max = kByteMax;
    int32_t gamma = kNeutralGamma;
    int32_t contrast = 0;
    int32_t brightness = 0;
    bool operator==(const Curves &) const = default;
  };

  void Build(const Curves &curves);
  bool identity() const { return identity_; }
  // Entries 0 ... max, as bytes (8-bit tables) and as words.
  const uint8_t *bytes() const { return bytes_.data(); }
  const uint16_t *words() const { return words_.data(); }
  int32_t max() const { return curves_.max; }

 private:
  Curves curves_{-1};
  bool identity_ = true;
  std::array<uint8_t, kByteMax + 1> bytes_{};
  std::vector<uint16_t> words_;
};

// dst[i] = table[src[i]] for `count` bytes, and dst[i] = table[min(src[i],
// max)] for `count` words; dst may be src.
void MapBytes(uint8_t *dst, const uint8_t *src, int32_t count, const uint8_t *table);
void MapWords(uint16_t *dst, const uint16_t *src, int32_t count, const uint16_t *table,
              uint32_t max);

// Runs the ToneTable in `params` over the job in place (destination and
// source the same image): 8-bit samples for a table of max 255, 16-bit
// samples (larger ones count as max) for one of max kSampleMax; grey images
// and colour images of 3 or 4 samples per pixel, whose fourth sample is left
// as it is. 0 when the depth and the table do not match.
int32_t ApplyToneTable(const PixelJob &job);

}  // namespace velmor::imaging
