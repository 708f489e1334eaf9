// CVelmorU3K7Base: the camera engine behind one session. The session calls
// it through the 172 slots below. A third are the engine's own (device
// selection, capture, frame hand-off, FPGA and EEPROM access); the rest pass
// the request to the sensor driver operation of the same name.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <type_traits>

#include "engine/FrameRateCounter.h"
#include "engine/FrameRing.h"
#include "platform/Event.h"
#include "platform/UsbDriver.h"
#include "sensors/SensorBase.h"
#include "velmor/velmor.h"

namespace velmor {

class CVelmorCy3Cam;

// What the transfer thread lost since the engine was made: frames whose
// header or payload did not arrive, and frames published but never taken
// because a newer one replaced them first.
struct TransferCounts {
  uint64_t headerFailures = 0;
  uint64_t payloadFailures = 0;
  uint64_t framesSkipped = 0;
};

// The forwarding conventions. `params` is the slot's parameter list, `args`
// the arguments passed on; `missing` is the answer without a sensor driver.
// Plain: the sensor's result.
#define VELMOR_PLAIN_OR(slot, name, missing, params, args) \
  virtual int32_t name params { return Plain<&CSensorBase::name, missing> args; }
#define VELMOR_PLAIN(slot, name, params, args) VELMOR_PLAIN_OR(slot, name, 0, params, args)
// Flag getter: no arguments, the sensor's result.
#define VELMOR_FLAG_OR(slot, name, missing) VELMOR_PLAIN_OR(slot, name, missing, (), ())
#define VELMOR_FLAG(slot, name) VELMOR_PLAIN_OR(slot, name, 0, (), ())
// Getter: the sensor writes a word that starts at 0 (behind any leading
// arguments); the word is the result.
#define VELMOR_GETTER(slot, name, params, args) \
  virtual int32_t name params { return Get<&CSensorBase::name, false> args; }
// Getter that answers 0 when the sensor reports failure.
#define VELMOR_GETTER_CHECKED(slot, name) \
  virtual int32_t name() { return Get<&CSensorBase::name, true>(); }
// The engine's own no-operation slots.
#define VELMOR_NOTHING(slot, name, value) \
  virtual int32_t name() { return value; }

class CVelmorU3K7Base {
 public:
  static constexpr int32_t kMaxDevices = 32;
  static constexpr uint16_t kUserByteAddress = 0x1080;  // EEPROM byte the host may use

  CVelmorU3K7Base();
  CVelmorU3K7Base(const CVelmorU3K7Base &) = delete;
  CVelmorU3K7Base &operator=(const CVelmorU3K7Base &) = delete;

