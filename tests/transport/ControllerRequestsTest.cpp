// The FX3 controller's vendor requests and serial-bus operations, byte for
// byte as they reach the emulated camera.
#include <chrono>
#include <cstring>
#include <functional>
#include <thread>

#include "ControllerFixture.h"

namespace velmor {
namespace {

using Clock = std::chrono::steady_clock;
using VendorRequestWire = ControllerFixture;

struct Expected {
  uint8_t requestType, request;
  uint16_t value, index;
  std::vector<uint8_t> data;
};

void ExpectRequest(const emulator::LoggedRequest &entry, const Expected &expected) {
  const platform::SingleTransfer &r = entry.record;
  EXPECT_EQ(r.requestType(), expected.requestType);
  EXPECT_EQ(r.request(), expected.request);
  EXPECT_EQ(r.value(), expected.value);
  EXPECT_EQ(r.index(), expected.index);
  EXPECT_EQ(r.length(), 102) << "wLength is the whole buffer";
  EXPECT_EQ(r.timeoutSeconds(), 3u);
  EXPECT_EQ(r.endpoint(), 0);
  EXPECT_EQ(r.bufferOffset(), 38u);
  EXPECT_EQ(r.bufferLength(), 64u);
  std::vector<uint8_t> data(64, 0);
  std::copy(expected.data.begin(), expected.data.end(), data.begin());
  EXPECT_EQ(entry.data, data);
}

TEST_F(VendorRequestWire, EveryRequestCarriesItsSetupAndData) {
  uint32_t word = 0;
  uint8_t byte = 0, block[64];
  const uint8_t bytes[2] = {0xAB, 0xCD};
  const struct {
    std::function<int32_t()> call;
    Expected expected;
  } cases[] = {
      {[&] { return controller_->I2cWrite(0x5A, bytes, 2, 0); },
       {0x40, 0x30, 2, 0x5A, {0xAB, 0xCD}}},
      {[&] { return controller_->I2cRead(0x5A, block, 3, 0); }, {0xC0, 0x31, 3, 0x5B, {}}},
      {[&] { return controller_->WriteRegister32(0x8123, 0x12345678); },
       {0x40, 0xD0, 1, 0x0123, {0x78, 0x56, 0x34, 0x12}}},
      {[&] { return controller_->ReadRegister16(0x0123, &word); }, {0xC0, 0xD1, 0, 0x0123, {}}},
      {[&] { return controller_->WriteWordPair(0x1234, 0xABCD); },
       {0x40, 0x3E, 0, 0, {0x12, 0x34, 0xAB, 0xCD}}},
      {[&] { return controller_->ReadWord(0x1234, &word); }, {0xC0, 0x3F, 0x1234, 0, {}}},
      {[&] { return controller_->WriteControlByte(0x5A); }, {0x40, 0x3C, 0, 0, {0x5A, 0, 0, 0}}},
      {[&] { return controller_->ReadControlByte(&byte); }, {0xC0, 0x3D, 0, 0, {}}},
      {[&] { return controller_->ReadInfoBlock(block); }, {0xC0, 0xB0, 0, 0, {}}},
      {[&] { return controller_->ReadInfoBlock2(block); }, {0xC0, 0xB1, 0, 0, {}}},
      {[&] { return controller_->ReadStatusByte(&byte); }, {0xC0, 0xC3, 0, 0, {}}},
      {[&] { return controller_->ClearStream(); }, {0x40, 0xC0, 0, 0, {}}},
      {[&] { return controller_->SendRequestCC(); }, {0x42, 0xCC, 0, 0, {}}},
  };
  for (const auto &c : cases) {
    camera_->log().Clear();
    ASSERT_EQ(c.call(), 1) << "request 0x" << std::hex << int(c.expected.request);
    const auto log = Log();
    ASSERT_EQ(log.size(), 1u);
    ExpectRequest(log[0], c.expected);
  }
  camera_->log().Clear();
  ASSERT_EQ(controller_->OpenStream(), 1);
  ASSERT_EQ(controller_->ArmHeaderRead(), 1);
  ExpectRequest(Log().at(0), {0x42, 0xC2, 0, 0, {}});
}

TEST_F(VendorRequestWire, AnswersAreTakenByTheirDataCounts) {
  ASSERT_EQ(controller_->WriteRegister32(0x0123, 0xBEEF1234), 1);
  uint32_t word = 99;
  ASSERT_EQ(controller_->ReadRegister16(0x0123, &word), 1);
  EXPECT_EQ(word, 0x1234u);
  ASSERT_EQ(controller_->WriteWordPair(0x0042, 0xFEDC), 1);
  ASSERT_EQ(controller_->ReadWord(0x0042, &word), 1);
  EXPECT_EQ(word, 0xFEDCu);
  ASSERT_EQ(controller_->WriteControlByte(0x77), 1);
  uint8_t byte = 0;
  ASSERT_EQ(controller_->ReadControlByte(&byte), 1);
  EXPECT_EQ(byte, 0x77);
  uint8_t block[64] = {};
  ASSERT_EQ(controller_->ReadInfoBlock(block), 1);
  EXPECT_EQ(block[24] | block[25] << 8, 0x1100);
  byte = 0xEE;
  ASSERT_EQ(controller_->ReadStatusByte(&byte), 1);
  EXPECT_EQ(byte, 0);
}

TEST_F(VendorRequestWire, ShortInformationBlockLeavesTheCallersBlockYetSucceeds) {
  ASSERT_TRUE(camera_->Set("info_length", 63));
  uint8_t block[64];
  std::memset(block, 0x5C, sizeof block);
  EXPECT_EQ(controller_->ReadInfoBlock(block), 1);
  EXPECT_EQ(controller_->ReadInfoBlock2(block), 1);
  for (uint8_t b : block) EXPECT_EQ(b, 0x5C);
}

TEST_F(VendorRequestWire, ArmNeedsAHandle) {
  EXPECT_EQ(controller_->ArmHeaderRead(), 0) << "no stream handle yet";
  EXPECT_TRUE(Log().empty());
}

TEST_F(VendorRequestWire, EachRequestOpensItsOwnHandle) {
  ASSERT_EQ(controller_->OpenStream(), 1);
  ASSERT_TRUE(camera_->Set("unplug", 1));
  ASSERT_TRUE(camera_->Set("unplug", 0));
  // The stream handle died with the unplug; a control request opens afresh.
  EXPECT_EQ(controller_->ArmHeaderRead(), 0);
  EXPECT_EQ(controller_->ClearStream(), 1);
}

using SerialBusOperations = ControllerFixture;

TEST_F(SerialBusOperations, SixtyFourBytesPassSixtyFiveFailWithoutTraffic) {
  uint8_t data[65] = {};
  EXPECT_EQ(controller_->I2cWrite(0x5A, data, 64, 3000), 1);
  EXPECT_EQ(controller_->I2cRead(0x5A, data, 64, 3000), 1);
  camera_->log().Clear();
  EXPECT_EQ(controller_->I2cWrite(0x5A, data, 65, 3000), 0);
  EXPECT_EQ(controller_->I2cRead(0x5A, data, 65, 3000), 0);
  EXPECT_TRUE(Log().empty());
}

TEST_F(SerialBusOperations, FpgaRegisterWriteAndReadOnTheWire) {
  ASSERT_EQ(controller_->WriteFpgaRegister(0x07, 0x3C), 1);
  uint8_t value = 0;
  ASSERT_EQ(controller_->ReadFpgaRegister(0x07, &value), 1);
  EXPECT_EQ(value, 0x3C);
  const auto bus = Requests(0x30), reads = Requests(0x31);
  ASSERT_EQ(bus.size(), 2u);
  EXPECT_EQ(bus[0].record.value(), 3);
  EXPECT_EQ(std::vector<uint8_t>(bus[0].data.begin(), bus[0].data.begin() + 3),
            (std::vector<uint8_t>{0x07, 0x00, 0x3C}));
  EXPECT_EQ(bus[1].record.value(), 1);
  EXPECT_EQ(bus[1].data[0], 0x07);
  ASSERT_EQ(reads.size(), 1u);
  EXPECT_EQ(reads[0].record.index(), 0x41);
  EXPECT_EQ(reads[0].record.value(), 2);
}

TEST_F(SerialBusOperations, FpgaWordCombinesTheVersionRegisters) {
  ASSERT_TRUE(camera_->Set("fpga:10", 0x34));
  ASSERT_TRUE(camera_->Set("fpga:11", 0x12));
  uint16_t version = 0;
  EXPECT_EQ(controller_->ReadFpgaWord(&version), 1);
  EXPECT_EQ(version, 0x1234);
}

TEST_F(SerialBusOperations, ConcurrentRegisterReadsNeverMix) {
  ASSERT_EQ(controller_->WriteFpgaRegister(0x20, 0x11), 1);
  ASSERT_EQ(controller_->WriteFpgaRegister(0x21, 0x22), 1);
  auto reader = [&](uint8_t reg, uint8_t expected, int *wrong) {
    for (int i = 0; i < 300; ++i) {
      uint8_t value = 0;
      if (!controller_->ReadFpgaRegister(reg, &value) || value != expected) ++*wrong;
    }
  };
  int wrongA = 0, wrongB = 0;
  std::thread a(reader, 0x20, 0x11, &wrongA), b(reader, 0x21, 0x22, &wrongB);
  a.join();
  b.join();
  EXPECT_EQ(wrongA, 0);
  EXPECT_EQ(wrongB, 0);
}

TEST_F(SerialBusOperations, AuxiliaryDevice) {
  ASSERT_EQ(controller_->WriteAuxRegister(0x33, 0x44), 1);
  uint8_t value = 0;
  ASSERT_EQ(controller_->ReadAuxRegister(0x33, &value), 1);
  EXPECT_EQ(value, 0x44);
  EXPECT_EQ(Requests(0x31).back().record.index(), 0x5B);
}

TEST_F(SerialBusOperations, EepromWriteWaitsAndReadsBackWithSixteenBitAddresses) {
  auto start = Clock::now();
  ASSERT_EQ(controller_->WriteEeprom(0x1234, 0x9A), 1);
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(14));
  start = Clock::now();
  uint8_t value = 0;
  ASSERT_EQ(controller_->ReadEeprom(0x1234, &value), 1);
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(10));
  EXPECT_EQ(value, 0x9A);
  const auto writes = Requests(0x30);
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(writes[0].record.index(), 0xA2);
  EXPECT_EQ(std::vector<uint8_t>(writes[0].data.begin(), writes[0].data.begin() + 3),
            (std::vector<uint8_t>{0x12, 0x34, 0x9A}));
  EXPECT_EQ(Requests(0x31).at(0).record.index(), 0xA3);
  ASSERT_EQ(controller_->ReadEeprom(0x1040, &value), 1);
  EXPECT_EQ(value, 'E') << "the serial number";
}

