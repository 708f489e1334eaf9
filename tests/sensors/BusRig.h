// A stand-in for the camera behind the controller for the sensor tests: the
// serial bus with the FPGA register file (0x40/0x41) and the sensor's 16-bit
// register file (0x48/0x49), and a log of every bus transfer. It answers the
// same bus protocol the camera does, so the tests read like wire checks.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <mutex>
#include <vector>

#include "WireLog.h"
#include "transport/ControllerBase.h"

namespace velmor::test {

class BusRig : public CControllerBase {
 public:
  static constexpr uint8_t kFpga = kFpgaBus;
  static constexpr uint8_t kSensor = kSensorBus;

  // The FPGA is ready from power-up; the sensor's gain range bit is set.
  BusRig() {
    fpga_[0x81] = 0x02;
    sensor_[0x0997] = 0x08;
  }

  CControllerBase *controller() { return this; }

  // Register peeks and pokes, bypassing the log.
  uint8_t fpga(uint8_t reg) {
    const std::lock_guard lock(mutex_);
    return fpga_[reg];
  }
  uint8_t sensor(uint16_t reg) {
    const std::lock_guard lock(mutex_);
    return sensor_[reg];
  }
  // FPGA register 0x02 reads non-zero: the FPGA holds the sensor port.
  void setSensorBusy(bool busy) {
    const std::lock_guard lock(mutex_);
    sensorBusy_ = busy;
  }
  void setFpgaNotReady() {
    const std::lock_guard lock(mutex_);
    fpga_[0x81] = 0;
  }

  std::vector<BusTransfer> log() {
    const std::lock_guard lock(mutex_);
    return log_;
  }
  void clearLog() {
    const std::lock_guard lock(mutex_);
    log_.clear();
  }

  int32_t I2cWrite(uint8_t device, const uint8_t *data, uint8_t count, uint32_t) override {
    if (count > 64) return 0;
    const std::lock_guard lock(mutex_);
    log_.push_back({device, std::vector<uint8_t>(data, data + count)});
    if (device == kFpga && count == 3) {
      fpga_[data[0]] = data[2];
      // A restart request (1, then 0) makes the FPGA ready again.
      if (data[0] == 0x81 && data[2] == 0) fpga_[0x81] |= 0x02;
    } else if (device == kFpga && count == 1) {
      fpgaAddress_ = data[0];
    } else if (device == kSensor && (count == 2 || count == 3)) {
      sensorAddress_ = uint16_t(data[0] << 8 | data[1]);
      if (count == 3) sensor_[sensorAddress_] = data[2];
    } else {
      return 0;
    }
    return 1;
  }

  int32_t I2cRead(uint8_t device, uint8_t *data, uint8_t count, uint32_t) override {
    if (count > 64) return 0;
    const std::lock_guard lock(mutex_);
    if (device == kFpga && count == 2) {
      data[0] = 0;
      data[1] = fpgaAddress_ == 0x02 ? (sensorBusy_ ? 1 : 0) : fpga_[fpgaAddress_];
    } else if (device == kSensor && count == 1) {
      data[0] = sensor_[sensorAddress_];
    } else {
      return 0;
    }
    log_.push_back({uint8_t(device | 1), std::vector<uint8_t>(data, data + count)});
    return 1;
  }

  // The controller's FPGA register pair: address and data phase under one lock.
  int32_t WriteFpgaRegister(uint8_t reg, uint8_t value) override {
    const std::lock_guard lock(registerLock_);
    const uint8_t bytes[3] = {reg, 0x00, value};
    return I2cWrite(kFpga, bytes, 3, 3000);
  }
  int32_t ReadFpgaRegister(uint8_t reg, uint8_t *out) override {
    const std::lock_guard lock(registerLock_);
    uint8_t answer[2] = {};
    if (!I2cWrite(kFpga, &reg, 1, 3000) || !I2cRead(kFpga, answer, 2, 3000)) return 0;
    *out = answer[1];
    return 1;
  }

 private:
  std::mutex registerLock_;
  std::mutex mutex_;
  std::array<uint8_t, 256> fpga_{};
  std::map<uint16_t, uint8_t> sensor_;
  uint8_t fpgaAddress_ = 0;
  uint16_t sensorAddress_ = 0;
  bool sensorBusy_ = false;
  std::vector<BusTransfer> log_;
};

}  // namespace velmor::test