  // clang-format off
  /* 0 */ virtual ~CVelmorU3K7Base();
  /* 1 */ virtual int32_t CreateController(VELMOR_HWND window, const platform::UsbGuid *guid);
  /* 2 */ virtual int32_t InitializeDevice();
  /* 3 */ virtual int32_t CloseDevice(int32_t ignored = 0);
  /* 4 */ virtual int32_t ReadInfoBlock(uint8_t *destination);
  VELMOR_PLAIN(5, GetSensorInfo, (SensorInfo *destination), (destination))
  /* 6 */ virtual int32_t ReadInfoBlock2(uint8_t *destination);
  /* 7 */ virtual int32_t ReopenDevice(int32_t number);
  /* 8 */ virtual int32_t OpenDevice(int32_t number);
  VELMOR_NOTHING(9, NoOperation9, 0)
  /* 10 */ virtual int32_t IsDevicePresent(int32_t number);
  /* 11 */ virtual int32_t EnumerateDevices(int32_t productId);
  /* 12 */ virtual int32_t GetDeviceName(int32_t row, char *text, int32_t capacity);
  /* 13 */ virtual int32_t SetProductId(int32_t productId) { productId_ = productId; return 1; }
  /* 14 */ virtual int32_t GetProductId() { return productId_; }
  /* 15 */ virtual int32_t GetVendorIdAt(int32_t row);
  /* 16 */ virtual int32_t GetProductIdAt(int32_t row);
  /* 17 */ virtual int32_t GetDeviceNumberAt(int32_t row);
  /* 18 */ virtual int32_t UsesPortResetPath() { return productId_ == 0x3042 ? 1 : 0; }
  /* 19 */ virtual int32_t GetDeviceNumber() { return deviceNumber_; }
  /* 20 */ virtual int32_t StartCapture(int32_t mode);
  /* 21 */ virtual int32_t StopCapture();
  /* 22 */ virtual int32_t CopyFrame(uint8_t *destination, int32_t size, int32_t fromSingle, int32_t orientation);
  /* 23 */ virtual int32_t SetCaptureMode(int32_t mode);
  /* 24 */ virtual int32_t StopStreaming();
  /* 25 */ virtual int32_t TransferLoop();
  VELMOR_NOTHING(26, TransferLoopPortReset, 0)  // other camera models
  VELMOR_NOTHING(27, TransferLoopOtherModels, 0)
  /* 28 */ virtual int32_t PrepareFrameBuffers();
  /* 29 */ virtual int32_t GetMaxDevices() { return kMaxDevices; }
  /* 30 */ virtual int32_t SyncFrameCounter();
  /* 31 */ virtual int32_t CaptureSingleFrame();
  VELMOR_NOTHING(32, NoOperation32, -1)
  /* 33 */ virtual int32_t GetLatestImage(uint8_t *destination, int32_t capacity, int32_t, int32_t, int32_t orientation);
  /* 34 */ virtual int32_t SetTransferTimeout(int32_t milliseconds) { transferTimeout_ = milliseconds; return 1; }
  /* 35 */ virtual int32_t WaitForFrame(int32_t milliseconds);
  /* 36 */ virtual int32_t GetNextImage(uint8_t *destination, int32_t capacity, int32_t, int32_t, int32_t orientation);
  VELMOR_NOTHING(37, NoOperation37, 0)
  /* 38 */ virtual int32_t SetBitDepth(int32_t code);
  /* 39 */ virtual int32_t SetSamplingRate(int32_t code);
  VELMOR_GETTER(40, GetSamplingRate, (), ())
  /* 41 */ virtual int32_t SetCaptureWindow(int32_t hStart, int32_t vStart, int32_t width, int32_t height, int32_t mode);
  /* 42 */ virtual int32_t GetCaptureWindow(int32_t *hStart, int32_t *vStart, int32_t *width, int32_t *height, int32_t *mode);
  VELMOR_PLAIN(43, SetMirrorH, (int32_t on), (on))
  VELMOR_PLAIN(44, SetMirrorV, (int32_t on), (on))
  VELMOR_GETTER(45, GetMirrorH, (), ())
  VELMOR_GETTER(46, GetMirrorV, (), ())
  VELMOR_FLAG(47, GetMirrorVDefault)
  VELMOR_FLAG(48, GetMirrorHDefault)
  VELMOR_FLAG(49, SupportsMirrorV)
  VELMOR_FLAG(50, SupportsMirrorH)
  /* 51 */ virtual int32_t SetTriggerMode(int32_t mode, int32_t force);
  VELMOR_PLAIN(52, GetTriggerMode, (int32_t *out), (out))
  /* 53 */ virtual int32_t WriteEeprom(uint16_t address, uint8_t value);
  /* 54 */ virtual int32_t ReadEeprom(uint16_t address, uint8_t *out);
  /* 55 */ virtual int32_t GetHWindowAdjustable() { return InfoWord(&SensorInfo::hWindowAdjustable); }
  /* 56 */ virtual int32_t GetVWindowAdjustable() { return InfoWord(&SensorInfo::vWindowAdjustable); }
  /* 57 */ virtual int32_t GetFullWidth() { return InfoWord(&SensorInfo::fullWidth); }
  /* 58 */ virtual int32_t GetFullHeight() { return InfoWord(&SensorInfo::fullHeight); }
  /* 59 */ virtual int32_t GetDefaultWidth() { return InfoWord(&SensorInfo::defaultWidth); }
  /* 60 */ virtual int32_t GetDefaultHeight() { return InfoWord(&SensorInfo::defaultHeight); }
  /* 61 */ virtual int32_t GetDefaultHStart() { return InfoWord(&SensorInfo::defaultHStart); }
  /* 62 */ virtual int32_t GetDefaultVStart() { return InfoWord(&SensorInfo::defaultVStart); }
  VELMOR_PLAIN(63, SetGain, (uint32_t code), (code))
  VELMOR_GETTER(64, GetGain, (), ())
  VELMOR_GETTER(65, GetGainMin, (), ())
  VELMOR_GETTER(66, GetGainMax, (), ())
  VELMOR_GETTER(67, GetGainDefault, (), ())
  /* 68 */ virtual int32_t SetExposureTime(uint32_t units);
  VELMOR_GETTER(69, GetExposureTime, (), ())
  VELMOR_GETTER(70, GetExposureTimeMin, (), ())
  VELMOR_GETTER(71, GetExposureTimeMax, (), ())
  VELMOR_GETTER(72, GetExposureTimeDefault, (), ())
  VELMOR_PLAIN(73, SetExposureLines, (uint32_t lines), (lines))
  VELMOR_GETTER(74, GetExposureLines, (), ())
  VELMOR_GETTER(75, GetExposureLinesMin, (), ())
  VELMOR_GETTER(76, GetExposureLinesMax, (), ())
  VELMOR_GETTER(77, GetExposureLinesDefault, (), ())
  VELMOR_FLAG(78, SupportsRealExposure)
  /* 79 */ virtual int32_t SetRealExposure(double seconds);
  VELMOR_PLAIN(80, GetRealExposure, (double *seconds), (seconds))
  VELMOR_PLAIN(81, GetRealExposureMin, (double *seconds), (seconds))
  VELMOR_PLAIN(82, GetRealExposureMax, (double *seconds), (seconds))
  VELMOR_PLAIN(83, GetRealExposureDefault, (double *seconds), (seconds))
  VELMOR_PLAIN(84, SetChannelGain, (int32_t channel, int32_t value), (channel, value))
  VELMOR_GETTER(85, GetChannelGain, (int32_t channel), (channel))
  VELMOR_GETTER(86, GetChannelGainMin, (), ())
  VELMOR_GETTER(87, GetChannelGainMax, (), ())
  VELMOR_GETTER(88, GetChannelGainDefault, (), ())
  VELMOR_PLAIN(89, SetChannelOffset, (int32_t channel, int32_t value), (channel, value))
  VELMOR_GETTER(90, GetChannelOffset, (int32_t channel), (channel))
  VELMOR_GETTER(91, GetChannelOffsetMin, (), ())
  VELMOR_GETTER(92, GetChannelOffsetMax, (), ())
  VELMOR_GETTER(93, GetChannelOffsetDefault, (), ())
  VELMOR_PLAIN(94, SetColorGainRed, (uint32_t value), (value))
  VELMOR_GETTER(95, GetColorGainRed, (), ())
  VELMOR_PLAIN(96, SetColorGainGreen1, (uint32_t value), (value))
  VELMOR_GETTER(97, GetColorGainGreen1, (), ())
  VELMOR_PLAIN(98, SetColorGainGreen2, (uint32_t value), (value))
  VELMOR_GETTER(99, GetColorGainGreen2, (), ())
  VELMOR_PLAIN(100, SetColorGainBlue, (uint32_t value), (value))
  VELMOR_GETTER(101, GetColorGainBlue, (), ())
  VELMOR_GETTER(102, GetColorGainMin, (), ())
  VELMOR_GETTER(103, GetColorGainMax, (), ())
  VELMOR_GETTER(104, GetColorGainDefault, (), ())
  VELMOR_FLAG(105, SupportsBlackLevel)
  VELMOR_PLAIN(106, SetBlackLevel, (uint32_t level), (level))
  VELMOR_GETTER(107, GetBlackLevel, (), ())
  VELMOR_GETTER(108, GetBlackLevelMin, (), ())
  VELMOR_GETTER(109, GetBlackLevelMax, (), ())
  VELMOR_GETTER(110, GetBlackLevelDefault, (), ())
  VELMOR_PLAIN(111, WriteSensorRegister, (uint16_t reg, uint8_t value), (reg, value))
  /* 112 */ virtual int32_t ReadSensorRegister(uint16_t reg, int32_t *ok);
  /* 113 */ virtual int32_t WriteFpgaRegister(int32_t reg, int32_t value);
  /* 114 */ virtual int32_t ReadFpgaRegister(int32_t reg, int32_t *ok);
  VELMOR_NOTHING(115, NoOperation115, 0)
  VELMOR_NOTHING(116, NoOperation116, 0)
  VELMOR_FLAG(117, PrepareSensorStreaming)
  VELMOR_FLAG(118, SendSensorCommand)
  /* 119 */ virtual int32_t SetFrameRate(int32_t index, int32_t flag, float *framesPerSecond);
  VELMOR_FLAG(120, SupportsGainMode)
  VELMOR_PLAIN(121, SetGainMode, (int32_t mode), (mode))
  VELMOR_FLAG_OR(122, GetGainMode, -1)
  /* 123 */ virtual int32_t WriteUserByte(uint8_t value);
  /* 124 */ virtual int32_t ReadUserByte(uint8_t *out);
  VELMOR_NOTHING(125, OtherModel125, 0)  // operations of other camera models
  VELMOR_NOTHING(126, OtherModel126, 0)
  VELMOR_NOTHING(127, OtherModel127, 0)
  VELMOR_NOTHING(128, OtherModel128, 0)
  VELMOR_NOTHING(129, OtherModel129, 0)
  VELMOR_NOTHING(130, OtherModel130, 0)
  VELMOR_NOTHING(131, OtherModel131, 0)
  VELMOR_NOTHING(132, OtherModel132, 0)
  VELMOR_PLAIN(133, ReadSerialText, (char *buffer, int32_t length), (buffer, length))
  VELMOR_PLAIN(134, SendSerialText, (const char *buffer, int32_t length), (buffer, length))
  VELMOR_FLAG(135, SupportsCooling)
  VELMOR_PLAIN(136, GetCooling, (int32_t *out), (out))
  VELMOR_PLAIN(137, SetCooling, (int32_t on), (on))
  VELMOR_FLAG(138, SupportsTemperature)
  VELMOR_PLAIN(139, GetTemperature, (double *degrees), (degrees))
  VELMOR_FLAG(140, SupportsAuxSwitch)
  VELMOR_PLAIN(141, GetAuxSwitch, (int32_t *out), (out))
  VELMOR_PLAIN(142, SetAuxSwitch, (int32_t on), (on))
  VELMOR_FLAG(143, SupportsSensorTuning)
  VELMOR_PLAIN(144, GetSensorTuning, (int32_t *out), (out))
  VELMOR_PLAIN(145, ApplySensorTuning, (int32_t value), (value))
  VELMOR_FLAG(146, SupportsThermalControl)
  VELMOR_FLAG(147, Reserved8)
  VELMOR_FLAG(148, Reserved9)
  VELMOR_PLAIN(149, GetThermalReading, (int32_t *out), (out))
  VELMOR_PLAIN(150, SetThermalTarget, (int32_t target), (target))
  VELMOR_FLAG(151, RefreshStatus)
  VELMOR_PLAIN(152, GetStatus, (int32_t *out), (out))
  VELMOR_PLAIN(153, SetLinkOption, (int32_t option), (option))
  VELMOR_FLAG(154, PulseLinkReset)
  VELMOR_FLAG(155, SupportsLinkReset)
  VELMOR_FLAG(156, SupportsModeSwitch)
  VELMOR_PLAIN(157, GetModeSwitch, (int32_t *out), (out))
  VELMOR_PLAIN(158, SetModeSwitch, (int32_t mode), (mode))
  VELMOR_FLAG(159, SupportsGainMultiplier)
  VELMOR_GETTER_CHECKED(160, GetGainMultiplierMin)
  VELMOR_GETTER_CHECKED(161, GetGainMultiplierMax)
  VELMOR_GETTER_CHECKED(162, GetGainMultiplierDefault)
  /* 163 */ virtual int32_t GetGainMultiplier(int32_t *out);
  VELMOR_PLAIN(164, SetGainMultiplier, (int32_t value), (value))
  VELMOR_PLAIN(165, GetGainMultiplierLabel, (char *text, int32_t length), (text, length))
  VELMOR_FLAG(166, SupportsBinaryOption)
  VELMOR_PLAIN(167, SetBinaryOption, (int32_t on), (on))
  VELMOR_FLAG_OR(168, GetBinaryOption, -1)
  VELMOR_FLAG_OR(169, Supports8BitOutput, 1)
  VELMOR_FLAG_OR(170, Supports16BitOutput, 1)
  VELMOR_FLAG_OR(171, SupportsColorOutput, 1)
  // clang-format on

