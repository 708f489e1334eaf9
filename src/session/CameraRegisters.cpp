#include "session/CameraRegisters.h"

#include "session/SuccessFlag.h"
#include "session/Velmor.h"

namespace velmor {
namespace {

// A register read from the host: code 1 without an engine, code 6 when the
// transfer failed; ok tells which value is real.
template <class Read>
int32_t CheckedRead(CVelmor &session, int32_t *ok, Read &&read) {
  SetSuccessFlag(ok, 0);
  CVelmorUSB3K7SimpleSdk *engine = session.engine();
  if (engine == nullptr) {
    session.ReportError(VELMOR_ERROR_NO_CAMERA);
    return 0;
  }
  int32_t done = 0;
  const int32_t value = read(*engine, &done);
  if (!done) {
    session.ReportError(VELMOR_ERROR_DEVICE);
    return 0;
  }
  SetSuccessFlag(ok, 1);
  return value;
}

template <class Write>
int32_t CheckedWrite(CVelmor &session, Write &&write) {
  CVelmorUSB3K7SimpleSdk *engine = session.engine();
  if (engine == nullptr) {
    session.ReportError(VELMOR_ERROR_NO_CAMERA);
    return 0;
  }
  if (!write(*engine)) {
    session.ReportError(VELMOR_ERROR_DEVICE);
    return 0;
  }
  return 1;
}

}  // namespace

int32_t CameraRegisters::ReadFpga(uint8_t reg, int32_t *ok) {
  return CheckedRead(session_, ok, [&](CVelmorUSB3K7SimpleSdk &engine, int32_t *read) {
    return engine.ReadFpgaRegister(reg, read);
  });
}

int32_t CameraRegisters::WriteFpga(uint8_t reg, int32_t value) {
  return CheckedWrite(session_, [&](CVelmorUSB3K7SimpleSdk &engine) {
    return engine.WriteFpgaRegister(reg, value);
  });
}

int32_t CameraRegisters::ReadSensor(uint16_t reg, int32_t *ok) {
  return CheckedRead(session_, ok, [&](CVelmorUSB3K7SimpleSdk &engine, int32_t *read) {
    return engine.ReadSensorRegister(reg, read);
  });
}

int32_t CameraRegisters::WriteSensor(uint16_t reg, int32_t value) {
  // Sensor registers hold 8 bits: the value's low byte goes to the camera.
  return CheckedWrite(session_, [&](CVelmorUSB3K7SimpleSdk &engine) {
    return engine.WriteSensorRegister(reg, uint8_t(value));
  });
}

int32_t CameraRegisters::ReadSromId(uint16_t address, int32_t *ok) {
  SetSuccessFlag(ok, 0);
  CVelmorUSB3K7SimpleSdk *engine = session_.engine();
  uint8_t byte = 0;
  if (engine == nullptr || !engine->ReadEeprom(address, &byte)) {
    session_.PostErrorOnly(VELMOR_ERROR_NO_CAMERA);
    return 0;
  }
  SetSuccessFlag(ok, 1);
  return byte;
}

int32_t CameraRegisters::WriteSromId(uint16_t address, uint8_t value) {
  CVelmorUSB3K7SimpleSdk *engine = session_.engine();
  if (engine == nullptr || !engine->WriteEeprom(address, value)) {
    session_.PostErrorOnly(VELMOR_ERROR_NO_CAMERA);
    return 0;
  }
  // The EEPROM may take a write without keeping it: only a read-back shows it.
  for (int attempt = 1; attempt <= kSromVerifyTries; ++attempt) {
    uint8_t stored = 0;
    if (engine->ReadEeprom(address, &stored) && stored == value) return 1;
    if (attempt < kSromVerifyTries) engine->WriteEeprom(address, value);
  }
  session_.ReportError(VELMOR_ERROR_DEVICE);
  return 0;
}

int32_t CameraRegisters::GetIoPort(uint8_t *out) {
  CVelmorUSB3K7SimpleSdk *engine = session_.engine();
  if (engine == nullptr) {
    session_.PostErrorOnly(VELMOR_ERROR_NO_CAMERA);
    return 0;
  }
  int32_t read = 0;
  const int32_t value = out != nullptr ? engine->ReadFpgaRegister(kIoPortRegister, &read) : 0;
  if (!read) {
    session_.PostErrorOnly(VELMOR_ERROR_ARGUMENT);
    return 0;
  }
  *out = uint8_t(value);
  return 1;
}

int32_t CameraRegisters::SetIoPort(uint8_t value) {
  CVelmorUSB3K7SimpleSdk *engine = session_.engine();
  if (engine == nullptr) {
    session_.PostErrorOnly(VELMOR_ERROR_NO_CAMERA);
    return 0;
  }
  return engine->WriteFpgaRegister(kIoPortRegister, value);
}

}  // namespace velmor
