#include "emulator/Imx487Model.h"

#include <algorithm>
#include <cmath>

namespace velmor::emulator {
namespace {

constexpr uint16_t kModeCode = 0x023C;
constexpr uint16_t kFrameLength = 0x02D4;
constexpr uint16_t kLineLength = 0x02D8;
constexpr uint16_t kHOffset = 0x0320, kVOffset = 0x0322, kWidth = 0x0324, kHeight = 0x0326;
constexpr uint16_t kDirection = 0x0404;
constexpr uint16_t kShutter = 0x0440;
constexpr uint16_t kGain = 0x0714;
constexpr uint16_t kBlackLevel = 0x07B4;

constexpr double kPixelClockKHz = 54545.0;
constexpr double kReferenceExposure = 0.026248;

struct PowerUpValue {
  uint16_t address;
  uint8_t value;
};
// Full 8-bit readout with the driver's default exposure, gain and black level.
constexpr PowerUpValue kPowerUp[] = {
    {kModeCode, 1},       {kFrameLength, 0xB0}, {kFrameLength + 1, 0x0B}, {kLineLength, 0x61},
    {kLineLength + 1, 2}, {kWidth, 0x20},       {kWidth + 1, 0x0B},       {kHeight, 0x20},
    {kHeight + 1, 0x0B},  {kShutter, 0x88},     {kShutter + 1, 0x07},     {kBlackLevel, 0xF0},
    {0x0997, 0x08}};

// The offsets count from the right and bottom edges as 13-bit two's
// complement numbers, so a window wider than the array has a negative one.
int Signed13(uint32_t value) {
  return (value & 0x1000) ? int(value & 0x1FFF) - 0x2000 : int(value & 0x1FFF);
}

}  // namespace

Imx487Model::Imx487Model() : registers_(65536, 0) {
  for (const PowerUpValue &entry : kPowerUp) registers_[entry.address] = entry.value;
}

uint32_t Imx487Model::Field(uint16_t address, int bytes) const {
  uint32_t value = 0;
  for (int i = 0; i < bytes; ++i) value |= uint32_t(registers_[uint16_t(address + i)]) << (8 * i);
  return value;
}

int Imx487Model::Mode() const {
  switch (registers_[kModeCode]) {
    case 10:
      return 1;
    case 18:
      return 17;
    default:
      return 0;
  }
}

int Imx487Model::FrameLengthLines() const { return std::max<int>(1, int(Field(kFrameLength, 3))); }

double Imx487Model::LinePeriodUs() const {
  const bool full = Mode() == 0;
  const double base = full ? 443.0 : 248.8;
  const double nominalLength = full ? 609.0 : 342.0;
  const double length = std::max<uint32_t>(1, Field(kLineLength, 2));
  return base * (length / nominalLength) * 1000.0 / kPixelClockKHz;
}

double Imx487Model::ExposureSeconds() const {
  const int lines = std::max(1, FrameLengthLines() - int(Field(kShutter, 3)));
  return lines * LinePeriodUs() / 1e6;
}

int Imx487Model::GainCode() const { return int(Field(kGain, 2) & 0x1FF); }

int Imx487Model::BlackLevel() const { return int(Field(kBlackLevel, 2) & 0xFFF); }

void Imx487Model::Describe(FrameShape &shape) const {
  shape.mode = Mode();
  shape.width = int(Field(kWidth, 2) & 0x1FFF);
  shape.height = int(Field(kHeight, 2) & 0x1FFF);
  shape.hStart = kSensorSize - Signed13(Field(kHOffset, 2)) - shape.width;
  shape.vStart = kSensorSize - Signed13(Field(kVOffset, 2)) - shape.height;
  shape.mirrorV = registers_[kDirection] & 1;
  shape.mirrorH = registers_[kDirection] & 2;
  shape.blackLevel = BlackLevel();
  shape.brightness = ExposureSeconds() / kReferenceExposure * std::pow(10.0, GainCode() / 200.0);
}

}  // namespace velmor::emulator
