// A controller on one of the test bed's cameras, reached through libusb.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "UsbdevfsCamera.h"
#include "platform/SharedMemory.h"
#include "transport/DeviceTable.h"
#include "transport/VelmorCy3Cam.h"

namespace velmor::usbtest {

class UsbFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    // A camera table of this test's own, whatever else runs beside it.
    mapName_ = "U3K7-MemMap-usb-" +
               std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
    DeviceTable::Process().SetMapName(mapName_);
    unsetenv("VELMOR_USB_VENDOR_IDS");
    node_ = &Bed::Instance().Port(1);
    node_->Reset();
    camera_ = node_->camera();
    controller_ = std::make_unique<CVelmorCy3Cam>();
    ASSERT_EQ(controller_->EnumerateDevices(), 2);
    ASSERT_EQ(controller_->SelectDevice(0), 1);
    ASSERT_EQ(controller_->PrepareStaging(), 1);
    camera_->log().Clear();
  }
  void TearDown() override {
    controller_.reset();
    platform::SharedMemory::Remove(mapName_);
    DeviceTable::Process().SetMapName(DeviceTable::kDefaultMapName);
  }

  std::vector<emulator::LoggedRequest> Requests(uint8_t request) const {
    std::vector<emulator::LoggedRequest> found;
    for (const auto &entry : camera_->log().Entries())
      if (entry.kind == emulator::RequestKind::Control && entry.request() == request)
        found.push_back(entry);
    return found;
  }

  std::string mapName_;
  UsbdevfsCamera *node_ = nullptr;
  std::shared_ptr<emulator::EmulatedCamera> camera_;
  std::unique_ptr<CVelmorCy3Cam> controller_;
};

}  // namespace velmor::usbtest
