// CControllerBase: the controller interface that the engine and the sensor
// drivers talk through. Every slot has a default body (slot 2 does nothing,
// the others return 0), so a controller overrides only what it supports.
#pragma once

#include <cstdint>

namespace velmor {

class CControllerBase {
 public:
  // slot 0
  virtual ~CControllerBase() = default;
  // slot 1: unused, kept so the slots stay in place
  virtual int32_t Reserved1() { return 0; }
  // slot 2: closes the stream handle and frees the staging buffer
  virtual void Close() {}
  // slot 3: closes the stream handle and selects a row of the camera table
  virtual int32_t SelectDevice(int32_t /*rowIndex*/) { return 0; }
  // slot 4: FPGA version word, (register 0x11 << 8) | register 0x10
  virtual int32_t ReadFpgaWord(uint16_t * /*out*/) { return 0; }
  // slot 5: serial-bus write of at most 64 bytes
  virtual int32_t I2cWrite(uint8_t /*device*/, const uint8_t * /*data*/, uint8_t /*count*/,
                           uint32_t /*timeoutMs*/) {
    return 0;
  }
  // slot 6: serial-bus read of at most 64 bytes
  virtual int32_t I2cRead(uint8_t /*device*/, uint8_t * /*data*/, uint8_t /*count*/,
                          uint32_t /*timeoutMs*/) {
    return 0;
  }
  // slot 7
  virtual int32_t WriteRegister32(uint16_t /*reg*/, uint32_t /*value*/) { return 0; }
  // slot 8
  virtual int32_t ReadRegister16(uint16_t /*reg*/, uint32_t * /*out*/) { return 0; }
  // slot 9
  virtual int32_t WriteWordPair(uint16_t /*first*/, uint16_t /*second*/) { return 0; }
  // slot 10
  virtual int32_t ReadWord(uint16_t /*address*/, uint32_t * /*out*/) { return 0; }
  // slot 11: FPGA register write, one locked serial-bus transaction
  virtual int32_t WriteFpgaRegister(uint8_t /*reg*/, uint8_t /*value*/) { return 0; }
  // slot 12: FPGA register read, address write and data read under one lock
  virtual int32_t ReadFpgaRegister(uint8_t /*reg*/, uint8_t * /*out*/) { return 0; }
  // slot 13
  virtual int32_t WriteAuxRegister(uint8_t /*reg*/, uint8_t /*value*/) { return 0; }
  // slot 14
  virtual int32_t ReadAuxRegister(uint8_t /*reg*/, uint8_t * /*out*/) { return 0; }
  // slot 15: aborts every transfer pending on IN endpoint 0x81 and waits for it
  virtual int32_t AbortTransfer() { return 0; }
};

// Frame header and payload bookkeeping that the engine owns and the
// controller fills: 88 bytes laid out as the firmware's header dictates.
struct TransferDescriptor {
  uint8_t header[64];       // the frame header as received
  uint32_t counterCopy;     // header bytes 32-35, the last seen frame counter
  uint32_t reserved;        // keeps `buffer` at byte 72
  uint8_t *buffer;          // payload destination
  uint32_t capacity;        // size of `buffer` in bytes
  uint32_t expectedLength;  // length of a single-endpoint read

  // Header bytes 16-19: payload bytes that follow the header.
  uint32_t payloadLength() const { return LoadLe32(header + 16); }
  // Header bytes 32-35.
  uint32_t frameCounter() const { return LoadLe32(header + 32); }

 private:
  static uint32_t LoadLe32(const uint8_t *p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
  }
};
static_assert(sizeof(TransferDescriptor) == 88, "TransferDescriptor is 88 bytes");

}  // namespace velmor
