// FPGA and sensor registers, SROM ID bytes and the I/O port through the
// exports: what lands in the emulated camera's registers, what comes back,
// and which failures are recorded or only posted.
#include <cstdio>
#include <string>
#include <vector>

#include "SessionFixture.h"

namespace velmor {
namespace {

class RegisterExportsTest : public SessionFixture {
 protected:
  void SetUp() override {
    SessionFixture::SetUp();
    AddCameras(1);
    handle = Open(notices);
  }
  static int Peek(const char *space, int address) {
    char key[24];
    std::snprintf(key, sizeof key, "%s:%X", space, address);
    int value = -1;
    EXPECT_EQ(Velmor_EmulatorGet(0, key, &value), 1) << key;
    return value;
  }
  // The codes posted to the notification window so far, oldest first.
  std::vector<int32_t> Posted() const {
    std::vector<int32_t> codes;
    for (VELMOR_MSG message; Velmor_WaitMessage(notices, &message, 0);)
      codes.push_back(int32_t(message.lParam));
    return codes;
  }

  int32_t handle = 0;
};

TEST_F(RegisterExportsTest, FpgaRegistersTakeTheLowBitsOfAddressAndValue) {
  ASSERT_EQ(Velmor_Fpga_WriteRegister(handle, 0x120, 0x1A5), 1);
  EXPECT_EQ(Peek("fpga", 0x20), 0xA5);
  int32_t ok = -1;
  EXPECT_EQ(Velmor_Fpga_ReadRegister(handle, 0x320, &ok), 0xA5);
  EXPECT_EQ(ok, 1);
  // The version registers, low and high byte.
  EXPECT_EQ(Velmor_Fpga_ReadRegister(handle, 0x10, nullptr), 0x34);
  EXPECT_EQ(Velmor_Fpga_ReadRegister(handle, 0x11, nullptr), 0x12);
  EXPECT_EQ(Errors(handle), std::vector<int32_t>{});
}

TEST_F(RegisterExportsTest, SensorRegistersNarrowAndWide) {
  // The narrow forms reach the first 256 addresses only.
  ASSERT_EQ(Velmor_WriteRegister(handle, 0x1234, 0x15A), 1);
  EXPECT_EQ(Peek("sensor", 0x34), 0x5A);
  EXPECT_EQ(Peek("sensor", 0x1234), 0);
  int32_t ok = -1;
  EXPECT_EQ(Velmor_ReadRegister(handle, 0x7734, &ok), 0x5A);
  EXPECT_EQ(ok, 1);

  ASSERT_EQ(Velmor_WriteRegisterEx(handle, 0x13FF0, 0xC3), 1);
  EXPECT_EQ(Peek("sensor", 0x3FF0), 0xC3);
  ok = -1;
  EXPECT_EQ(Velmor_ReadRegisterEx(handle, 0x3FF0, &ok), 0xC3);
  EXPECT_EQ(ok, 1);
  ASSERT_EQ(Velmor_EmulatorSet(0, "sensor:0714", 0x77), 1);
  EXPECT_EQ(Velmor_ReadRegisterEx(handle, 0x0714, nullptr), 0x77);
  EXPECT_EQ(Errors(handle), std::vector<int32_t>{});
}

TEST_F(RegisterExportsTest, IoPortIsFpgaRegisterSeven) {
  ASSERT_EQ(Velmor_SetIOPort(handle, 0x35A), 1);
  EXPECT_EQ(Peek("fpga", 0x07), 0x5A);
  ASSERT_EQ(Velmor_EmulatorSet(0, "fpga:07", 0xE1), 1);
  uint8_t port = 0;
  EXPECT_EQ(Velmor_GetIOPort(handle, &port, 0, 0), 1);
  EXPECT_EQ(port, 0xE1);
  EXPECT_EQ(Velmor_GetIOPort(handle, nullptr, 0, 0), 0);
  EXPECT_EQ(Posted(), std::vector<int32_t>{VELMOR_ERROR_ARGUMENT});
  EXPECT_EQ(Errors(handle), std::vector<int32_t>{}) << "posted only";
}

TEST_F(RegisterExportsTest, SromIdBytesUseTwelveBitAddressesAndAreVerified) {
  ASSERT_EQ(Velmor_WriteSromID(handle, 0x1020, 0x1AB), 1);
  EXPECT_EQ(Peek("eeprom", 0x20), 0xAB);
  EXPECT_EQ(Peek("eeprom", 0x1020), 0xFF) << "the serial number's page stays out of reach";
  int32_t ok = -1;
  EXPECT_EQ(Velmor_ReadSromID(handle, 0xF020, &ok), 0xAB);
  EXPECT_EQ(ok, 1);
  EXPECT_EQ(Errors(handle), std::vector<int32_t>{});
  EXPECT_EQ(Posted(), std::vector<int32_t>{});

  // An EEPROM that takes writes without keeping them never verifies.
  ASSERT_EQ(Velmor_EmulatorSet(0, "eeprom_stuck", 1), 1);
  EXPECT_EQ(Velmor_WriteSromID(handle, 0x21, 0x55), 0);
  EXPECT_EQ(Peek("eeprom", 0x21), 0xFF);
  EXPECT_EQ(Errors(handle), std::vector<int32_t>{VELMOR_ERROR_DEVICE});
  EXPECT_EQ(Posted(), std::vector<int32_t>{VELMOR_ERROR_DEVICE});
  // A byte that already holds the value verifies at the first read-back.
  EXPECT_EQ(Velmor_WriteSromID(handle, 0x20, 0xAB), 1);
}

// Every register call on a camera whose transfers fail: the code it records,
// or only posts.
TEST_F(RegisterExportsTest, FailedTransfersAreRecordedOrPostedAsEachCallSays) {
  ASSERT_EQ(Velmor_EmulatorSet(0, "unplug", 1), 1);
  struct Case {
    std::string call;
    int32_t (*run)(int32_t handle, int32_t *ok);
    std::vector<int32_t> recorded, posted;
  };
  using Codes = std::vector<int32_t>;
  const Codes device{VELMOR_ERROR_DEVICE}, noCamera{VELMOR_ERROR_NO_CAMERA};
  const Case cases[] = {
      {"Fpga_ReadRegister",
       [](int32_t h, int32_t *ok) { return Velmor_Fpga_ReadRegister(h, 7, ok); }, device, device},
      {"Fpga_WriteRegister",
       [](int32_t h, int32_t *) { return Velmor_Fpga_WriteRegister(h, 7, 1); }, device, device},
      {"ReadRegister", [](int32_t h, int32_t *ok) { return Velmor_ReadRegister(h, 7, ok); }, device,
       device},
      {"ReadRegisterEx", [](int32_t h, int32_t *ok) { return Velmor_ReadRegisterEx(h, 7, ok); },
       device, device},
      {"WriteRegister", [](int32_t h, int32_t *) { return Velmor_WriteRegister(h, 7, 1); }, device,
       device},
      {"WriteRegisterEx", [](int32_t h, int32_t *) { return Velmor_WriteRegisterEx(h, 7, 1); },
       device, device},
      {"ReadSromID",
       [](int32_t h, int32_t *ok) { return Velmor_ReadSromID(h, 7, ok); },
       {},
       noCamera},
      {"WriteSromID",
       [](int32_t h, int32_t *) { return Velmor_WriteSromID(h, 7, 1); },
       {},
       noCamera},
      {"GetIOPort",
       [](int32_t h, int32_t *) {
         uint8_t port = 0x42;
         const int32_t result = Velmor_GetIOPort(h, &port, 0, 0);
         return port == 0x42 ? result : -1;  // the byte stays untouched
       },
       {},
       {VELMOR_ERROR_ARGUMENT}},
      {"SetIOPort", [](int32_t h, int32_t *) { return Velmor_SetIOPort(h, 1); }, {}, {}},
  };
  for (const Case &c : cases) {
    int32_t ok = -1;
    EXPECT_EQ(c.run(handle, &ok), 0) << c.call;
    EXPECT_NE(ok, 1) << c.call;
    EXPECT_EQ(Errors(handle), c.recorded) << c.call;
    EXPECT_EQ(Posted(), c.posted) << c.call;
  }
}

}  // namespace
}  // namespace velmor
