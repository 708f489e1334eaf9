// Exports of the FPGA and sensor registers, the SROM ID bytes of the EEPROM
// and the I/O port. The narrow forms take the low 8 bits of an address and
// the low 16 bits of a value; the Ex forms pass the whole int on.
#include "api/CallFrame.h"
#include "session/CameraRegisters.h"
#include "velmor/velmor.h"

using velmor::CameraRegisters;
using velmor::CVelmor;
using velmor::api::WithSession;

namespace {

constexpr int32_t kAddressMask = 0xFF;
constexpr int32_t kValueMask = 0xFFFF;
constexpr int32_t kSromAddressMask = 0xFFF;

// Runs `operation` on the registers of the handle's session.
template <class Operation>
int32_t WithRegisters(int32_t handle, Operation &&operation) {
  return WithSession(handle, 0, [&](CVelmor &session) {
    CameraRegisters registers(session);
    return operation(registers);
  });
}

}  // namespace

extern "C" {

int32_t Velmor_Fpga_ReadRegister(int32_t handle, int32_t address, int32_t *ok) {
  return WithRegisters(handle, [&](CameraRegisters &registers) {
    return registers.ReadFpga(uint8_t(address & kAddressMask), ok);
  });
}

int32_t Velmor_Fpga_WriteRegister(int32_t handle, int32_t address, int32_t value) {
  return WithRegisters(handle, [&](CameraRegisters &registers) {
    return registers.WriteFpga(uint8_t(address & kAddressMask), value & kValueMask);
  });
}

int32_t Velmor_ReadRegister(int32_t handle, int32_t address, int32_t *ok) {
  return WithRegisters(handle, [&](CameraRegisters &registers) {
    return registers.ReadSensor(uint16_t(address & kAddressMask), ok);
  });
}

int32_t Velmor_ReadRegisterEx(int32_t handle, int32_t address, int32_t *ok) {
  return WithRegisters(handle, [&](CameraRegisters &registers) {
    return registers.ReadSensor(uint16_t(address), ok);
  });
}

int32_t Velmor_WriteRegister(int32_t handle, int32_t address, int32_t value) {
  return WithRegisters(handle, [&](CameraRegisters &registers) {
    return registers.WriteSensor(uint16_t(address & kAddressMask), value & kValueMask);
  });
}

int32_t Velmor_WriteRegisterEx(int32_t handle, int32_t address, int32_t value) {
  return WithRegisters(handle, [&](CameraRegisters &registers) {
    return registers.WriteSensor(uint16_t(address), value);
  });
}

int32_t Velmor_ReadSromID(int32_t handle, int32_t address, int32_t *ok) {
  return WithRegisters(handle, [&](CameraRegisters &registers) {
    return registers.ReadSromId(uint16_t(address & kSromAddressMask), ok);
  });
}

int32_t Velmor_WriteSromID(int32_t handle, int32_t address, int32_t value) {
  return WithRegisters(handle, [&](CameraRegisters &registers) {
    return registers.WriteSromId(uint16_t(address & kSromAddressMask), uint8_t(value));
  });
}

int32_t Velmor_GetIOPort(int32_t handle, uint8_t *out, int32_t, int32_t) {
  return WithRegisters(handle,
                       [&](CameraRegisters &registers) { return registers.GetIoPort(out); });
}

int32_t Velmor_SetIOPort(int32_t handle, int32_t value) {
  return WithRegisters(
      handle, [&](CameraRegisters &registers) { return registers.SetIoPort(uint8_t(value)); });
}

}  // extern "C"
