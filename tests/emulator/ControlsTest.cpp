// The emulated-camera controls: hub configuration, the exported knobs and
// register peeks, and memory command blocks.
#include "EmulatorFixture.h"
#include "velmor/velmor.h"

namespace velmor::emulator {
namespace {

using Hub = EmulatorFixture;

TEST_F(Hub, ConfigureTakesACountOrAListOfProductIds) {
  EmulatorHub &hub = EmulatorHub::Instance();
  ASSERT_TRUE(hub.Configure("3"));
  ASSERT_EQ(hub.Count(), 3);
  EXPECT_EQ(hub.Camera(2)->productId(), 0x32F0);
  EXPECT_EQ(hub.Camera(1)->path(),
            "\\\\?\\usb#vid_0e4d&pid_32f0#emu0001#{328184c5-93e6-49b7-94b8-2ada13aabb39}");
  ASSERT_TRUE(hub.Configure("0x32F0, 0x3020"));
  ASSERT_EQ(hub.Count(), 2);
  EXPECT_EQ(hub.Camera(1)->productId(), 0x3020);
  EXPECT_EQ(hub.ListInterfaces(platform::kCameraInterfaceGuid).size(), 2u);
  EXPECT_TRUE(hub.ListInterfaces(platform::UsbGuid{}).empty()) << "other GUIDs list nothing";
  EXPECT_FALSE(hub.Configure("33"));
  EXPECT_FALSE(hub.Configure("0x32F0,zz"));
  EXPECT_EQ(hub.Count(), 2) << "a malformed list changes nothing";
  ASSERT_TRUE(hub.Configure("0"));
  EXPECT_EQ(hub.Count(), 0);
}

TEST_F(Hub, ExportedControlsReachTheCamera) {
  int value = -1;
  EXPECT_EQ(Velmor_EmulatorSet(0, "fps", 30), 1);
  EXPECT_EQ(Velmor_EmulatorGet(0, "fps", &value), 1);
  EXPECT_EQ(value, 30);
  EXPECT_EQ(Velmor_EmulatorGet(0, "FPGA:10", &value), 0) << "prefixes are lower case";
  EXPECT_EQ(Velmor_EmulatorGet(0, "fpga:1A", &value), 1);
  EXPECT_EQ(Velmor_EmulatorGet(0, "fpga:10", &value), 1);
  EXPECT_EQ(value, kFpgaVersion & 0xFF);
  EXPECT_EQ(Velmor_EmulatorGet(0, "eeprom:1040", &value), 1);
  EXPECT_EQ(value, 'E');
  EXPECT_EQ(Velmor_EmulatorGet(0, "sensor:023c", &value), 1);
  EXPECT_EQ(value, 1);
  EXPECT_EQ(Velmor_EmulatorSet(0, "sensor:0404", 3), 1);
  EXPECT_EQ(Velmor_EmulatorGet(0, "sensor:0404", &value), 1);
  EXPECT_EQ(value, 3);

  EXPECT_EQ(Velmor_EmulatorSet(1, "fps", 30), 0) << "unknown camera";
  EXPECT_EQ(Velmor_EmulatorSet(-1, "fps", 30), 0);
  EXPECT_EQ(Velmor_EmulatorSet(0, "nonsense", 1), 0);
  EXPECT_EQ(Velmor_EmulatorSet(0, nullptr, 1), 0);
  EXPECT_EQ(Velmor_EmulatorGet(0, "fps", nullptr), 0);
  EXPECT_EQ(Velmor_EmulatorGet(0, nullptr, &value), 0);
  EXPECT_EQ(Velmor_EmulatorSet(0, "frames_sent", 5), 0) << "counters are read-only";
  EXPECT_EQ(Velmor_EmulatorSet(0, "pattern", 2), 0);
  EXPECT_EQ(Velmor_EmulatorGet(0, "fpga:100", &value), 0);
  EXPECT_EQ(Velmor_EmulatorGet(0, "eeprom:2000", &value), 0);
  EXPECT_EQ(Velmor_EmulatorGet(0, "sensor:", &value), 0);
}

TEST_F(Hub, ShortInformationBlocks) {
  ASSERT_TRUE(camera_->Set("info_length", 10));
  const Answer info = Control(0xC0, 0xB0, 0, 0);
  ASSERT_TRUE(info.ok);
  EXPECT_EQ(info.returned, 48u);
}

using CameraMemory = EmulatorFixture;

std::vector<uint8_t> CommandBlock(char kind, uint64_t address, uint32_t length) {
  std::vector<uint8_t> block(32, 0);
  block[0] = 'A';
  block[1] = 'U';
  block[2] = '3';
  block[3] = uint8_t(kind);
  block[4] = 2;
  for (int i = 0; i < 8; ++i) block[8 + i] = uint8_t(address >> (8 * i));
  for (int i = 0; i < 4; ++i) block[16 + i] = uint8_t(length >> (8 * i));
  return block;
}

TEST_F(CameraMemory, CommandBlocksWriteAndReadBack) {
  std::vector<uint8_t> data(8192);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 7);
  auto write = CommandBlock('W', 0x100000, 8192);
  ASSERT_TRUE(Bulk(0x01, write.data(), 32, 1000).ok);
  ASSERT_TRUE(Bulk(0x01, data.data(), 8192, 1000).ok);
  auto read = CommandBlock('R', 0x100000, 8192);
  ASSERT_TRUE(Bulk(0x01, read.data(), 32, 1000).ok);
  std::vector<uint8_t> back(8192);
  const Transfer t = Bulk(0x81, back.data(), 8192, 1000);
  ASSERT_TRUE(t.ok);
  EXPECT_EQ(t.transferred, 8192u);
  EXPECT_EQ(back, data);
  std::vector<uint8_t> junk(32, 0);
  EXPECT_FALSE(Bulk(0x01, junk.data(), 32, 1000).ok) << "not a command block";
}

TEST_F(CameraMemory, StoredFrameLandsAtStrideTimesCounter) {
  ASSERT_TRUE(camera_->Set("fps", 0));
  SetWindow(0, 0, 640, 16);
  uint32_t counter = 0;
  const auto frame = ReadFrame(524288, &counter);
  ASSERT_TRUE(frame);
  ASSERT_TRUE(FpgaWrite(0x3F, 2));
  const uint64_t stride =
      uint64_t(FpgaRead(0x78) | FpgaRead(0x79) << 8 | FpgaRead(0x7A) << 16 | FpgaRead(0x7B) << 24) *
      256;
  auto read = CommandBlock('R', stride * (counter & 0xFFFF), uint32_t(frame->size()));
  ASSERT_TRUE(Bulk(0x01, read.data(), 32, 1000).ok);
  std::vector<uint8_t> back(frame->size());
  ASSERT_TRUE(Bulk(0x81, back.data(), uint32_t(back.size()), 1000).ok);
  EXPECT_EQ(back, *frame);
}

}  // namespace
}  // namespace velmor::emulator
