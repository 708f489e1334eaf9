// Host access to the camera's registers and identification bytes: FPGA and
// sensor registers, the EEPROM's SROM ID bytes and the FPGA's I/O port. A
// view over one session, through whose engine it reaches the camera and in
// whose error history it reports.
#pragma once

#include <cstdint>

namespace velmor {

class CVelmor;

class CameraRegisters {
 public:
  // Reads after a write before the SROM ID write gives up.
  static constexpr int kSromVerifyTries = 10;
  static constexpr uint8_t kIoPortRegister = 0x07;

  explicit CameraRegisters(CVelmor &session) : session_(session) {}

  // FPGA register `reg` (0-255): the 8-bit value with ok 1, or 0 with ok 0
  // and code 6.
  int32_t ReadFpga(uint8_t reg, int32_t *ok);
  int32_t WriteFpga(uint8_t reg, int32_t value);
  // Sensor register `reg`: the value with ok 1, or 0 with ok 0 and code 6.
  int32_t ReadSensor(uint16_t reg, int32_t *ok);
  int32_t WriteSensor(uint16_t reg, int32_t value);
  // EEPROM byte `address` (0-0xFFF); failures post code 1 without recording it.
  int32_t ReadSromId(uint16_t address, int32_t *ok);
  // Writes the byte and reads it back, writing again while it differs; 1
  // once a read-back matched, 0 with code 6 when none did within
  // kSromVerifyTries.
  int32_t WriteSromId(uint16_t address, uint8_t value);
  int32_t GetIoPort(uint8_t *out);
  int32_t SetIoPort(uint8_t value);

 private:
  CVelmor &session_;
};

}  // namespace velmor
