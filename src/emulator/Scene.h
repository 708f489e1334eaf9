// The pictures the emulated sensor sees: per-pixel codes over the whole
// 2848 x 2848 array, upright (X to the right, Y down). A code below 4096 is a
// scene value in DN (for the ramp, the sample itself); two codes mark the
// defect pixels, which ignore exposure, gain and black level.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace velmor::emulator {

inline constexpr int kSensorSize = 2848;
inline constexpr uint16_t kHotCode = 0xFFFF;   // always reads 4095
inline constexpr uint16_t kDeadCode = 0xFFFE;  // always reads 0

// What the sensor sees. The scene, the capped lens (Dark: black level, dark
// offsets and hot pixels) and the flat light (one level, shaded by the
// sensor's faults) show the fixed-pattern faults of SensorFaults; the ramp
// shows none, its samples are exact.
enum class Pattern { Scene = 0, Ramp = 1, Dark = 2, Flat = 3 };

struct PixelAt {
  int x;
  int y;
};

inline constexpr std::array<PixelAt, 8> kHotPixels = {{{100, 200},
                                                       {2700, 150},
                                                       {1424, 1424},
                                                       {600, 2600},
                                                       {2200, 900},
                                                       {1800, 2400},
                                                       {2800, 2800},
                                                       {320, 1200}}};
inline constexpr std::array<PixelAt, 8> kDeadPixels = {{{150, 100},
                                                        {2600, 400},
                                                        {1000, 1600},
                                                        {2400, 2600},
                                                        {500, 500},
                                                        {1700, 300},
                                                        {2000, 1800},
                                                        {40, 2000}}};

// The scene without defects, in DN at unit brightness: a gentle gradient with
// a bright letter F in the upper left, a dark disc in the lower right and a
// checkerboard in the lower left, so any turn or mirror shows at a glance.
uint16_t SceneValue(int x, int y);

// Codes of the whole array, row after row; built once and shared. Dark and
// flat share one array that holds only the defect pixels.
const std::vector<uint16_t> &PatternCodes(Pattern pattern);

}  // namespace velmor::emulator
