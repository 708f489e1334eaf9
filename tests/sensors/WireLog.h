// What the sensor tests read back from the wire: the serial-bus transfers
// that reached the camera, decoded into register writes and reads.
#pragma once

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <vector>

#include "emulator/RequestLog.h"

namespace velmor::test {

inline constexpr uint8_t kFpgaBus = 0x40;
inline constexpr uint8_t kSensorBus = 0x48;

// One transfer on the bus, as the controller put it there.
struct BusTransfer {
  uint8_t device;  // bus address; bit 0 set for reads
  std::vector<uint8_t> bytes;
};

struct RegisterWrite {
  uint16_t reg;
  uint8_t value;
  bool operator==(const RegisterWrite &) const = default;
};

inline std::ostream &operator<<(std::ostream &out, const RegisterWrite &write) {
  return out << std::hex << "0x" << write.reg << "=0x" << int(write.value) << std::dec;
}

// The serial-bus requests (vendor requests 0x30 and 0x31) among what reached
// a camera, oldest first.
inline std::vector<BusTransfer> BusLog(const std::vector<emulator::LoggedRequest> &entries) {
  std::vector<BusTransfer> transfers;
  for (const emulator::LoggedRequest &entry : entries) {
    if (entry.kind != emulator::RequestKind::Control || !entry.accepted) continue;
    if (entry.request() == 0x30) {
      const std::size_t count = std::min<std::size_t>(entry.record.value(), entry.data.size());
      transfers.push_back({uint8_t(entry.record.index()),
                           std::vector<uint8_t>(entry.data.begin(), entry.data.begin() + count)});
    } else if (entry.request() == 0x31) {
      transfers.push_back({uint8_t(entry.record.index()), {}});
    }
  }
  return transfers;
}

// Register writes to the sensor (16-bit address, high byte first), in order.
inline std::vector<RegisterWrite> SensorWrites(const std::vector<BusTransfer> &log) {
  std::vector<RegisterWrite> writes;
  for (const BusTransfer &transfer : log) {
    if (transfer.device == kSensorBus && transfer.bytes.size() == 3) {
      writes.push_back({uint16_t(transfer.bytes[0] << 8 | transfer.bytes[1]), transfer.bytes[2]});
    }
  }
  return writes;
}

// Register writes to the FPGA ({register, 0x00, value}), in order.
inline std::vector<RegisterWrite> FpgaWrites(const std::vector<BusTransfer> &log) {
  std::vector<RegisterWrite> writes;
  for (const BusTransfer &transfer : log) {
    if (transfer.device == kFpgaBus && transfer.bytes.size() == 3) {
      writes.push_back({transfer.bytes[0], transfer.bytes[2]});
    }
  }
  return writes;
}

// The written registers only, for order checks.
inline std::vector<uint16_t> Registers(const std::vector<RegisterWrite> &writes) {
  std::vector<uint16_t> registers;
  for (const RegisterWrite &write : writes) registers.push_back(write.reg);
  return registers;
}

// Address phases of FPGA register reads of reg.
inline int FpgaReads(const std::vector<BusTransfer> &log, uint8_t reg) {
  int reads = 0;
  for (const BusTransfer &transfer : log) {
    reads += transfer.device == kFpgaBus && transfer.bytes == std::vector<uint8_t>{reg};
  }
  return reads;
}

}  // namespace velmor::test
