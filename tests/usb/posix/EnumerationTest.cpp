#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "UsbdevfsCamera.h"
#include "platform/UsbDriver.h"
#include "transport/UsbBackends.h"

namespace velmor::usbtest {
namespace {

const std::string kGuid = "#{328184c5-93e6-49b7-94b8-2ada13aabb39}";

class Enumeration : public ::testing::Test {
 protected:
  void SetUp() override { Bed::Instance(); }
  void TearDown() override { unsetenv("VELMOR_USB_VENDOR_IDS"); }
};

TEST_F(Enumeration, DefaultVendorsListCamerasInInterfacePathForm) {
  unsetenv("VELMOR_USB_VENDOR_IDS");
  const auto paths = ListDeviceInterfaces(platform::kCameraInterfaceGuid);
  ASSERT_EQ(paths.size(), 2u);
  EXPECT_EQ(paths[0], "\\\\?\\usb#vid_0e4d&pid_32f0#1-1" + kGuid);
  EXPECT_EQ(paths[1], "\\\\?\\usb#vid_04b4&pid_32f0#1-2" + kGuid);
  EXPECT_TRUE(ListDeviceInterfaces(platform::UsbGuid{}).empty());
}

TEST_F(Enumeration, VendorListFromTheEnvironment) {
  setenv("VELMOR_USB_VENDOR_IDS", "zz,04B4", 1);
  auto paths = ListDeviceInterfaces(platform::kCameraInterfaceGuid);
  ASSERT_EQ(paths.size(), 1u) << "entries that do not parse are skipped";
  EXPECT_EQ(paths[0], "\\\\?\\usb#vid_04b4&pid_32f0#1-2" + kGuid);
  setenv("VELMOR_USB_VENDOR_IDS", "0x1234", 1);
  paths = ListDeviceInterfaces(platform::kCameraInterfaceGuid);
  ASSERT_EQ(paths.size(), 1u);
  EXPECT_EQ(paths[0], "\\\\?\\usb#vid_1234&pid_32f0#1-4" + kGuid);
  setenv("VELMOR_USB_VENDOR_IDS", "nothing", 1);
  EXPECT_EQ(ListDeviceInterfaces(platform::kCameraInterfaceGuid).size(), 2u)
      << "a list naming no vendor falls back to the default";
}

TEST_F(Enumeration, PathsOpenOnlyWhileTheirCameraIsListed) {
  const auto paths = ListDeviceInterfaces(platform::kCameraInterfaceGuid);
  ASSERT_EQ(paths.size(), 2u);
  EXPECT_TRUE(OpenDeviceInterface(paths[1], true));
  EXPECT_FALSE(OpenDeviceInterface("\\\\?\\usb#vid_04b4&pid_32f0#1-3" + kGuid, true));
  EXPECT_FALSE(OpenDeviceInterface("\\\\?\\usb#vid_04b4&pid_32f0#9-9" + kGuid, true));
  setenv("VELMOR_USB_VENDOR_IDS", "0e4d", 1);
  EXPECT_FALSE(OpenDeviceInterface(paths[1], true)) << "vendor no longer allowed";
}

}  // namespace
}  // namespace velmor::usbtest
