#include "emulator/SensorFaults.h"

#include <cmath>

#include "emulator/Scene.h"

namespace velmor::emulator {
namespace {

constexpr double kCentre = (kSensorSize - 1) / 2.0;
constexpr double kCornerDistance2 = 2 * kCentre * kCentre;

uint64_t Mix(uint64_t z) {
  z += 0x9E3779B97F4A7C15ull;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

uint64_t PixelKey(int x, int y) { return uint64_t(uint32_t(y)) << 12 ^ uint64_t(uint32_t(x)); }

// A bell-shaped deviate of unit variance from four 16-bit uniforms of
// `bits` (their sum is close to normal and never beyond 3.5).
double Deviate(uint64_t bits) {
  const double sum = double(bits & 0xFFFF) + double(bits >> 16 & 0xFFFF) +
                     double(bits >> 32 & 0xFFFF) + double(bits >> 48);
  constexpr double kMean = 2 * 65536.0, kDeviation = 65536.0 / 1.7320508075688772;
  return (sum - kMean) / kDeviation;
}

}  // namespace

double SensorFaults::Response(int x, int y) const {
  const double gain = 1.0 + kGainSpread * Deviate(Mix(seed_ ^ PixelKey(x, y)));
  const double dx = x - kCentre, dy = y - kCentre;
  return gain * (1.0 - kCornerFallOff * (dx * dx + dy * dy) / kCornerDistance2);
}

int SensorFaults::DarkOffset(int x, int y) const {
  return int(Mix(~seed_ ^ PixelKey(x, y)) % (kMaxDarkOffset + 1));
}

int SensorFaults::Noise(int x, int y, uint32_t frame, int sigma) const {
  const uint64_t bits = Mix(seed_ ^ PixelKey(x, y) ^ uint64_t(frame) << 24 ^ 0x5A5A5A5A00000000ull);
  return int(std::lround(sigma * Deviate(bits)));
}

}  // namespace velmor::emulator
