// The emulated-camera controls: hub configuration, the exported knobs and
// register peeks.
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
  EXPECT_EQ(Velmor_EmulatorSet(0, "pattern", 4), 0);
  EXPECT_EQ(Velmor_EmulatorGet(0, "fpga:100", &value), 0);
  EXPECT_EQ(Velmor_EmulatorGet(0, "eeprom:2000", &value), 0);
  EXPECT_EQ(Velmor_EmulatorGet(0, "sensor:", &value), 0);
}

}  // namespace
}  // namespace velmor::emulator
