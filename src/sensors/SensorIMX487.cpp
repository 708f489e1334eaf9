#include "sensors/SensorIMX487.h"

#include <algorithm>
#include <cmath>

namespace velmor {
namespace {

// Sensor registers.
constexpr uint16_t kModeSelect = 0x023C;
constexpr uint16_t kFrameLength = 0x02D4;  // 3 bytes
constexpr uint16_t kLineLength = 0x02D8;   // 2 bytes
constexpr uint16_t kReadoutTiming[4] = {0x02E2, 0x02E3, 0x02E5, 0x02E6};
constexpr uint16_t kCropFlags = 0x0304;  // bit 0 width cropped, bit 1 height cropped
constexpr uint16_t kHOffset = 0x0320;    // from the right edge, 13 bits
constexpr uint16_t kVOffset = 0x0322;    // from the bottom edge, 13 bits
constexpr uint16_t kWindowWidth = 0x0324;
constexpr uint16_t kWindowHeight = 0x0326;
constexpr uint16_t kReadoutDirection = 0x0404;  // bit 0 vertical, bit 1 horizontal mirror
constexpr uint16_t kShutter = 0x0440;           // 3 bytes: frame length minus exposure lines
constexpr uint16_t kInitControl = 0x0702;
constexpr uint16_t kAnalogGain = 0x0714;  // 9 bits
constexpr uint16_t kBlackLevel = 0x07B4;  // 12 bits
constexpr uint16_t kGainRange = 0x0997;   // bit 3 set for gain codes up to 120
constexpr uint8_t kGainRangeBit = 0x08;
constexpr uint32_t kLowGainLimit = 120;
constexpr uint8_t kMirrorVBit = 0x01;
constexpr uint8_t kMirrorHBit = 0x02;

// FPGA register that follows the horizontal mirror.
constexpr uint8_t kFpgaMirrorH = 0x4C;

constexpr int32_t kFullLineLength = 609;
constexpr int32_t kWindowMask = 0x1FFF;
// Sensor overhead of every exposure, in microseconds.
constexpr double kExposureOffsetUs = 2.47;

// What each readout mode writes and how it times a line.
struct ReadoutModeTiming {
  int32_t mode;
  uint8_t modeCode;            // 0x023C
  uint8_t timing[4];           // 0x02E2, 0x02E3, 0x02E5, 0x02E6
  bool subsampled;             // output is half the window each way; no crop flags
  int32_t frameLengthBase;     // nominal frame length in lines...
  bool frameLengthAddsHeight;  // ...plus the window height
  int32_t lineLength;
  double linePeriodBase;   // clock cycles per line at 8 bits
  int32_t exposureMargin;  // lines the shutter keeps below the frame length
  uint8_t mirrorHFpga;     // FPGA 0x4C with the horizontal mirror on
};

constexpr ReadoutModeTiming kModes[] = {
    {0, 1, {4, 24, 4, 12}, false, 144, true, kFullLineLength, 443.0, 28, 8},
    {1, 10, {8, 48, 8, 24}, true, 1576, false, 342, 248.8, 56, 4},
    {17, 18, {8, 48, 8, 24}, true, 1576, false, 342, 248.8, 56, 4},
};

const ReadoutModeTiming *FindMode(int32_t mode) {
  for (const ReadoutModeTiming &entry : kModes) {
    if (entry.mode == mode) return &entry;
  }
  return nullptr;
}

bool MultipleOf(int32_t value, int32_t step) { return value % step == 0; }

}  // namespace

CSensorIMX487::CSensorIMX487(CControllerBase *controller, uint8_t busAddress)
    : CSensorBase(controller, busAddress, kModelCode) {
  info_.fullWidth = info_.fullHeight = 2848;
  info_.defaultWidth = info_.defaultHeight = 2848;
  info_.hWindowAdjustable = info_.vWindowAdjustable = 1;
  info_.width = info_.height = 2848;
  info_.maxWidth = 2856;
  info_.frameLength = 2912;
  info_.gain = {0, 480, 0, 0, 1};
  info_.exposureLines = {1, 16777187, 1064, 1064, 1};
  info_.exposureTime = {1, 20000, 260, 260, 0};
  info_.blackLevel = {0, 4095, 240, 240, 1};
  info_.realExposure = {2.47e-6, 2.0, 0.026248, 0.026248};
  info_.realExposureSupported = 1;
  info_.mirrorV = {0, 0, 1};
  info_.mirrorH = {0, 0, 1};
  info_.pixelClockKHz = 54545;
  info_.readoutOrientation = 4;
}

int32_t CSensorIMX487::InitializeSensor() {
  // A sensor that does not take a verified write is not working: the open
  // fails at once rather than retrying every later register.
  if (!WriteSensorRegisterVerified(kInitControl, 0x08)) return 0;
  SetBlackLevel(uint32_t(info_.blackLevel.defaultValue));
  SetGain(uint32_t(info_.gain.defaultValue));
  SetExposureLines(uint32_t(info_.exposureLines.defaultValue));
  SetMirrorH(info_.mirrorH.defaultValue);
  SetMirrorV(info_.mirrorV.defaultValue);
  if (!SetReadoutWindow(info_.defaultHStart, info_.defaultWidth, info_.defaultVStart,
                        info_.defaultHeight, 0))
    return 0;
  WaitFpgaReady();
  return 1;
}

int32_t CSensorIMX487::SetReadoutWindow(int32_t hStart, int32_t width, int32_t vStart,
                                        int32_t height, int32_t mode) {
  const ReadoutModeTiming *timing = FindMode(mode);
  if (timing == nullptr) return 0;
  bool valid = false;
  switch (mode) {
    case 0:
      // The widest window, 2856, is the one width that is not a multiple of 16.
      valid = MultipleOf(hStart, 16) && MultipleOf(vStart, 16) &&
              (MultipleOf(width, 16) || width == info_.maxWidth) && MultipleOf(height, 16) &&
              width >= 608 && width <= info_.maxWidth && height >= 16 && height <= info_.fullHeight;
      break;
    case 1:  // skipping always reads the whole sensor
      valid = hStart <= 0 && vStart <= 0;
      width = info_.fullWidth;
      height = info_.fullHeight;
      break;
    default:
      // Binning: multiples of 32, and a size the sensor can deliver (an empty
      // or negative window would size the engine's buffers from nonsense).
      valid = MultipleOf(hStart, 32) && MultipleOf(vStart, 32) && MultipleOf(width, 32) &&
              MultipleOf(height, 32) && width > 0 && width <= info_.maxWidth && height > 0 &&
              height <= info_.fullHeight;
      break;
  }
  if (!valid) return 0;

  frameLengthLines_ = timing->frameLengthBase + (timing->frameLengthAddsHeight ? height : 0);
  const bool fullSensor = mode == 1;
  const uint16_t hOffset = fullSensor ? 0 : uint16_t(info_.fullWidth - hStart - width);
  const uint16_t vOffset = fullSensor ? 0 : uint16_t(info_.fullHeight - vStart - height);
  uint8_t crop = 0;
  if (!timing->subsampled) {
    crop = uint8_t((width != info_.fullWidth ? 1 : 0) | (height != info_.fullHeight ? 2 : 0));
  }

  // The first verified write that fails ends the change: the window stays
  // as it was recorded.
  bool written = WriteSensorRegisterVerified(kCropFlags, crop) &&
                 WriteSensorRegisterVerified(kModeSelect, timing->modeCode);
  for (int i = 0; i < 4 && written; ++i)
    written = WriteSensorRegisterVerified(kReadoutTiming[i], timing->timing[i]) != 0;
  written = written && WriteLowFirst(kHOffset, hOffset & kWindowMask, 2, true) &&
            WriteLowFirst(kVOffset, vOffset & kWindowMask, 2, true) &&
            WriteLowFirst(kWindowWidth, uint32_t(width) & kWindowMask, 2, true) &&
            WriteLowFirst(kWindowHeight, uint32_t(height) & kWindowMask, 2, true);
  if (!written) return 0;

  const int32_t divisor = timing->subsampled ? 2 : 1;
  info_.hStart = hStart;
  info_.vStart = vStart;
  info_.width = width / divisor;
  info_.height = height / divisor;
  info_.readoutMode = mode;
  WriteFrameLength(frameLengthLines_);
  WriteLineLength(timing->lineLength);
  return 1;
}

int32_t CSensorIMX487::GetReadoutWindow(int32_t *hStart, int32_t *width, int32_t *vStart,
                                        int32_t *height, int32_t *mode) {
  if (!hStart || !width || !vStart || !height || !mode) return 0;
  *hStart = info_.hStart;
  *width = info_.width;
  *vStart = info_.vStart;
  *height = info_.height;
  *mode = info_.readoutMode;
  return 1;
}

int32_t CSensorIMX487::WriteLowFirst(uint16_t first, uint32_t value, int count, bool verified) {
  bool all = true;
  for (int i = 0; i < count; ++i) {
    const uint16_t reg = uint16_t(first + i);
    const uint8_t byte = uint8_t(value >> (8 * i));
    const bool written =
        (verified ? WriteSensorRegisterVerified(reg, byte) : WriteSensorRegister(reg, byte)) != 0;
    // A failed verified write ends the value: each further byte would spend
    // the whole retry budget too.
    if (!written && verified) return 0;
    all &= written;
  }
  return all ? 1 : 0;
}

int32_t CSensorIMX487::WriteFrameLength(int32_t lines) {
  if (!WriteLowFirst(kFrameLength, uint32_t(lines), 3, true)) return 0;
  appliedFrameLength_ = lines;
  return 1;
}

int32_t CSensorIMX487::WriteLineLength(int32_t length) {
  const int32_t written = info_.bitDepth == 16 ? length * 2 : length;
  return WriteLowFirst(kLineLength, uint32_t(written), 2, true);
}

double CSensorIMX487::LinePeriodMicroseconds() const {
  const ReadoutModeTiming *timing = FindMode(info_.readoutMode);
  if (timing == nullptr || info_.pixelClockKHz <= 0) return 0;
  const double depthFactor = info_.bitDepth == 16 ? 2.0 : 1.0;
  return timing->linePeriodBase * depthFactor * 1000.0 / info_.pixelClockKHz;
}

int32_t CSensorIMX487::SetBitDepth(int32_t sixteenBit) {
  WriteLineLength(kFullLineLength);
  info_.bitDepth = sixteenBit ? 16 : 8;
  info_.realExposure.minimum = (LinePeriodMicroseconds() + kExposureOffsetUs) / 1e6;
  // The stored size is the output; the sensor window is twice it when subsampling.
  const ReadoutModeTiming *timing = FindMode(info_.readoutMode);
  const int32_t factor = timing != nullptr && timing->subsampled ? 2 : 1;
  SetReadoutWindow(info_.hStart, info_.width * factor, info_.vStart, info_.height * factor,
                   info_.readoutMode);
  return 1;
}

int32_t CSensorIMX487::ExposureToLines(uint64_t microseconds) {
  const double period = LinePeriodMicroseconds();
  if (period <= 0) return 0;
  const double lines = (double(microseconds) - kExposureOffsetUs) / period;
  // Truncated toward zero; anything below one line is one line.
  const uint32_t whole = lines < 1.0 ? 1u : lines >= 4294967295.0 ? UINT32_MAX : uint32_t(lines);
  return SetExposureLines(whole);
}

int32_t CSensorIMX487::SetExposureLines(uint32_t lines) {
  const ReadoutModeTiming *timing = FindMode(info_.readoutMode);
  if (timing == nullptr) return 0;
  lines = std::clamp(lines, uint32_t(info_.exposureLines.minimum),
                     uint32_t(info_.exposureLines.maximum));
  const int32_t margin = timing->exposureMargin;
  uint32_t shutter = 0;
  if (int64_t(lines) > int64_t(frameLengthLines_) - margin) {
    // The exposure does not fit the nominal frame: stretch the frame.
    WriteFrameLength(int32_t(lines) + margin);
    shutter = uint32_t(margin);
  } else {
    if (appliedFrameLength_ != frameLengthLines_) WriteFrameLength(frameLengthLines_);
    shutter = uint32_t(frameLengthLines_) - lines;
  }
  if (!WriteLowFirst(kShutter, shutter, 3, true)) return 0;
  info_.exposureLines.current = int32_t(lines);
  return 1;
}

int32_t CSensorIMX487::SetExposureTime(uint32_t units) {
  units =
      std::clamp(units, uint32_t(info_.exposureTime.minimum), uint32_t(info_.exposureTime.maximum));
  if (!ExposureToLines(uint64_t(units) * 100)) return 0;
  info_.exposureTime.current = int32_t(units);
  info_.realExposure.current = units / 10000.0;
  return 1;
}

int32_t CSensorIMX487::SetRealExposure(double seconds) {
  if (std::isnan(seconds)) return 0;
  seconds = std::clamp(seconds, info_.realExposure.minimum, info_.realExposure.maximum);
  if (!ExposureToLines(uint64_t(seconds * 1e6))) return 0;
  info_.realExposure.current = seconds;
  info_.exposureTime.current = int32_t(seconds * 10000);
  return 1;
}

int32_t CSensorIMX487::SetGain(uint32_t code) {
  code = std::min(code, uint32_t(info_.gain.maximum));
  if (!WriteLowFirst(kAnalogGain, code & 0x1FF, 2, true)) return 0;
  int32_t range = 0;
  if (!ReadSensorRegister(kGainRange, &range)) range = 0;
  const uint8_t wanted = code <= kLowGainLimit ? kGainRangeBit : 0;
  if ((range & kGainRangeBit) != wanted) {
    WriteSensorRegisterVerified(kGainRange, uint8_t((range & ~kGainRangeBit) | wanted));
  }
  info_.gain.current = int32_t(code);
  return 1;
}

int32_t CSensorIMX487::SetBlackLevel(uint32_t level) {
  if (level < uint32_t(info_.blackLevel.minimum) || level > uint32_t(info_.blackLevel.maximum)) {
    return 0;
  }
  if (!WriteLowFirst(kBlackLevel, level & 0x0FFF, 2, false)) return 0;
  info_.blackLevel.current = int32_t(level);
  return 1;
}

int32_t CSensorIMX487::GetBlackLevel(int32_t *out) {
  int32_t low = 0;
  int32_t high = 0;
  if (out == nullptr || !ReadSensorRegister(kBlackLevel, &low) ||
      !ReadSensorRegister(kBlackLevel + 1, &high)) {
    return 0;
  }
  info_.blackLevel.current = (high & 0x0F) * 256 + low;
  *out = info_.blackLevel.current;
  return 1;
}

int32_t CSensorIMX487::UpdateReadoutDirection(uint8_t bit, int32_t on) {
  int32_t direction = 0;
  if (!ReadSensorRegister(kReadoutDirection, &direction)) return 0;
  WriteSensorRegister(kReadoutDirection, uint8_t(on ? (direction | bit) : (direction & ~bit)));
  return 1;
}

int32_t CSensorIMX487::SetMirrorV(int32_t on) {
  if (!UpdateReadoutDirection(kMirrorVBit, on)) return 0;
  info_.mirrorV.current = on ? 1 : 0;
  return 1;
}

int32_t CSensorIMX487::SetMirrorH(int32_t on) {
  if (!UpdateReadoutDirection(kMirrorHBit, on)) return 0;
  if (controller_ != nullptr) {
    // Mode 0 mirrors in the FPGA only over the full width.
    const ReadoutModeTiming *timing = FindMode(info_.readoutMode);
    const bool applies =
        timing != nullptr && on && (timing->subsampled || info_.width == info_.fullWidth);
    controller_->WriteFpgaRegister(kFpgaMirrorH, applies ? timing->mirrorHFpga : 0);
  }
  info_.mirrorH.current = on ? 1 : 0;
  return 1;
}

}  // namespace velmor
