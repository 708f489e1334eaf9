// A fixture with one fresh emulated camera opened through the emulator's
// driver backend, and helpers that speak the wire protocol by hand.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "emulator/EmulatorHub.h"
#include "platform/UsbDriver.h"

namespace velmor::emulator {

class EmulatorFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    EmulatorHub &hub = EmulatorHub::Instance();
    hub.SetDefaults(Pattern::Scene, -1);
    hub.Clear();
    camera_ = hub.Add(kDefaultProductId);
    device_ = hub.Open(camera_->path(), true);
    ASSERT_TRUE(device_);
  }
  void TearDown() override { EmulatorHub::Instance().Clear(); }

  struct Answer {
    bool ok = false;
    uint32_t returned = 0;
    std::vector<uint8_t> data;  // the 64-byte data area after the transfer
  };

  Answer Control(uint8_t type, uint8_t request, uint16_t value, uint16_t index,
                 const std::vector<uint8_t> &data = {}, platform::UsbDevice *device = nullptr) {
    uint8_t buffer[102] = {};
    platform::SingleTransfer record;
    record.setSetup(type, request, value, index, 102);
    record.setTimeoutSeconds(3);
    record.setBuffer(38, 64);
    record.WriteTo(buffer);
    if (!data.empty())
      std::memcpy(buffer + 38, data.data(), std::min<std::size_t>(data.size(), 64));
    Answer answer;
    answer.ok = (device ? device : device_.get())->ControlTransfer(buffer, 102, &answer.returned);
    answer.data.assign(buffer + 38, buffer + 102);
    return answer;
  }

  bool BusWrite(uint8_t address, const std::vector<uint8_t> &bytes) {
    return Control(0x40, 0x30, uint16_t(bytes.size()), address, bytes).ok;
  }
  std::optional<std::vector<uint8_t>> BusRead(uint8_t address, uint8_t count) {
    const Answer answer = Control(0xC0, 0x31, count, uint16_t(address | 1));
    if (!answer.ok || answer.returned != 38u + count) return std::nullopt;
    return std::vector<uint8_t>(answer.data.begin(), answer.data.begin() + count);
  }
  bool FpgaWrite(uint8_t reg, uint8_t value) { return BusWrite(0x40, {reg, 0x00, value}); }
  int FpgaRead(uint8_t reg) {
    if (!BusWrite(0x40, {reg})) return -1;
    const auto bytes = BusRead(0x41, 2);
    return bytes ? (*bytes)[1] : -1;
  }
  bool SensorWrite(uint16_t reg, uint8_t value) {
    return BusWrite(0x48, {uint8_t(reg >> 8), uint8_t(reg), value});
  }
  // Writes a quantity over consecutive sensor registers, low byte first.
  void SensorWriteWide(uint16_t reg, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
      ASSERT_TRUE(SensorWrite(uint16_t(reg + i), uint8_t(value >> (8 * i))));
  }
  bool Arm() { return Control(0x42, 0xC2, 0, 0).ok; }

  struct Transfer {
    bool completed = false;  // within the time limit
    bool ok = false;         // completed without error or bad status
    uint32_t transferred = 0;
  };
  // One direct transfer; a request still pending at the limit is aborted
  // and awaited, as the transport does.
  Transfer Bulk(uint8_t endpoint, uint8_t *data, uint32_t length, int timeoutMs,
                platform::UsbDevice *device = nullptr) {
    platform::UsbDevice *target = device ? device : device_.get();
    const auto io = target->NewIo();
    platform::SingleTransfer record;
    record.setEndpoint(endpoint);
    Transfer result;
    const uint32_t status = target->StartDirect(record.bytes, data, length, *io);
    if (status != platform::kUsbCompleted && status != platform::kUsbPending) return result;
    result.completed = io->Wait(timeoutMs);
    if (!result.completed) {
      target->AbortPipe(endpoint);
      EXPECT_TRUE(io->Wait(5000)) << "an aborted request must complete";
      return result;
    }
    result.ok =
        io->Result(&result.transferred) && record.driverStatus() == 0 && record.usbStatus() == 0;
    return result;
  }
  std::optional<std::vector<uint8_t>> ReadHeader(int timeoutMs = 2000) {
    std::vector<uint8_t> header(64);
    const Transfer t = Bulk(0x81, header.data(), 64, timeoutMs);
    if (!t.ok || t.transferred != 64) return std::nullopt;
    return header;
  }
  static uint32_t Le32(const uint8_t *p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
  }
  // Header and payload of the next frame, read in chunks of `chunk` bytes.
  std::optional<std::vector<uint8_t>> ReadFrame(uint32_t chunk = 524288,
                                                uint32_t *counter = nullptr) {
    if (!Arm()) return std::nullopt;
    const auto header = ReadHeader();
    if (!header) return std::nullopt;
    if (counter) *counter = Le32(header->data() + 32);
    std::vector<uint8_t> payload(Le32(header->data() + 16));
    for (uint32_t at = 0; at < payload.size();) {
      const uint32_t n = std::min<uint32_t>(chunk, uint32_t(payload.size() - at));
      const Transfer t = Bulk(0x81, payload.data() + at, n, 2000);
      if (!t.ok || t.transferred != n) return std::nullopt;
      at += n;
    }
    return payload;
  }
  // Sets the FPGA output size and depth.
  void SetOutput(int width, int height, int bytesPerPixel) {
    ASSERT_TRUE(FpgaWrite(0x44, uint8_t(width)));
    ASSERT_TRUE(FpgaWrite(0x45, uint8_t(width >> 8)));
    ASSERT_TRUE(FpgaWrite(0x40, uint8_t(height)));
    ASSERT_TRUE(FpgaWrite(0x41, uint8_t(height >> 8)));
    ASSERT_TRUE(FpgaWrite(0x3C, uint8_t(bytesPerPixel)));
  }
  // Programs a mode-0 sensor window the way the IMX487 driver does and the
  // matching FPGA output size.
  void SetWindow(int hStart, int vStart, int width, int height, int bytesPerPixel = 1) {
    const int hOffset = 2848 - hStart - width, vOffset = 2848 - vStart - height;
    SensorWriteWide(0x0320, uint32_t(hOffset) & 0x1FFF, 2);
    SensorWriteWide(0x0322, uint32_t(vOffset) & 0x1FFF, 2);
    SensorWriteWide(0x0324, uint32_t(width), 2);
    SensorWriteWide(0x0326, uint32_t(height), 2);
    SetOutput(width, height, bytesPerPixel);
  }
  int Knob(const char *key) {
    int value = -1;
    EXPECT_TRUE(camera_->Get(key, &value)) << key;
    return value;
  }

  std::shared_ptr<EmulatedCamera> camera_;
  std::unique_ptr<platform::UsbDevice> device_;
};

}  // namespace velmor::emulator
