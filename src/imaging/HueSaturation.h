// Hue shift and saturation of colour images in integer hexcone arithmetic,
// 8 bits per channel. Each instance keeps its own tables, so sessions never
// share them.
#pragma once

#include <array>
#include <cstdint>

#include "imaging/DibImage.h"

namespace velmor::imaging {

class HueSaturation {
 public:
  // Hue -360 ... 360 degrees, saturation -255 ... 255 (other values are held
  // to these). 24 and 32 bits per pixel: B, G, R bytes, a fourth byte left as
  // it is. 48 and 64: the top eight of each sample's kSampleBits bits, the
  // result written back on the same scale; a fourth word becomes 0. False,
  // touching nothing, for other formats.
  bool Apply(DibImage &image, int32_t hue, int32_t saturation);

  // The shift in 1/1530 of a turn that `hue` degrees make (0 ... 1529).
  static int32_t HueShift(int32_t hue);
  // One pixel packed as 0xRRGGBB, with the tables of the last Apply.
  uint32_t Pixel(uint32_t rgb, int32_t shift) const;

  // Builds the tables for `saturation` unless they are built for it.
  void Prepare(int32_t saturation);

 private:
  int32_t builtFor_ = INT32_MIN;
  std::array<uint32_t, 256> reciprocal_{};  // 0xFF0000 / k
  std::array<int32_t, 256> saturated_{};    // chroma scaled by the saturation
  std::array<int32_t, 511> limit_{};        // largest chroma of a lightness sum
};

}  // namespace velmor::imaging
