#include "emulator/FrameRenderer.h"

#include <algorithm>
#include <cmath>

#include "emulator/SensorFaults.h"

namespace velmor::emulator {
namespace {

constexpr int kHalfSensor = kSensorSize / 2;

class Sampler {
 public:
  explicit Sampler(const FrameShape &shape)
      : shape_(shape),
        codes_(PatternCodes(shape.pattern)),
        faults_(shape.camera),
        black_(std::clamp(shape.blackLevel, 0, 4095)) {}

  uint16_t Black() const { return uint16_t(black_); }

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
  // The ramp is the code itself. Otherwise a pixel collects its share of
  // the light (the scene's or the flat level, none through a capped lens)
  // shaded by its response, on top of the black level and its dark offset.
  uint16_t Sample(int X, int Y) const {
    if (X < 0 || Y < 0 || X >= kSensorSize || Y >= kSensorSize) return uint16_t(black_);
    const uint16_t code = codes_[std::size_t(Y) * kSensorSize + X];
    if (shape_.pattern == Pattern::Ramp) return code;
    if (code == kHotCode) return 4095;
    if (code == kDeadCode) return 0;
    const double light = shape_.pattern == Pattern::Scene  ? code
                         : shape_.pattern == Pattern::Flat ? shape_.flatLevel
                                                           : 0;
    const double signal = std::min(light * shape_.brightness * faults_.Response(X, Y), 8192.0);
    int value = black_ + faults_.DarkOffset(X, Y) + int(std::floor(signal));
    if (shape_.noise > 0) value += faults_.Noise(X, Y, shape_.frame, shape_.noise);
    return uint16_t(std::clamp(value, 0, 4095));
  }

  const FrameShape &shape_;
  const std::vector<uint16_t> &codes_;
  const SensorFaults faults_;
  const int black_;
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
