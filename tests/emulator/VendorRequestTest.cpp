// The firmware's vendor requests and the devices on its serial bus.
#include "EmulatorFixture.h"

namespace velmor::emulator {
namespace {

using VendorRequests = EmulatorFixture;

TEST_F(VendorRequests, InformationBlocksAndStatusCarrySixtyFourBytes) {
  const Answer info = Control(0xC0, 0xB0, 0, 0);
  ASSERT_TRUE(info.ok);
  EXPECT_EQ(info.returned, 38u + 64u);
  EXPECT_EQ(info.data[24] | info.data[25] << 8, 0x1100);
  const Answer second = Control(0xC0, 0xB1, 0, 0);
  ASSERT_TRUE(second.ok);
  EXPECT_EQ(second.returned, 102u);
  const Answer status = Control(0xC0, 0xC3, 0, 0);
  ASSERT_TRUE(status.ok);
  EXPECT_EQ(status.returned, 102u);
}

TEST_F(VendorRequests, UnknownRequestsAndWrongDirectionsStall) {
  EXPECT_FALSE(Control(0xC0, 0x99, 0, 0).ok);
  EXPECT_FALSE(Control(0x40, 0xB0, 0, 0).ok);  // 0xB0 is an IN request
  const auto log = camera_->log().Entries();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_FALSE(log[0].accepted);
  EXPECT_FALSE(log[1].accepted);
}

TEST_F(VendorRequests, LogKeepsSetupFieldsAndDataBytes) {
  camera_->log().Clear();
  ASSERT_TRUE(FpgaWrite(0x07, 0xA5));
  const auto log = camera_->log().Entries();
  ASSERT_EQ(log.size(), 1u);
  const platform::SingleTransfer &record = log[0].record;
  EXPECT_EQ(record.requestType(), 0x40);
  EXPECT_EQ(record.request(), 0x30);
  EXPECT_EQ(record.value(), 3);
  EXPECT_EQ(record.index(), 0x40);
  EXPECT_EQ(record.length(), 102);
  EXPECT_EQ(record.timeoutSeconds(), 3u);
  EXPECT_EQ(record.bufferOffset(), 38u);
  EXPECT_EQ(record.bufferLength(), 64u);
  EXPECT_EQ(std::vector<uint8_t>(log[0].data.begin(), log[0].data.begin() + 4),
            (std::vector<uint8_t>{0x07, 0x00, 0xA5, 0x00}));
}

using SerialBus = EmulatorFixture;

TEST_F(SerialBus, FpgaRegistersReadBackAsTheSecondByte) {
  ASSERT_TRUE(FpgaWrite(0x07, 0x3C));
  EXPECT_EQ(FpgaRead(0x07), 0x3C);
  EXPECT_EQ(FpgaRead(0x02), 0);  // sensor port idle
  EXPECT_EQ(FpgaRead(0x10) | FpgaRead(0x11) << 8, kFpgaVersion);
  ASSERT_TRUE(FpgaWrite(0x10, 0));  // the version is read-only
  EXPECT_EQ(FpgaRead(0x10), kFpgaVersion & 0xFF);
  EXPECT_EQ(FpgaRead(0x81) & 2, 2);  // ready from power-up
}

TEST_F(SerialBus, SensorTakesSixteenBitAddressesHighByteFirst) {
  ASSERT_TRUE(SensorWrite(0x07B4, 0x12));
  ASSERT_TRUE(BusWrite(0x48, {0x07, 0xB4}));
  const auto value = BusRead(0x49, 1);
  ASSERT_TRUE(value);
  EXPECT_EQ((*value)[0], 0x12);
  int peek = 0;
  ASSERT_TRUE(camera_->Get("sensor:07b4", &peek));
  EXPECT_EQ(peek, 0x12);
}

TEST_F(SerialBus, AuxiliaryRegisterFile) {
  ASSERT_TRUE(BusWrite(0x5A, {0x20, 0x99}));
  ASSERT_TRUE(BusWrite(0x5A, {0x20}));
  const auto value = BusRead(0x5B, 1);
  ASSERT_TRUE(value);
  EXPECT_EQ((*value)[0], 0x99);
}

TEST_F(SerialBus, EepromHoldsTheSerialNumberAndKeepsWrites) {
  ASSERT_TRUE(BusWrite(0xA2, {0x10, 0x40}));
  const auto serial = BusRead(0xA3, 9);
  ASSERT_TRUE(serial);
  EXPECT_EQ(std::string(serial->begin(), serial->begin() + 8), "EMU00001");
  EXPECT_EQ((*serial)[8], 0xFF);

  ASSERT_TRUE(BusWrite(0xA2, {0x01, 0x23, 0x77}));
  ASSERT_TRUE(BusWrite(0xA2, {0x01, 0x23}));
  EXPECT_EQ((*BusRead(0xA3, 1))[0], 0x77);

  ASSERT_TRUE(camera_->Set("eeprom_stuck", 1));
  ASSERT_TRUE(BusWrite(0xA2, {0x01, 0x23, 0x11}));  // accepted, not stored
  ASSERT_TRUE(BusWrite(0xA2, {0x01, 0x23}));
  EXPECT_EQ((*BusRead(0xA3, 1))[0], 0x77);
}

TEST_F(SerialBus, OtherAddressesAndOversizedTransfersStall) {
  EXPECT_FALSE(BusWrite(0x50, {0x00}));
  EXPECT_FALSE(BusRead(0x51, 1));
  EXPECT_FALSE(BusWrite(0x40, std::vector<uint8_t>(65, 0)));  // wValue 65 > 64
  EXPECT_TRUE(BusWrite(0x5A, std::vector<uint8_t>(64, 0)));
  EXPECT_FALSE(BusRead(0x5B, 65));
  EXPECT_TRUE(BusRead(0x5B, 64));
}

TEST_F(SerialBus, FpgaReadyFollowsTheRestartPulse) {
  ASSERT_TRUE(camera_->Set("fpga_not_ready", 1));
  EXPECT_EQ(FpgaRead(0x81) & 2, 0);
  ASSERT_TRUE(FpgaWrite(0x81, 1));
  ASSERT_TRUE(FpgaWrite(0x81, 0));
  bool ready = false;
  const auto start = std::chrono::steady_clock::now();
  while (!ready && std::chrono::steady_clock::now() - start < std::chrono::milliseconds(50))
    ready = (FpgaRead(0x81) & 2) != 0;
  EXPECT_TRUE(ready) << "ready within 50 ms of the pulse";

  ASSERT_TRUE(camera_->Set("fpga_not_ready", 2));  // never ready
  ASSERT_TRUE(FpgaWrite(0x81, 1));
  ASSERT_TRUE(FpgaWrite(0x81, 0));
  EXPECT_EQ(FpgaRead(0x81) & 2, 0);
}

TEST_F(SerialBus, SensorBusyShowsInTheSensorPortState) {
  ASSERT_TRUE(camera_->Set("sensor_busy", 1));
  EXPECT_NE(FpgaRead(0x02), 0);
  ASSERT_TRUE(camera_->Set("sensor_busy", 0));
  EXPECT_EQ(FpgaRead(0x02), 0);
}

}  // namespace
}  // namespace velmor::emulator
