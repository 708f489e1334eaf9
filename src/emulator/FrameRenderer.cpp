#include "emulator/FrameRenderer.h"

#include <algorithm>
#include <cmath>

namespace velmor::emulator {
namespace {

constexpr int kHalfSensor = kSensorSize / 2;
constexpr uint16_t kOutsideCode = 0xFFFD;  // beyond the pixel array: black level

// 12-bit sample for every code.
std::vector<uint16_t> SampleTable(const FrameShape &shape) {
  std::vector<uint16_t> table(65536);
  for (int code = 0; code < 4096; ++code) {
    if (shape.pattern == Pattern::Ramp) {
      table[code] = uint16_t(code);
    } else {
      const double value = shape.blackLevel + std::floor(code * shape.brightness);
      table[code] = uint16_t(std::min(4095.0, value));
    }
  }
  table[kHotCode] = 4095;
  table[kDeadCode] = 0;
  table[kOutsideCode] = uint16_t(std::clamp(shape.blackLevel, 0, 4095));
  return table;
}

class Sampler {
 public:
  explicit Sampler(const FrameShape &shape)
      : shape_(shape), codes_(PatternCodes(shape.pattern)), table_(SampleTable(shape)) {}

  uint16_t Black() const { return table_[kOutsideCode]; }

  // Sample of upright output pixel (x, y).
  uint16_t At(int x, int y) const {
    switch (shape_.mode) {
      case 1:
        return Sample(2 * x, 2 * y);
      case 17: {
        const int X = shape_.hStart + 2 * x, Y = shape_.vStart + 2 * y;
        return uint16_t(
            (Sample(X, Y) + Sample(X + 1, Y) + Sample(X, Y + 1) + Sample(X + 1, Y + 1)) / 4);
      }
      default:
        return Sample(shape_.hStart + x, shape_.vStart + y);
    }
  }

 private:
  uint16_t Sample(int X, int Y) const {
    if (X < 0 || Y < 0 || X >= kSensorSize || Y >= kSensorSize) return table_[kOutsideCode];
    return table_[codes_[std::size_t(Y) * kSensorSize + X]];
  }

  const FrameShape &shape_;
  const std::vector<uint16_t> &codes_;
  const std::vector<uint16_t> table_;
};

}  // namespace

int SensorOutputWidth(const FrameShape &shape) {
  if (shape.mode == 1) return kHalfSensor;
  return std::max(0, shape.mode == 17 ? shape.width / 2 : shape.width);
}

int SensorOutputHeight(const FrameShape &shape) {
  if (shape.mode == 1) return kHalfSensor;
  return std::max(0, shape.mode == 17 ? shape.height / 2 : shape.height);
}

Payload RenderFrame(const FrameShape &shape) {
  const Sampler sampler(shape);
  const int sensorWidth = SensorOutputWidth(shape), sensorHeight = SensorOutputHeight(shape);
  const int width = std::max(0, shape.outWidth), height = std::max(0, shape.outHeight);
  const int bytes = shape.bytesPerPixel;
  auto payload = std::make_shared<std::vector<uint8_t>>(std::size_t(width) * height * bytes);
  std::vector<uint16_t> row(width);
  uint8_t *out = payload->data();
  // The sensor reads out turned by 180 degrees; each mirror bit turns its
  // direction back.
  for (int r = 0; r < height; ++r) {
    const int y = shape.mirrorV ? r : sensorHeight - 1 - r;
    for (int c = 0; c < width; ++c) {
      const int x = shape.mirrorH ? c : sensorWidth - 1 - c;
      row[c] = (r < sensorHeight && c < sensorWidth) ? sampler.At(x, y) : sampler.Black();
    }
    if (bytes == 2) {
      for (int c = 0; c < width; ++c) {
        out[2 * c] = uint8_t(row[c]);
        out[2 * c + 1] = uint8_t(row[c] >> 8);
      }
    } else {
      for (int c = 0; c < width; ++c) out[c] = uint8_t(row[c] >> 4);
    }
    out += std::size_t(width) * bytes;
  }
  return payload;
}

}  // namespace velmor::emulator
