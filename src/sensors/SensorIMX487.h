// CSensorIMX487: the driver for the camera's 2848 x 2848 monochrome UV
// sensor. It programs the readout window and subsampling, the exposure
// (shutter and frame length), analog gain, black level, mirroring and line
// length. Sensor registers are 16-bit addresses holding 8-bit values; wider
// quantities span consecutive registers, low byte first.
#pragma once

#include <cstdint>

#include "sensors/SensorBase.h"

namespace velmor {

class CSensorIMX487 : public CSensorBase {
 public:
  static constexpr uint8_t kBusAddress = 0x48;
  static constexpr int32_t kModelCode = 63;

  explicit CSensorIMX487(CControllerBase *controller, uint8_t busAddress = kBusAddress);

  int32_t DetectSensor() override { return 1; }
  int32_t InitializeSensor() override;
  int32_t SetReadoutWindow(int32_t hStart, int32_t width, int32_t vStart, int32_t height,
                           int32_t mode) override;
  int32_t GetReadoutWindow(int32_t *hStart, int32_t *width, int32_t *vStart, int32_t *height,
                           int32_t *mode) override;
  int32_t SetBitDepth(int32_t sixteenBit) override;
  int32_t SetExposureLines(uint32_t lines) override;
  int32_t SetGain(uint32_t code) override;
  int32_t SetBlackLevel(uint32_t level) override;
  int32_t GetBlackLevel(int32_t *out) override;
  int32_t SetExposureTime(uint32_t units) override;
  int32_t SetMirrorV(int32_t on) override;
  int32_t SetMirrorH(int32_t on) override;
  int32_t SetRealExposure(double seconds) override;
  int32_t SupportsColorOutput() override { return 0; }

  int32_t WriteSensorRegister(uint16_t reg, uint8_t value) override {
    return TransferRegisterWrite(reg, value);
  }
  int32_t ReadSensorRegister(uint16_t reg, int32_t *out) override {
    return TransferRegisterRead(reg, out);
  }
  int32_t WriteSensorRegisterVerified(uint16_t reg, uint8_t value) override {
    return TransferRegisterWriteVerified(reg, value);
  }
  int32_t ReadSensorRegisterWhenIdle(uint16_t reg, int32_t *out) override {
    return TransferRegisterReadWhenIdle(reg, out);
  }

  // The stored words, each handed out with result 1.
  // clang-format off
  int32_t GetExposureLines(int32_t *out) override        { return HandOut(out, info_.exposureLines.current, 1); }
  int32_t GetGain(int32_t *out) override                 { return HandOut(out, info_.gain.current, 1); }
  int32_t GetExposureLinesMin(int32_t *out) override     { return HandOut(out, info_.exposureLines.minimum, 1); }
  int32_t GetExposureLinesMax(int32_t *out) override     { return HandOut(out, info_.exposureLines.maximum, 1); }
  int32_t GetExposureLinesDefault(int32_t *out) override { return HandOut(out, info_.exposureLines.defaultValue, 1); }
  int32_t GetGainMin(int32_t *out) override              { return HandOut(out, info_.gain.minimum, 1); }
  int32_t GetGainMax(int32_t *out) override              { return HandOut(out, info_.gain.maximum, 1); }
  int32_t GetGainDefault(int32_t *out) override          { return HandOut(out, info_.gain.defaultValue, 1); }
  int32_t GetColorGainMin(int32_t *out) override         { return HandOut(out, info_.colorGain[0].minimum, 1); }
  int32_t GetColorGainMax(int32_t *out) override         { return HandOut(out, info_.colorGain[0].maximum, 1); }
  int32_t GetColorGainDefault(int32_t *out) override     { return HandOut(out, info_.colorGain[0].defaultValue, 1); }
  int32_t GetExposureTime(int32_t *out) override         { return HandOut(out, info_.exposureTime.current, 1); }
  int32_t GetExposureTimeMin(int32_t *out) override      { return HandOut(out, info_.exposureTime.minimum, 1); }
  int32_t GetExposureTimeMax(int32_t *out) override      { return HandOut(out, info_.exposureTime.maximum, 1); }
  int32_t GetExposureTimeDefault(int32_t *out) override  { return HandOut(out, info_.exposureTime.defaultValue, 1); }
  int32_t GetMirrorV(int32_t *out) override              { return HandOut(out, info_.mirrorV.current, 1); }
  int32_t GetMirrorH(int32_t *out) override              { return HandOut(out, info_.mirrorH.current, 1); }
  // clang-format on

  // Writes the frame length (lines) to 0x02D4-0x02D6; 1 when all three
  // writes succeeded, which also records it as the applied length.
  int32_t WriteFrameLength(int32_t lines);
  // Writes the line length to 0x02D8/0x02D9, doubled for 16-bit output.
  int32_t WriteLineLength(int32_t length);
  // Converts an exposure in microseconds to whole lines of the current
  // readout and applies it with SetExposureLines.
  int32_t ExposureToLines(uint64_t microseconds);

 private:
  // Writes value over count consecutive registers from first, low byte
  // first, every register even when an earlier one failed. 1 when all
  // writes succeeded.
  int32_t WriteLowFirst(uint16_t first, uint32_t value, int count, bool verified);
  // Line period of the current mode and depth in microseconds; 0 when the
  // mode is unknown.
  double LinePeriodMicroseconds() const;
  int32_t UpdateReadoutDirection(uint8_t bit, int32_t on);

  int32_t frameLengthLines_ = 2992;    // nominal frame length of the current window
  int32_t appliedFrameLength_ = 2992;  // last frame length written to the sensor
};

}  // namespace velmor
