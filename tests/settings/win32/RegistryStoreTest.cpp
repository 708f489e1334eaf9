// The registry behind the settings: a session's values land under the
// current user's camera key with the registry types of the layout.
#include "../SettingsFixture.h"

// Last: the macros of windows.h would rename members declared above.
#include <windows.h>

namespace velmor {
namespace {

using RegistryStoreTest = SettingsFixture;

constexpr const char *kCameraKey = "Software\\Brevan\\VelmorS10PX3K7Sdk\\Camera_00";

struct RawValue {
  DWORD type = 0;
  DWORD size = 0;
  uint64_t bytes = 0;
};

RawValue Query(const std::string &subkey, const char *name) {
  RawValue value;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, subkey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return value;
  value.size = sizeof value.bytes;
  if (RegQueryValueExA(key, name, nullptr, &value.type, reinterpret_cast<BYTE *>(&value.bytes),
                       &value.size) != ERROR_SUCCESS)
    value = RawValue{};
  RegCloseKey(key);
  return value;
}

TEST_F(RegistryStoreTest, ValuesLandUnderTheCameraKeyWithTheLayoutsTypes) {
  AddCameras(1);
  EXPECT_EQ(Velmor_Release(Open()), 1);
  // A second session loads a negative offset and saves it back.
  Put(0, "Gray", "OffsetR1", uint32_t(-10));
  EXPECT_EQ(Velmor_Release(Open()), 1);

  const std::string camera = kCameraKey;
  struct Expected {
    std::string key;
    const char *name;
    DWORD type, size;
  };
  const Expected values[] = {{camera, "Color", REG_DWORD, 4},
                             {camera + "\\Size_00", "EH", REG_DWORD, 4},
                             {camera + "\\Gain", "Global", REG_DWORD, 4},
                             {camera + "\\Gain", "ExposureEx", REG_BINARY, 8},
                             {camera + "\\Filter", "Gamma", REG_DWORD, 4},
                             {camera + "\\Gray", "OffsetR1", REG_DWORD, 4}};
  for (const Expected &expected : values) {
    const RawValue value = Query(expected.key, expected.name);
    EXPECT_EQ(value.type, expected.type) << expected.key << " " << expected.name;
    EXPECT_EQ(value.size, expected.size) << expected.key << " " << expected.name;
  }
  EXPECT_EQ(Query(camera + "\\Gray", "OffsetR1").bytes, 0xFFFFFFF6u);
  EXPECT_EQ(Query(camera + "\\Filter", "Gamma").bytes, 100u);

  // A value of another type than the layout's reads as missing.
  HKEY gray = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, (camera + "\\Gray").c_str(), 0, KEY_SET_VALUE, &gray),
            ERROR_SUCCESS);
  const char text[] = "12";
  RegSetValueExA(gray, "Mode", 0, REG_SZ, reinterpret_cast<const BYTE *>(text), sizeof text);
  RegCloseKey(gray);
  EXPECT_EQ(Dword(0, "Gray", "Mode"), std::nullopt);
}

}  // namespace
}  // namespace velmor
