#include "emulator/Scene.h"

#include <mutex>

namespace velmor::emulator {
namespace {

struct Box {
  int x0, y0, x1, y1;  // half-open
  bool Contains(int x, int y) const { return x >= x0 && x < x1 && y >= y0 && y < y1; }
};

constexpr Box kLetterF[] = {{448, 384, 640, 1408}, {448, 384, 1280, 576}, {448, 832, 1024, 1008}};
constexpr Box kChecker = {256, 2048, 768, 2560};
constexpr int kDiscX = 2048, kDiscY = 2048, kDiscRadius = 320;

void MarkDefects(std::vector<uint16_t> &codes) {
  for (const PixelAt &p : kHotPixels) codes[std::size_t(p.y) * kSensorSize + p.x] = kHotCode;
  for (const PixelAt &p : kDeadPixels) codes[std::size_t(p.y) * kSensorSize + p.x] = kDeadCode;
}

std::vector<uint16_t> BuildScene() {
  std::vector<uint16_t> codes(std::size_t(kSensorSize) * kSensorSize);
  for (int y = 0; y < kSensorSize; ++y)
    for (int x = 0; x < kSensorSize; ++x)
      codes[std::size_t(y) * kSensorSize + x] = SceneValue(x, y);
  MarkDefects(codes);
  return codes;
}

std::vector<uint16_t> BuildDefectsOnly() {
  std::vector<uint16_t> codes(std::size_t(kSensorSize) * kSensorSize);
  MarkDefects(codes);
  return codes;
}

std::vector<uint16_t> BuildRamp() {
  std::vector<uint16_t> codes(std::size_t(kSensorSize) * kSensorSize);
  for (int y = 0; y < kSensorSize; ++y)
    for (int x = 0; x < kSensorSize; ++x)
      codes[std::size_t(y) * kSensorSize + x] = uint16_t((x + 16 * y) % 4096);
  return codes;
}

}  // namespace

uint16_t SceneValue(int x, int y) {
  for (const Box &box : kLetterF)
    if (box.Contains(x, y)) return 1500;
  const int dx = x - kDiscX, dy = y - kDiscY;
  if (dx * dx + dy * dy <= kDiscRadius * kDiscRadius) return 200;
  if (kChecker.Contains(x, y))
    return ((x - kChecker.x0) / 64 + (y - kChecker.y0) / 64) % 2 ? 1100 : 400;
  return uint16_t(560 + x * 160 / (kSensorSize - 1) + y * 80 / (kSensorSize - 1));
}

const std::vector<uint16_t> &PatternCodes(Pattern pattern) {
  static std::once_flag sceneOnce, rampOnce, defectsOnce;
  static std::vector<uint16_t> scene, ramp, defects;
  switch (pattern) {
    case Pattern::Ramp:
      std::call_once(rampOnce, [] { ramp = BuildRamp(); });
      return ramp;
    case Pattern::Dark:
    case Pattern::Flat:
      std::call_once(defectsOnce, [] { defects = BuildDefectsOnly(); });
      return defects;
    case Pattern::Scene:
      break;
  }
  std::call_once(sceneOnce, [] { scene = BuildScene(); });
  return scene;
}

}  // namespace velmor::emulator
