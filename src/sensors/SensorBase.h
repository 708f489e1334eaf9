// CSensorBase: the image-sensor driver interface. The engine owns one driver
// per open camera and calls it through the 133 slots below; every slot has a
// base body, so a driver overrides only what its sensor supports. The driver
// reaches the sensor and the FPGA only through the controller interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>

#include "transport/ControllerBase.h"

namespace velmor {

// One adjustable scalar parameter; getters hand out one of its words.
struct ParameterBlock {
  int32_t minimum;
  int32_t maximum;
  int32_t current;
  int32_t defaultValue;
  int32_t supported;  // 0 or 1
};

struct MirrorBlock {
  int32_t current;
  int32_t defaultValue;
  int32_t supported;
};

// Exposure in seconds.
struct RealExposureRange {
  double minimum;
  double maximum;
  double current;
  double defaultValue;
};

// The driver's limits and current values: 86 words, copied whole by
// GetSensorInfo and read (window fields also written) by the engine.
struct SensorInfo {
  int32_t fullWidth;
  int32_t fullHeight;
  int32_t defaultHStart;
  int32_t defaultVStart;
  int32_t defaultWidth;
  int32_t defaultHeight;
  int32_t hWindowAdjustable;
  int32_t vWindowAdjustable;
  int32_t hStart;  // sensor pixels
  int32_t vStart;  // sensor lines
  int32_t width;   // output pixels, after subsampling
  int32_t height;  // output lines, after subsampling
  int32_t maxWidth;
  int32_t frameLength;
  int32_t readoutMode;  // 0 "1/1", 1 "1/2 Skip", 17 "1/2 Bin"
  int32_t reserved16[2];
  ParameterBlock gain;
  ParameterBlock exposureLines;
  ParameterBlock colorGain[4];  // red, green 1, green 2, blue
  ParameterBlock exposureTime;  // units of 100 microseconds
  ParameterBlock blackLevel;
  ParameterBlock gainMultiplier;
  RealExposureRange realExposure;
  int32_t realExposureSupported;
  int32_t reserved72[5];
  MirrorBlock mirrorV;
  MirrorBlock mirrorH;
  int32_t bitDepth;  // 8 or 16; 0 counts as 8
  int32_t pixelClockKHz;
  // 2 or 4: each row arrives reversed; 3 or 4: rows arrive bottom first.
  int32_t readoutOrientation;
  int32_t reserved86;
};
static_assert(sizeof(SensorInfo) == 86 * 4, "the information block is 86 words");
static_assert(offsetof(SensorInfo, gain) == 17 * 4 && offsetof(SensorInfo, colorGain) == 27 * 4 &&
                  offsetof(SensorInfo, exposureTime) == 47 * 4 &&
                  offsetof(SensorInfo, realExposure) == 62 * 4 &&
                  offsetof(SensorInfo, realExposureSupported) == 70 * 4 &&
                  offsetof(SensorInfo, mirrorV) == 76 * 4 &&
                  offsetof(SensorInfo, bitDepth) == 82 * 4,
              "information block words sit where the engine expects them");

// The recurring slot bodies. The first argument is the slot number, kept in
// the declaration so that the table reads like the interface it implements.
#define VELMOR_SENSOR_ZERO(slot, name, ...) \
  virtual int32_t name(__VA_ARGS__) { return 0; }
#define VELMOR_SENSOR_VALUE(slot, name, value) \
  virtual int32_t name() { return value; }
#define VELMOR_SENSOR_NOTHING(slot, name) \
  virtual void name() {}
#define VELMOR_SENSOR_BLOCK_WORD(slot, name, block, word)         \
  virtual int32_t name(int32_t *out) {                            \
    return HandOut(out, info_.block.word, info_.block.supported); \
  }
#define VELMOR_SENSOR_REAL_EXPOSURE(slot, name, word) \
  virtual double name(double *out) { return HandOutReal(out, info_.realExposure.word); }

class CSensorBase {
 public:
  CSensorBase(const CSensorBase &) = delete;
  CSensorBase &operator=(const CSensorBase &) = delete;

