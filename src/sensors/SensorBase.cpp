#include "sensors/SensorBase.h"

#include "platform/Clock.h"

namespace velmor {
namespace {

constexpr uint8_t kFpgaSensorPort = 0x02;  // 0 while the FPGA leaves the sensor bus alone
constexpr uint8_t kFpgaReady = 0x81;       // bit 0 restart request, bit 1 ready
constexpr uint8_t kFpgaReadyBit = 0x02;
constexpr uint8_t kCaptureRestart = 0x6C;
constexpr uint8_t kCaptureRestartAlt = 0x96;  // models 103 and 115
constexpr uint32_t kBusTimeoutMs = 3000;
constexpr int kPortAttempts = 100;
constexpr uint32_t kPortRetryMs = 3;
// Marks an idle read's destination until the sensor answers.
constexpr int32_t kUnreadValue = 0x0A0A;

}  // namespace

CSensorBase::CSensorBase(CControllerBase *controller, uint8_t busAddress, int32_t modelCode)
    : controller_(controller), busAddress_(busAddress), modelCode_(modelCode) {}

int32_t CSensorBase::GetSensorInfo(SensorInfo *destination) {
  if (destination == nullptr) return 0;
  *destination = info_;
  return 1;
}

int32_t CSensorBase::GetRealExposure(double *out) {
  if (out == nullptr) return 0;
  *out = info_.realExposure.current;
  return info_.realExposureSupported;
}

double CSensorBase::HandOutReal(double *out, double value) const {
  if (out == nullptr) return 0;
  *out = value;
  return info_.realExposureSupported;
}

int32_t CSensorBase::HandOut(int32_t *out, int32_t word, int32_t result) {
  if (out == nullptr) return 0;
  *out = word;
  return result;
}

int32_t CSensorBase::PulseCaptureRestart() {
  if (controller_ == nullptr) return 0;
  const uint8_t reg =
      (modelCode_ == 103 || modelCode_ == 115) ? kCaptureRestartAlt : kCaptureRestart;
  controller_->WriteFpgaRegister(reg, 1);
  platform::sleep_ms(1);
  controller_->WriteFpgaRegister(reg, 0);
  platform::sleep_ms(1);
  return 1;
}

int32_t CSensorBase::WaitFpgaReady() {
  if (controller_ == nullptr) return 0;
  uint8_t state = 0;
  if (controller_->ReadFpgaRegister(kFpgaReady, &state) && (state & kFpgaReadyBit)) return 1;

  const platform::TimerResolution resolution;
  controller_->WriteFpgaRegister(kFpgaReady, 1);
  platform::sleep_ms(100);
  controller_->WriteFpgaRegister(kFpgaReady, 0);
  platform::sleep_ms(100);
  const uint32_t start = platform::multimedia_time();
  while (platform::multimedia_time() - start <= 5000) {
    if (!controller_->ReadFpgaRegister(kFpgaReady, &state)) {
      platform::sleep_ms(100);
    } else if (state & kFpgaReadyBit) {
      return 1;
    }
  }
  return 0;
}

bool CSensorBase::SensorPortIdle() {
  uint8_t state = 0xFF;
  return controller_->ReadFpgaRegister(kFpgaSensorPort, &state) && state == 0;
}

int32_t CSensorBase::TransferRegisterWrite(uint16_t reg, uint8_t value) {
  if (controller_ == nullptr) return 0;
  const uint8_t bytes[3] = {uint8_t(reg >> 8), uint8_t(reg), value};
  const std::lock_guard lock(registerLock_);
  return controller_->I2cWrite(busAddress_, bytes, 3, kBusTimeoutMs);
}

int32_t CSensorBase::TransferRegisterRead(uint16_t reg, int32_t *out) {
  if (controller_ == nullptr || out == nullptr) return 0;
  const uint8_t address[2] = {uint8_t(reg >> 8), uint8_t(reg)};
  uint8_t value = 0;
  const std::lock_guard lock(registerLock_);
  if (!controller_->I2cWrite(busAddress_, address, 2, kBusTimeoutMs)) return 0;
  if (!controller_->I2cRead(busAddress_, &value, 1, kBusTimeoutMs)) return 0;
  *out = value;
  return 1;
}

int32_t CSensorBase::TransferRegisterReadWhenIdle(uint16_t reg, int32_t *out) {
  if (controller_ == nullptr || out == nullptr) return 0;
  for (int attempt = 0; attempt < kPortAttempts; ++attempt) {
    if (SensorPortIdle()) {
      *out = kUnreadValue;
      if (ReadSensorRegister(reg, out)) return 1;
    }
    platform::sleep_ms(kPortRetryMs);
  }
  return 0;
}

int32_t CSensorBase::TransferRegisterWriteVerified(uint16_t reg, uint8_t value) {
  if (controller_ == nullptr) return 0;
  for (int attempt = 0; attempt < kPortAttempts; ++attempt) {
    if (SensorPortIdle()) {
      WriteSensorRegister(reg, value);
      int32_t readBack = kUnreadValue;
      if (ReadSensorRegisterWhenIdle(reg, &readBack) && readBack == value) return 1;
    }
    platform::sleep_ms(kPortRetryMs);
  }
  return 0;
}

}  // namespace velmor
