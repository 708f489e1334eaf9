// The sensor tests' camera: one emulated camera reached through the FX3
// controller, as the engine reaches a real one. Register peeks read the
// emulated FPGA and sensor; the log is the emulator's record of the serial-bus
// requests that reached the camera.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "WireLog.h"
#include "emulator/EmulatorHub.h"
#include "platform/SharedMemory.h"
#include "transport/DeviceTable.h"
#include "transport/VelmorCy3Cam.h"

namespace velmor::test {

class EmulatorRig {
 public:
  EmulatorRig()
      : mapName_("U3K7-MemMap-sensors-" +
                 std::to_string(std::chrono::steady_clock::now().time_since_epoch().count())) {
    DeviceTable::Process().SetMapName(mapName_);
    emulator::EmulatorHub &hub = emulator::EmulatorHub::Instance();
    hub.SetDefaults(emulator::Pattern::Scene, 0);
    hub.Clear();
    camera_ = hub.Add(emulator::kDefaultProductId);
    controller_ = std::make_unique<CVelmorCy3Cam>();
    EXPECT_EQ(controller_->EnumerateDevices(), 1);
    EXPECT_EQ(controller_->SelectDevice(0), 1) << "the emulated camera must open";
    camera_->log().Clear();
  }
  ~EmulatorRig() {
    controller_.reset();
    emulator::EmulatorHub::Instance().Clear();
    platform::SharedMemory::Remove(mapName_);
    DeviceTable::Process().SetMapName(DeviceTable::kDefaultMapName);
  }
  EmulatorRig(const EmulatorRig &) = delete;
  EmulatorRig &operator=(const EmulatorRig &) = delete;

  CControllerBase *controller() { return controller_.get(); }
  CVelmorCy3Cam &fx3() { return *controller_; }
  emulator::EmulatedCamera &camera() { return *camera_; }

  uint8_t fpga(uint8_t reg) { return uint8_t(Peek("fpga:%02x", reg)); }
  uint8_t sensor(uint16_t reg) { return uint8_t(Peek("sensor:%04x", reg)); }
  void setSensorBusy(bool busy) { EXPECT_TRUE(camera_->Set("sensor_busy", busy ? 1 : 0)); }
  void setFpgaNotReady() { EXPECT_TRUE(camera_->Set("fpga_not_ready", 1)); }

  // The serial-bus requests (vendor requests 0x30 and 0x31) that reached
  // the camera, oldest first.
  std::vector<BusTransfer> log() { return BusLog(camera_->log().Entries()); }
  void clearLog() { camera_->log().Clear(); }

 private:
  int Peek(const char *format, unsigned address) {
    char key[16];
    std::snprintf(key, sizeof key, format, address);
    int value = -1;
    EXPECT_TRUE(camera_->Get(key, &value)) << key;
    return value;
  }

  std::string mapName_;
  std::shared_ptr<emulator::EmulatedCamera> camera_;
  std::unique_ptr<CVelmorCy3Cam> controller_;
};

}  // namespace velmor::test
