// One emulated camera behind a selected FX3 controller with its staging
// buffer, and helpers to read what reached the wire.
#pragma once

#include <algorithm>
#include <memory>
#include <vector>

#include "TransportFixture.h"
#include "transport/VelmorCy3Cam.h"

namespace velmor {

class ControllerFixture : public TransportFixture {
 protected:
  void SetUp() override {
    TransportFixture::SetUp();
    camera_ = Hub().Add(emulator::kDefaultProductId);
    controller_ = std::make_unique<CVelmorCy3Cam>();
    ASSERT_EQ(controller_->EnumerateDevices(), 1);
    ASSERT_EQ(controller_->SelectDevice(0), 1);
    ASSERT_EQ(controller_->PrepareStaging(), 1);
    camera_->log().Clear();
  }
  void TearDown() override {
    controller_.reset();
    TransportFixture::TearDown();
  }

  std::vector<emulator::LoggedRequest> Log() const { return camera_->log().Entries(); }
  // Accepted vendor requests with this bRequest.
  std::vector<emulator::LoggedRequest> Requests(uint8_t request) const {
    std::vector<emulator::LoggedRequest> found;
    for (const auto &entry : Log())
      if (entry.kind == emulator::RequestKind::Control && entry.request() == request)
        found.push_back(entry);
    return found;
  }
  // Bulk requests on an endpoint.
  std::vector<emulator::LoggedRequest> Bulk(uint8_t endpoint) const {
    std::vector<emulator::LoggedRequest> found;
    for (const auto &entry : Log())
      if (entry.kind == emulator::RequestKind::Bulk && entry.endpoint == endpoint)
        found.push_back(entry);
    return found;
  }
  // FPGA register writes {register, value} in wire order.
  std::vector<std::pair<uint8_t, uint8_t>> FpgaWrites() const {
    std::vector<std::pair<uint8_t, uint8_t>> writes;
    for (const auto &entry : Requests(0x30))
      if (entry.record.index() == 0x40 && entry.record.value() == 3)
        writes.emplace_back(entry.data[0], entry.data[2]);
    return writes;
  }
  int Knob(const char *key) {
    int value = -1;
    EXPECT_TRUE(camera_->Get(key, &value)) << key;
    return value;
  }
  // Output of 640 x 16 8-bit pixels, a payload of 10240 bytes.
  void SmallFrames() {
    ASSERT_EQ(controller_->WriteFpgaRegister(0x44, 0x80), 1);
    ASSERT_EQ(controller_->WriteFpgaRegister(0x45, 0x02), 1);
    ASSERT_EQ(controller_->WriteFpgaRegister(0x40, 16), 1);
    ASSERT_EQ(controller_->WriteFpgaRegister(0x41, 0), 1);
    camera_->log().Clear();
  }

  std::shared_ptr<emulator::EmulatedCamera> camera_;
  std::unique_ptr<CVelmorCy3Cam> controller_;
};

}  // namespace velmor