  // clang-format off
  /* 0 */ virtual ~CSensorBase() = default;
  /* 1 */ virtual void SetModelCode(int32_t code) { modelCode_ = code; }
  /* 2 */ virtual void SetOptionFlags(int32_t flags) { optionFlags_ = flags; }
  VELMOR_SENSOR_VALUE(3, GetOptionFlags, optionFlags_)
  VELMOR_SENSOR_ZERO(4, DetectSensor)
  VELMOR_SENSOR_ZERO(5, InitializeSensor)
  VELMOR_SENSOR_ZERO(6, RecoverSensor)
  VELMOR_SENSOR_ZERO(7, RestartSensor)
  VELMOR_SENSOR_ZERO(8, SetReadoutWindow, int32_t /*hStart*/, int32_t /*width*/, int32_t /*vStart*/, int32_t /*height*/, int32_t /*mode*/)
  VELMOR_SENSOR_ZERO(9, GetReadoutWindow, int32_t * /*hStart*/, int32_t * /*width*/, int32_t * /*vStart*/, int32_t * /*height*/, int32_t * /*mode*/)
  VELMOR_SENSOR_ZERO(10, SetTriggerMode, int32_t /*mode*/)
  VELMOR_SENSOR_ZERO(11, GetTriggerMode, int32_t * /*out*/)
  VELMOR_SENSOR_ZERO(12, SetLinkOption, int32_t /*option*/)
  VELMOR_SENSOR_ZERO(13, PulseLinkReset)
  VELMOR_SENSOR_ZERO(14, SupportsLinkReset)
  VELMOR_SENSOR_ZERO(15, SetBitDepth, int32_t /*sixteenBit*/)
  VELMOR_SENSOR_ZERO(16, SetExposureLines, uint32_t /*lines*/)
  VELMOR_SENSOR_ZERO(17, GetExposureLines, int32_t * /*out*/)
  VELMOR_SENSOR_ZERO(18, SetGain, uint32_t /*code*/)
  VELMOR_SENSOR_ZERO(19, GetGain, int32_t * /*out*/)
  VELMOR_SENSOR_ZERO(20, SetColorGainRed, uint32_t /*value*/)
  VELMOR_SENSOR_ZERO(21, GetColorGainRed, int32_t * /*out*/)
  VELMOR_SENSOR_ZERO(22, SetColorGainGreen1, uint32_t /*value*/)
  VELMOR_SENSOR_ZERO(23, GetColorGainGreen1, int32_t * /*out*/)
  VELMOR_SENSOR_ZERO(24, SetColorGainGreen2, uint32_t /*value*/)
  VELMOR_SENSOR_ZERO(25, GetColorGainGreen2, int32_t * /*out*/)
  VELMOR_SENSOR_ZERO(26, SetColorGainBlue, uint32_t /*value*/)
  VELMOR_SENSOR_ZERO(27, GetColorGainBlue, int32_t * /*out*/)
  VELMOR_SENSOR_ZERO(28, GetExposureLinesMin, int32_t * /*out*/)
  VELMOR_SENSOR_ZERO(29, GetExposureLinesMax, int32_t * /*out*/)
  VELMOR_SENSOR_ZERO(30, GetExposureLinesDefault, int32_t * /*out*/)
  VELMOR_SENSOR_ZERO(31, GetGainMin, int32_t * /*out*/)
  VELMOR_SENSOR_ZERO(32, GetGainMax, int32_t * /*out*/)
  VELMOR_SENSOR_ZERO(33, GetGainDefault, int32_t * /*out*/)
  VELMOR_SENSOR_ZERO(34, GetColorGainMin, int32_t * /*out*/)
  VELMOR_SENSOR_ZERO(35, GetColorGainMax, int32_t * /*out*/)
  VELMOR_SENSOR_ZERO(36, GetColorGainDefault, int32_t * /*out*/)
  VELMOR_SENSOR_ZERO(37, SetChannelGain, int32_t /*channel*/, int32_t /*value*/)
  VELMOR_SENSOR_ZERO(38, GetChannelGain, int32_t /*channel*/, int32_t * /*out*/)
  VELMOR_SENSOR_ZERO(39, GetChannelGainMin, int32_t * /*out*/)
  VELMOR_SENSOR_ZERO(40, GetChannelGainMax, int32_t * /*out*/)
  VELMOR_SENSOR_ZERO(41, GetChannelGainDefault, int32_t * /*out*/)
  VELMOR_SENSOR_ZERO(42, SetChannelOffset, int32_t /*channel*/, int32_t /*value*/)
  VELMOR_SENSOR_ZERO(43, GetChannelOffset, int32_t /*channel*/, int32_t * /*out*/)
  VELMOR_SENSOR_ZERO(44, GetChannelOffsetMin, int32_t * /*out*/)
  VELMOR_SENSOR_ZERO(45, GetChannelOffsetMax, int32_t * /*out*/)
  VELMOR_SENSOR_ZERO(46, GetChannelOffsetDefault, int32_t * /*out*/)
  VELMOR_SENSOR_VALUE(47, SupportsBlackLevel, info_.blackLevel.supported)
  VELMOR_SENSOR_ZERO(48, SetBlackLevel, uint32_t /*level*/)
  VELMOR_SENSOR_BLOCK_WORD(49, GetBlackLevel, blackLevel, current)
  VELMOR_SENSOR_BLOCK_WORD(50, GetBlackLevelMin, blackLevel, minimum)
  VELMOR_SENSOR_BLOCK_WORD(51, GetBlackLevelMax, blackLevel, maximum)
  VELMOR_SENSOR_BLOCK_WORD(52, GetBlackLevelDefault, blackLevel, defaultValue)
  VELMOR_SENSOR_VALUE(53, SupportsGainMultiplier, info_.gainMultiplier.supported)
  VELMOR_SENSOR_BLOCK_WORD(54, GetGainMultiplierMin, gainMultiplier, minimum)
  VELMOR_SENSOR_BLOCK_WORD(55, GetGainMultiplierMax, gainMultiplier, maximum)
  VELMOR_SENSOR_BLOCK_WORD(56, GetGainMultiplierDefault, gainMultiplier, defaultValue)
  VELMOR_SENSOR_BLOCK_WORD(57, GetGainMultiplierStored, gainMultiplier, current)
  VELMOR_SENSOR_ZERO(58, SetGainMultiplier, int32_t /*value*/)
  VELMOR_SENSOR_ZERO(59, GetGainMultiplier, int32_t * /*out*/)
  VELMOR_SENSOR_ZERO(60, GetGainMultiplierLabel, char * /*text*/, int32_t /*length*/)
  VELMOR_SENSOR_ZERO(61, SetExposureTime, uint32_t /*units*/)
  VELMOR_SENSOR_ZERO(62, GetExposureTime, int32_t * /*out*/)
  VELMOR_SENSOR_ZERO(63, GetExposureTimeMin, int32_t * /*out*/)
  VELMOR_SENSOR_ZERO(64, GetExposureTimeMax, int32_t * /*out*/)
  VELMOR_SENSOR_ZERO(65, GetExposureTimeDefault, int32_t * /*out*/)
  VELMOR_SENSOR_ZERO(66, SetMirrorV, int32_t /*on*/)
  VELMOR_SENSOR_ZERO(67, GetMirrorV, int32_t * /*out*/)
  VELMOR_SENSOR_ZERO(68, SetMirrorH, int32_t /*on*/)
  VELMOR_SENSOR_ZERO(69, GetMirrorH, int32_t * /*out*/)
  VELMOR_SENSOR_VALUE(70, GetMirrorVDefault, info_.mirrorV.defaultValue)
  VELMOR_SENSOR_VALUE(71, GetMirrorHDefault, info_.mirrorH.defaultValue)
  VELMOR_SENSOR_VALUE(72, SupportsMirrorV, info_.mirrorV.supported)
  VELMOR_SENSOR_VALUE(73, SupportsMirrorH, info_.mirrorH.supported)
  VELMOR_SENSOR_ZERO(74, SetFrameRate, int32_t /*flag*/, float * /*framesPerSecond*/)
  VELMOR_SENSOR_ZERO(75, WriteSensorRegister, uint16_t /*reg*/, uint8_t /*value*/)
  VELMOR_SENSOR_ZERO(76, ReadSensorRegister, uint16_t /*reg*/, int32_t * /*out*/)
  VELMOR_SENSOR_ZERO(77, WriteSensorRegisterVerified, uint16_t /*reg*/, uint8_t /*value*/)
  VELMOR_SENSOR_ZERO(78, ReadSensorRegisterWhenIdle, uint16_t /*reg*/, int32_t * /*out*/)
  VELMOR_SENSOR_ZERO(79, Reserved1)
  VELMOR_SENSOR_ZERO(80, Reserved2)
  VELMOR_SENSOR_ZERO(81, Reserved3)
  VELMOR_SENSOR_ZERO(82, Reserved4)
  VELMOR_SENSOR_ZERO(83, Reserved5)
  VELMOR_SENSOR_ZERO(84, SetSamplingRate, int32_t /*code*/)
  VELMOR_SENSOR_ZERO(85, GetSamplingRate, int32_t * /*out*/)
  VELMOR_SENSOR_ZERO(86, Reserved6)
  VELMOR_SENSOR_ZERO(87, Reserved7)
  /* 88 */ virtual int32_t GetSensorInfo(SensorInfo *destination);
  VELMOR_SENSOR_NOTHING(89, PrepareSensorStreaming)
  VELMOR_SENSOR_NOTHING(90, SendSensorCommand)
  VELMOR_SENSOR_ZERO(91, SetReadoutSpeed, int32_t /*speed*/)
  VELMOR_SENSOR_ZERO(92, GetReadoutSpeed, int32_t * /*out*/)
  VELMOR_SENSOR_ZERO(93, SupportsCooling)
  VELMOR_SENSOR_ZERO(94, GetCooling, int32_t * /*out*/)
  VELMOR_SENSOR_ZERO(95, SetCooling, int32_t /*on*/)
  VELMOR_SENSOR_ZERO(96, SupportsTemperature)
  VELMOR_SENSOR_ZERO(97, GetTemperature, double * /*degrees*/)
  VELMOR_SENSOR_NOTHING(98, OnCaptureStart)
  VELMOR_SENSOR_NOTHING(99, OnCaptureStop)
  VELMOR_SENSOR_ZERO(100, SupportsAuxSwitch)
  VELMOR_SENSOR_ZERO(101, GetAuxSwitch, int32_t * /*out*/)
  VELMOR_SENSOR_ZERO(102, SetAuxSwitch, int32_t /*on*/)
  VELMOR_SENSOR_ZERO(103, ReadSerialText, char * /*buffer*/, int32_t /*length*/)
  VELMOR_SENSOR_ZERO(104, SendSerialText, const char * /*buffer*/, int32_t /*length*/)
  VELMOR_SENSOR_ZERO(105, SupportsSensorTuning)
  VELMOR_SENSOR_ZERO(106, GetSensorTuning, int32_t * /*out*/)
  VELMOR_SENSOR_ZERO(107, ApplySensorTuning, int32_t /*value*/)
  VELMOR_SENSOR_ZERO(108, SupportsThermalControl)
  VELMOR_SENSOR_ZERO(109, Reserved8)
  VELMOR_SENSOR_ZERO(110, Reserved9)
  VELMOR_SENSOR_ZERO(111, GetThermalReading, int32_t * /*out*/)
  VELMOR_SENSOR_ZERO(112, SetThermalTarget, int32_t /*target*/)
  VELMOR_SENSOR_VALUE(113, SupportsRealExposure, info_.realExposureSupported)
  VELMOR_SENSOR_REAL_EXPOSURE(114, GetRealExposureMin, minimum)
  VELMOR_SENSOR_REAL_EXPOSURE(115, GetRealExposureMax, maximum)
  VELMOR_SENSOR_REAL_EXPOSURE(116, GetRealExposureDefault, defaultValue)
  /* 117 */ virtual int32_t GetRealExposure(double *out);
  VELMOR_SENSOR_ZERO(118, SetRealExposure, double /*seconds*/)
  VELMOR_SENSOR_ZERO(119, SupportsModeSwitch)
  VELMOR_SENSOR_ZERO(120, GetModeSwitch, int32_t * /*out*/)
  VELMOR_SENSOR_ZERO(121, SetModeSwitch, int32_t /*mode*/)
  VELMOR_SENSOR_ZERO(122, RefreshStatus)
  VELMOR_SENSOR_ZERO(123, GetStatus, int32_t * /*out*/)
  VELMOR_SENSOR_ZERO(124, SupportsGainMode)
  VELMOR_SENSOR_VALUE(125, GetGainMode, -1)  // 0 "High Gain", 1 "Low Gain" where supported
  VELMOR_SENSOR_ZERO(126, SetGainMode, int32_t /*mode*/)
  VELMOR_SENSOR_ZERO(127, SupportsBinaryOption)
  VELMOR_SENSOR_VALUE(128, GetBinaryOption, -1)
  VELMOR_SENSOR_ZERO(129, SetBinaryOption, int32_t /*on*/)
  VELMOR_SENSOR_VALUE(130, Supports8BitOutput, 1)
  VELMOR_SENSOR_VALUE(131, Supports16BitOutput, 1)
  VELMOR_SENSOR_VALUE(132, SupportsColorOutput, 1)
  // clang-format on

