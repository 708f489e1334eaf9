// Camera names, serial numbers and camera information, narrow and wide.
#include <cstring>
#include <cwchar>

#include "SessionFixture.h"

namespace velmor {
namespace {

using IdentityTest = SessionFixture;

TEST_F(IdentityTest, NamesForThreeCamerasAndSevenEmptyRows) {
  AddCameras(3);
  const int32_t handle = Open();
  char names[10][256];
  std::memset(names, 'x', sizeof names);
  ASSERT_EQ(Velmor_EnumDevice(handle, names), 3);
  EXPECT_STREQ(names[0], "VelmorS10PX_01");
  EXPECT_STREQ(names[1], "VelmorS10PX_02");
  EXPECT_STREQ(names[2], "VelmorS10PX_03");
  for (int row = 3; row < 10; ++row) EXPECT_STREQ(names[row], "") << row;

  wchar_t wide[10][256];
  std::wmemset(&wide[0][0], L'x', 10 * 256);
  ASSERT_EQ(Velmor_EnumDeviceW(handle, wide), 3);
  EXPECT_STREQ(wide[0], L"VelmorS10PX_01");
  EXPECT_STREQ(wide[2], L"VelmorS10PX_03");
  for (int row = 3; row < 10; ++row) EXPECT_STREQ(wide[row], L"") << row;
  EXPECT_EQ(Velmor_EnumDevice(handle, nullptr), 0);
  EXPECT_EQ(Errors(handle), (std::vector<int32_t>{9}));
}

TEST_F(IdentityTest, DeviceNameBufferSizesAndIndexes) {
  AddCameras(2);
  const int32_t handle = Open();
  char name[32];
  EXPECT_EQ(Velmor_GetDeviceName(handle, 0, name, 11), 0);
  EXPECT_EQ(Errors(handle), (std::vector<int32_t>{9}));

  // Twelve bytes take the name's first eleven characters and never more.
  char small[16];
  std::memset(small, '#', sizeof small);
  EXPECT_EQ(Velmor_GetDeviceName(handle, 0, small, 12), 1);
  EXPECT_STREQ(small, "VelmorS10PX");
  EXPECT_EQ(small[12], '#');

  EXPECT_EQ(Velmor_GetDeviceName(handle, 1, name, 32), 1);
  EXPECT_STREQ(name, "VelmorS10PX_02");
  EXPECT_EQ(Velmor_GetDeviceName(handle, 2, name, 32), 0);
  EXPECT_EQ(Velmor_GetDeviceName(handle, 32, name, 32), 0);
  EXPECT_EQ(Velmor_GetDeviceName(handle, -1, name, 32), 0);
  EXPECT_EQ(Errors(handle), (std::vector<int32_t>{2, 2, 2}));

  wchar_t wide[32];
  EXPECT_EQ(Velmor_GetDeviceNameW(handle, 0, wide, 32), 1);
  EXPECT_STREQ(wide, L"VelmorS10PX_01");
  EXPECT_EQ(Velmor_GetDeviceNameW(handle, 0, wide, 14), 0) << "no room for the terminator";
  EXPECT_EQ(Velmor_GetDeviceNameW(handle, 0, wide, 15), 1);
  EXPECT_EQ(Velmor_GetDeviceNameW(handle, 5, wide, 32), 0);
  EXPECT_EQ(Errors(handle), (std::vector<int32_t>{2, 12}));
}

TEST_F(IdentityTest, SerialNumberFromTheEeprom) {
  AddCameras(1);
  const int32_t handle = Open();
  char serial[32];
  std::memset(serial, 'x', sizeof serial);
  ASSERT_EQ(Velmor_ReadSerialNumberA(handle, serial, 32), 1);
  EXPECT_STREQ(serial, "EMU00001");
  EXPECT_EQ(Velmor_ReadSerialNumberA(handle, serial, 31), 0);
  EXPECT_EQ(Errors(handle), (std::vector<int32_t>{9}));

  wchar_t wide[32];
  ASSERT_EQ(Velmor_ReadSerialNumberW(handle, wide, 32), 1);
  EXPECT_STREQ(wide, L"EMU00001");
  EXPECT_EQ(Velmor_ReadSerialNumberW(handle, wide, 31), 0);
  EXPECT_EQ(Errors(handle), (std::vector<int32_t>{9}));

  // The number ends at the first erased byte; a fully erased one is empty.
  ASSERT_TRUE(Velmor_EmulatorSet(0, "eeprom:1044", 0xFF));
  ASSERT_EQ(Velmor_ReadSerialNumberA(handle, serial, 32), 1);
  EXPECT_STREQ(serial, "EMU0");
  ASSERT_TRUE(Velmor_EmulatorSet(0, "eeprom:1040", 0xFF));
  ASSERT_EQ(Velmor_ReadSerialNumberA(handle, serial, 32), 1);
  EXPECT_STREQ(serial, "");
}

TEST_F(IdentityTest, SerialNumberFailsWhenTheEepromCannotBeRead) {
  AddCameras(1);
  const int32_t handle = Open();
  ASSERT_TRUE(Velmor_EmulatorSet(0, "unplug", 1));
  char serial[32];
  EXPECT_EQ(Velmor_ReadSerialNumberA(handle, serial, 32), 0);
  EXPECT_EQ(Velmor_GetLastError(handle), 0) << "a failed read records nothing";
}

TEST_F(IdentityTest, CameraInformationUpToTheRecordsSize) {
  AddCameras(1);
  const int32_t handle = Open();
  CVelmorUSB3K7SimpleSdk &engine = *Session(handle).engine();
  const auto fresh = [](int32_t size) {
    VELMOR_CAMERA_INFO info;
    std::memset(&info, 0xAB, sizeof info);
    info.size = size;
    return info;
  };
  VELMOR_CAMERA_INFO info = fresh(35);
  EXPECT_EQ(Velmor_GetCameraInfo(handle, &info), 0);
  EXPECT_EQ(info.maxWidth, int32_t(0xABABABAB));
  EXPECT_EQ(Velmor_GetCameraInfo(handle, nullptr), 0);
  EXPECT_EQ(Errors(handle), (std::vector<int32_t>{9, 5}));

  for (int32_t size : {36, 40}) {
    info = fresh(size);
    ASSERT_EQ(Velmor_GetCameraInfo(handle, &info), 1);
    EXPECT_EQ(info.maxWidth, 2848);
    EXPECT_EQ(info.maxHeight, 2848);
    EXPECT_EQ(info.gainMin, engine.GetGainMin());
    EXPECT_EQ(info.gainMax, engine.GetGainMax());
    EXPECT_EQ(info.colourGainMax, engine.GetColorGainMax());
    EXPECT_EQ(info.exposureMin, engine.GetExposureTimeMin());
    EXPECT_EQ(info.exposureMax, engine.GetExposureTimeMax());
    EXPECT_EQ(info.reserved, int32_t(0xABABABAB));
    uint8_t untouched[16];
    std::memset(untouched, 0xAB, sizeof untouched);
    EXPECT_EQ(std::memcmp(&info.realExposureMin, untouched, 16), 0) << size;
  }
  info = fresh(56);
  ASSERT_EQ(Velmor_GetCameraInfo(handle, &info), 1);
  double low = 0, high = 0;
  engine.GetRealExposureMin(&low);
  engine.GetRealExposureMax(&high);
  EXPECT_EQ(info.realExposureMin, low);
  EXPECT_EQ(info.realExposureMax, high);
  EXPECT_EQ(info.reserved, int32_t(0xABABABAB));
}

}  // namespace
}  // namespace velmor
