// An engine over a private shared camera table and a fresh set of emulated
// cameras per test.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <string_view>

#include "emulator/EmulatorHub.h"
#include "engine/VelmorUSB3K7SimpleSdk.h"
#include "platform/SharedMemory.h"
#include "transport/DeviceTable.h"

namespace velmor {

class EngineFixture : public ::testing::Test {
 protected:
  static constexpr int32_t kProductId = 0x32F0;

  void SetUp() override {
    mapName_ = "U3K7-MemMap-engine-" +
               std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
    DeviceTable::Process().SetMapName(mapName_);
    Hub().SetDefaults(emulator::Pattern::Scene, 0);
    Hub().Clear();
  }
  void TearDown() override {
    engine.CloseDevice();
    Hub().Clear();
    platform::SharedMemory::Remove(mapName_);
    DeviceTable::Process().SetMapName(DeviceTable::kDefaultMapName);
  }
  static emulator::EmulatorHub &Hub() { return emulator::EmulatorHub::Instance(); }

  // The session's start-up order up to the enumeration.
  int32_t StartUp() {
    engine.SetProductId(kProductId);
    engine.CreateController(nullptr, nullptr);
    return engine.EnumerateDevices(kProductId);
  }

  // Requests that reached camera `index`.
  static std::vector<emulator::LoggedRequest> Log(int index) {
    return Hub().Camera(index)->log().Entries();
  }

  CVelmorUSB3K7SimpleSdk engine;
  std::string mapName_;
};

}  // namespace velmor