  // Pulses the capture-restart register (0x6C, or 0x96 on models 103 and
  // 115): 1, 1 ms, 0, 1 ms. 0 without a controller, else 1.
  int32_t PulseCaptureRestart();
  // Returns 1 once FPGA register 0x81 reports ready (bit 1); when it does not
  // at once, requests a restart and polls for up to 5 s. 0 on time-out.
  int32_t WaitFpgaReady();

  SensorInfo &info() { return info_; }
  const SensorInfo &info() const { return info_; }
  CControllerBase *controller() const { return controller_; }
  uint8_t busAddress() const { return busAddress_; }
  uint16_t fpgaVersion() const { return fpgaVersion_; }
  int32_t modelCode() const { return modelCode_; }

 protected:
  // Clears the information block; the driver's constructor fills it.
  CSensorBase(CControllerBase *controller, uint8_t busAddress, int32_t modelCode);

  // The register transfers a driver's slots 75-78 are made of. The plain
  // transfers hold the register-access lock; the verified write and the
  // idle read wait for the FPGA's sensor port and go through the driver's
  // own slots 75-78, retrying 100 times 3 ms apart.
  int32_t TransferRegisterWrite(uint16_t reg, uint8_t value);
  int32_t TransferRegisterRead(uint16_t reg, int32_t *out);
  int32_t TransferRegisterWriteVerified(uint16_t reg, uint8_t value);
  int32_t TransferRegisterReadWhenIdle(uint16_t reg, int32_t *out);

  // Writes word through out when out is given; result, or 0 without out.
  static int32_t HandOut(int32_t *out, int32_t word, int32_t result);

  SensorInfo info_{};
  CControllerBase *const controller_;  // not owned; may be null
  const uint8_t busAddress_;
  int32_t optionFlags_ = 0;  // bit 16: set by the engine for one other camera model
  uint16_t fpgaVersion_ = 0;
  int32_t modelCode_;

 private:
  bool SensorPortIdle();
  double HandOutReal(double *out, double value) const;

  // Serialises each sensor register transfer: host calls and the session's
  // frame processing may both reach the sensor.
  std::mutex registerLock_;
};

#undef VELMOR_SENSOR_ZERO
#undef VELMOR_SENSOR_VALUE
#undef VELMOR_SENSOR_NOTHING
#undef VELMOR_SENSOR_BLOCK_WORD
#undef VELMOR_SENSOR_REAL_EXPOSURE

}  // namespace velmor
