// The fixed-pattern faults of an emulated sensor, which mask correction is
// there to remove: a gain that differs from pixel to pixel by about 1 %, a
// dark offset of 0 to 6 DN on top of the black level, and vignetting that
// darkens the corners by 30 % (15 % at the middle of each edge). They follow
// from the camera number alone, so every run shows the same sensor; each
// camera a different one. Temporal noise, when switched on, is drawn anew
// for every frame.
#pragma once

#include <cstdint>

namespace velmor::emulator {

class SensorFaults {
 public:
  static constexpr double kGainSpread = 0.01;    // standard deviation
  static constexpr double kCornerFallOff = 0.3;  // vignetting in the corners
  static constexpr int kMaxDarkOffset = 6;       // DN

  explicit SensorFaults(int camera) : seed_(uint64_t(uint32_t(camera)) << 44) {}

  // Gain times vignetting of upright sensor pixel (x, y).
  double Response(int x, int y) const;
  int DarkOffset(int x, int y) const;
  // Temporal noise of pixel (x, y) in frame `frame`: a whole number of DN
  // with standard deviation `sigma`.
  int Noise(int x, int y, uint32_t frame, int sigma) const;

 private:
  uint64_t seed_;
};

}  // namespace velmor::emulator
