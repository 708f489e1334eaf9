// Turns the sensor's picture into the payload bytes the FPGA sends for one
// readout configuration. Rendering touches every pixel, so the camera keeps
// the last payload and renders again only when the configuration changes.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "emulator/Scene.h"

namespace velmor::emulator {

// Everything that decides the bytes of a frame.
struct FrameShape {
  int mode = 0;                                                           // 0 full, 1 skip, 17 bin
  int hStart = 0, vStart = 0, width = kSensorSize, height = kSensorSize;  // sensor window
  bool mirrorV = false, mirrorH = false;                                  // readout direction bits
  int outWidth = kSensorSize, outHeight = kSensorSize;                    // FPGA output size
  int bytesPerPixel = 1;
  Pattern pattern = Pattern::Scene;
  int blackLevel = 240;     // 12-bit
  double brightness = 1.0;  // scene DN multiplier from exposure and gain
  int camera = 0;           // chooses the sensor's fixed-pattern faults
  int flatLevel = 2000;     // DN of the flat light at unit brightness
  int noise = 0;            // temporal noise, standard deviation in DN
  uint32_t frame = 0;       // draws the noise; 0 unless there is noise

  bool operator==(const FrameShape &) const = default;
};

using Payload = std::shared_ptr<const std::vector<uint8_t>>;

// Output size of the sensor for the shape's mode and window.
int SensorOutputWidth(const FrameShape &shape);
int SensorOutputHeight(const FrameShape &shape);

Payload RenderFrame(const FrameShape &shape);

}  // namespace velmor::emulator
