// A private shared camera table and a fresh set of emulated cameras per test.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "emulator/EmulatorHub.h"
#include "platform/SharedMemory.h"
#include "transport/DeviceTable.h"

namespace velmor {

class TransportFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    mapName_ = "U3K7-MemMap-test-" +
               std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
    DeviceTable::Process().SetMapName(mapName_);
    emulator::EmulatorHub::Instance().SetDefaults(emulator::Pattern::Scene, 0);
    emulator::EmulatorHub::Instance().Clear();
  }
  void TearDown() override {
    emulator::EmulatorHub::Instance().Clear();
    platform::SharedMemory::Remove(mapName_);
    DeviceTable::Process().SetMapName(DeviceTable::kDefaultMapName);
  }
  static emulator::EmulatorHub &Hub() { return emulator::EmulatorHub::Instance(); }

  std::string mapName_;
};

}  // namespace velmor