  CSensorBase *sensor() const { return sensor_.get(); }
  CVelmorCy3Cam *controller() const { return controller_.get(); }
  // The camera's information block as read at the last initialisation.
  const uint8_t *infoBlock() const { return infoBlock_; }
  // Milliseconds allowed for each payload chunk of the transfer.
  int32_t transferTimeout() const { return transferTimeout_; }
  TransferCounts transferCounts() const {
    return {headerFailures_.load(), payloadFailures_.load(), framesSkipped_.load()};
  }

 protected:
  // Calls the sensor operation with args; `Missing` without a sensor driver.
  // Operations without a result answer 1 once they ran.
  template <auto Operation, int32_t Missing, class... Args>
  int32_t Plain(Args... args) {
    if (!sensor_) return Missing;
    using Result = decltype((sensor_.get()->*Operation)(args...));
    if constexpr (std::is_void_v<Result>) {
      (sensor_.get()->*Operation)(args...);
      return 1;
    } else {
      return static_cast<int32_t>((sensor_.get()->*Operation)(args...));
    }
  }
  template <auto Operation, bool Checked, class... Args>
  int32_t Get(Args... args) {
    int32_t word = 0;
    if (!sensor_) return 0;
    const int32_t result = (sensor_.get()->*Operation)(args..., &word);
    return Checked && result == 0 ? 0 : word;
  }
  int32_t InfoWord(int32_t SensorInfo::*field) const {
    return sensor_ ? sensor_->info().*field : 0;
  }