using DeviceOperations = ControllerFixture;

TEST_F(DeviceOperations, PortPipeAndSpeed) {
  EXPECT_EQ(controller_->ResetPort(), 1);
  EXPECT_EQ(controller_->ResetPipe(uint8_t(0x81)), 1);
  uint32_t speed = 0;
  EXPECT_EQ(controller_->GetDeviceSpeed(&speed), 1);
  EXPECT_EQ(speed, 4u);
  const auto log = Log();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0].kind, emulator::RequestKind::ResetPort);
  EXPECT_EQ(log[1].kind, emulator::RequestKind::ResetPipe);
  EXPECT_EQ(log[1].endpoint, 0x81);
  EXPECT_EQ(log[2].kind, emulator::RequestKind::Speed);
}

TEST_F(DeviceOperations, SelectionAndNames) {
  EXPECT_EQ(controller_->SelectDevice(1), 0);
  EXPECT_EQ(controller_->SelectDevice(32), 0);
  char name[32] = "unchanged";
  EXPECT_EQ(controller_->GetDeviceName(0, name, sizeof name), 0) << "0x32F0 has no model name";
  EXPECT_STREQ(name, "unchanged");
  EXPECT_EQ(controller_->GetDeviceName(5, name, sizeof name), 0);
}

TEST_F(DeviceOperations, UnpluggedCameraFailsEverythingQuickly) {
  ASSERT_EQ(controller_->OpenStream(), 1);
  ASSERT_TRUE(camera_->Set("unplug", 1));
  const auto start = Clock::now();
  uint8_t byte = 0, block[64];
  uint16_t version = 0;
  uint32_t word = 0;
  TransferDescriptor descriptor{};
  std::vector<uint8_t> buffer(1 << 20);
  descriptor.buffer = buffer.data();
  descriptor.capacity = uint32_t(buffer.size());
  descriptor.header[17] = 0x10;  // a payload of 4096 bytes
  EXPECT_EQ(controller_->ReadFrameHeader(&descriptor, 0), 0);
  EXPECT_EQ(controller_->ReadFramePayload(&descriptor, 5000), 0);
  EXPECT_EQ(controller_->WriteFpgaRegister(0x07, 1), 0);
  EXPECT_EQ(controller_->ReadFpgaRegister(0x07, &byte), 0);
  EXPECT_EQ(controller_->ReadFpgaWord(&version), 1);
  EXPECT_EQ(version, 0);
  EXPECT_EQ(controller_->ReadRegister16(0x0123, &word), 0);
  EXPECT_EQ(controller_->WriteEeprom(0x10, 1), 0);
  EXPECT_EQ(controller_->ReadEeprom(0x10, &byte), 0);
  EXPECT_EQ(controller_->ReadInfoBlock(block), 0);
  EXPECT_EQ(controller_->ReadMemory(0, buffer.data(), 4096), 0);
  EXPECT_EQ(controller_->WriteMemory(0, buffer.data(), 4096), 0);
  uint64_t length = 4096;
  EXPECT_EQ(controller_->ReadFrameFromMemory(&descriptor, &length), 0);
  EXPECT_EQ(controller_->ResetPort(), 0);
  EXPECT_EQ(controller_->GetDeviceSpeed(&word), 0);
  EXPECT_EQ(controller_->AbortTransfer(), 1);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
}

}  // namespace
}  // namespace velmor
