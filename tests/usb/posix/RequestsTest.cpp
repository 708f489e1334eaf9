#include <functional>

#include "UsbFixture.h"

namespace velmor::usbtest {
namespace {

using UsbRequests = UsbFixture;

TEST_F(UsbRequests, EveryVendorRequestReachesTheCameraAndAnswers) {
  uint32_t word = 0;
  uint8_t byte = 0, block[64] = {};
  const uint8_t bytes[2] = {0x12, 0x34};
  const struct {
    uint8_t request;
    std::function<int32_t()> call;
  } cases[] = {
      {0x30, [&] { return controller_->I2cWrite(0x5A, bytes, 2, 0); }},
      {0x31, [&] { return controller_->I2cRead(0x5A, block, 1, 0); }},
      {0xD0, [&] { return controller_->WriteRegister32(0x0123, 0xBEEF1234); }},
      {0xD1, [&] { return controller_->ReadRegister16(0x0123, &word); }},
      {0x3E, [&] { return controller_->WriteWordPair(0x0042, 0xFEDC); }},
      {0x3F, [&] { return controller_->ReadWord(0x0042, &word); }},
      {0x3C, [&] { return controller_->WriteControlByte(0x77); }},
      {0x3D, [&] { return controller_->ReadControlByte(&byte); }},
      {0xB0, [&] { return controller_->ReadInfoBlock(block); }},
      {0xB1, [&] { return controller_->ReadInfoBlock2(block); }},
      {0xC3, [&] { return controller_->ReadStatusByte(&byte); }},
      {0xC0, [&] { return controller_->ClearStream(); }},
      {0xCC, [&] { return controller_->SendRequestCC(); }},
      {0xC2, [&] { return controller_->ArmHeaderRead(); }},
  };
  ASSERT_EQ(controller_->OpenStream(), 1);
  for (const auto &c : cases) {
    camera_->log().Clear();
    ASSERT_EQ(c.call(), 1) << "request 0x" << std::hex << int(c.request);
    const auto log = Requests(c.request);
    ASSERT_EQ(log.size(), 1u) << "request 0x" << std::hex << int(c.request);
    EXPECT_TRUE(log[0].accepted);
  }
  // IN answers come back through the data stage.
  ASSERT_EQ(controller_->ReadRegister16(0x0123, &word), 1);
  EXPECT_EQ(word, 0x1234u);
  ASSERT_EQ(controller_->ReadWord(0x0042, &word), 1);
  EXPECT_EQ(word, 0xFEDCu);
  ASSERT_EQ(controller_->ReadControlByte(&byte), 1);
  EXPECT_EQ(byte, 0x77);
  ASSERT_EQ(controller_->ReadInfoBlock(block), 1);
  EXPECT_EQ(block[24] | block[25] << 8, 0x1100);
  ASSERT_EQ(controller_->WriteAuxRegister(0x21, 0x5C), 1);
  ASSERT_EQ(controller_->ReadAuxRegister(0x21, &byte), 1);
  EXPECT_EQ(byte, 0x5C);
}

TEST_F(UsbRequests, UnpluggedCameraFailsItsRequests) {
  uint8_t block[64] = {};
  ASSERT_TRUE(camera_->Set("unplug", 1));
  EXPECT_EQ(controller_->ReadInfoBlock(block), 0);
  EXPECT_EQ(controller_->WriteControlByte(1), 0);
}

TEST_F(UsbRequests, PortResetPipeResetAndSpeed) {
  EXPECT_EQ(controller_->ResetPort(), 1);
  EXPECT_EQ(controller_->ResetPipe(uint8_t(0x81)), 1);
  uint32_t speed = 0;
  EXPECT_EQ(controller_->GetDeviceSpeed(&speed), 1);
  EXPECT_EQ(speed, 4u);
  // The camera still answers after the reset.
  uint8_t byte = 0xEE;
  EXPECT_EQ(controller_->ReadStatusByte(&byte), 1);
}

}  // namespace
}  // namespace velmor::usbtest