 private:
  // The first row of the table with this engine's product ID and the
  // instance `number`, or -1.
  int32_t RowOf(int32_t number) const;

  // The transfer thread's body: the variant for the product ID, then the end.
  void TransferThread();
  // The end of a transfer: stream closed, the end announced, a failure
  // (an end that neither delivered its frame nor was asked for by a stop)
  // passed on to frame waiters, `running` cleared.
  void EndTransfer(bool delivered);
  void SignalFrame();
  std::shared_ptr<platform::Event> FrameEvent();
  void CreateFrameEvent();
  // Copies ring slot `slot` into destination, turned as `orientation` asks.
  int32_t CopySlot(uint8_t *destination, int32_t size, int32_t slot, int32_t orientation);

  std::unique_ptr<CVelmorCy3Cam> controller_;
  uint8_t infoBlock_[64] = {};  // bytes 24-25: the camera's revision, little-endian
  std::unique_ptr<uint8_t[]> transferBuffer_;
  int32_t transferCapacity_ = 0;
  std::atomic<int32_t> captureMode_{0};  // 0 continuous, 1 single, 2 triggered, 3 header only
  int32_t productId_ = -1;
  int32_t pixelDepth_ = 0;  // 0: 8-bit pixels, 1: 16-bit
  int32_t triggerMode_ = -1;
  // The ring holds the frame size and the geometry its frames were made for,
  // so a later window change cannot make a copy run past its buffers.
  FrameRing frameBuffers_;
  std::atomic<int32_t> writeIndex_{0};  // advanced only once the slot it passes is complete
  std::atomic<int32_t> readIndex_{3};
  // Frames published and the count the caller last took: with four slots the
  // indices alone look unchanged after every fourth frame.
  std::atomic<uint64_t> framesPublished_{0};
  std::atomic<uint64_t> framesTaken_{0};
  std::atomic<uint64_t> headerFailures_{0};
  std::atomic<uint64_t> payloadFailures_{0};
  std::atomic<uint64_t> framesSkipped_{0};
  std::atomic<bool> transferFailed_{false};
  // Shared with waiters, so that a stop can close it while one still waits.
  std::shared_ptr<platform::Event> frameEvent_;
  std::mutex frameEventLock_;
  std::atomic<float> framesPerSecond_{0};
  std::atomic<double> transferRate_{0};
  std::atomic<bool> buffersDirty_{true};
  std::unique_ptr<CSensorBase> sensor_;
  std::atomic<int32_t> lastFrameCounter_{0};
  int32_t deviceNumber_ = 0;
  std::atomic<int32_t> transferTimeout_{5000};  // milliseconds per payload chunk
  std::atomic<bool> exposurePending_{false};
  std::atomic<uint32_t> pendingExposure_{0};
  std::thread transferThread_;
  std::atomic<bool> running_{false};
  // Serialises capture start, stop and mode changes from every thread: one
  // owner of the transfer thread, whose events change only once it ended.
  std::recursive_mutex captureControl_;
  // This engine's own: a stop waits on it without limit.
  std::shared_ptr<platform::Event> threadEndEvent_;
  FrameRateCounter frameRate_;
};

#undef VELMOR_PLAIN_OR
#undef VELMOR_PLAIN
#undef VELMOR_FLAG_OR
#undef VELMOR_FLAG
#undef VELMOR_GETTER
#undef VELMOR_GETTER_CHECKED
#undef VELMOR_NOTHING

}  // namespace velmor
