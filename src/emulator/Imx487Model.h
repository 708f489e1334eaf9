// The emulated IMX487: a register file of 16-bit addresses and 8-bit values
// and what its readout registers mean for the next frame (window, mode,
// direction, timing and brightness).
#pragma once

#include <cstdint>
#include <vector>

#include "emulator/FrameRenderer.h"

namespace velmor::emulator {

class Imx487Model {
 public:
  Imx487Model();

  uint8_t Read(uint16_t address) const { return registers_[address]; }
  void Write(uint16_t address, uint8_t value) { registers_[address] = value; }

  // Readout mode code: 0 full, 1 skip, 17 bin.
  int Mode() const;
  // Fills the sensor part of a frame shape: window, mode, direction and
  // brightness.
  void Describe(FrameShape &shape) const;

  int FrameLengthLines() const;
  // One line in microseconds: the mode's base period scaled by the line
  // length register against the mode's nominal line length.
  double LinePeriodUs() const;
  double FramePeriodUs() const { return FrameLengthLines() * LinePeriodUs(); }
  double ExposureSeconds() const;
  int GainCode() const;
  int BlackLevel() const;

 private:
  uint32_t Field(uint16_t address, int bytes) const;

  std::vector<uint8_t> registers_;
};

}  // namespace velmor::emulator
