// The settings a session keeps per camera number, and the store that loads
// and saves them. The session calls the store at fixed points of its life
// (initialisation, camera selection, destruction); DefaultSettings() answers
// every load with what a fresh profile holds.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

namespace velmor {

class CVelmorU3K7Base;

inline constexpr int32_t kSensorSize = 2848;

// The readout window and its frame buffer preset.
struct CaptureGeometry {
  int32_t TH = kSensorSize, TV = kSensorSize;  // total sensor width and height
  int32_t EH = kSensorSize, EV = kSensorSize;  // window width and height
  int32_t EHS = 0, EVS = 0;                    // window start column and row
  int32_t Buf = 4;
};

// The analog group, in the order the engine gets it re-applied.
struct AnalogValues {
  int32_t gain = 0;
  int32_t colourGainGreen1 = 0, colourGainRed = 0, colourGainBlue = 0, colourGainGreen2 = 0;
  int32_t exposure = 0;  // 0.1 ms units
  int32_t mirrorV = 0, mirrorH = 0;
  int32_t autoExposure = 0;  // 0 off, 1 exposure, 2 gain
  int32_t blackLevel = 0;
  int32_t cooling = 0;
  int32_t modeSwitch = 0;
  int32_t gainMode = 0;
  double realExposure = 0.0;  // seconds, for engines with real exposure
};

// Filter values by their identifier (1 to 28; entry 0 unused) and the
// automatic Bayer gain's one-shot flag.
struct FilterValues {
  static constexpr int32_t kLastId = 28;
  std::array<int32_t, kLastId + 1> byId{};
  int32_t bayerGainAutoOnce = 0;
};

// Output format: colour mode index 0 to 5, readout mode, loop wait time in
// milliseconds, readout clock choice.
struct OutputFormat {
  int32_t colourMode = 0;
  int32_t subSample = 0;
  int32_t waitTime = 10;
  int32_t clock = 0;
};

class SessionSettings {
 public:
  virtual ~SessionSettings() = default;

  virtual void LoadCameraGeometry(int32_t camera, CaptureGeometry &geometry) = 0;
  // The first stored readout window preset of the camera whose EH and EV
  // are width and height; false when there is none or no settings at all.
  virtual bool FindCapturePreset(int32_t camera, int32_t width, int32_t height,
                                 CaptureGeometry &preset) = 0;
  // The engine answers with its capabilities: the stored colour mode is
  // brought into what the open camera can deliver.
  virtual void LoadOutputFormat(int32_t camera, CVelmorU3K7Base &engine, OutputFormat &format) = 0;
  // Absent values take the engine's current ones.
  virtual void LoadAnalogSettings(int32_t camera, CVelmorU3K7Base &engine,
                                  AnalogValues &analog) = 0;
  virtual void SaveAnalogSettings(int32_t camera, const AnalogValues &analog) = 0;
  virtual void LoadFilterSettings(int32_t camera, FilterValues &filters) = 0;
  virtual void SaveFilterSettings(int32_t camera, const FilterValues &filters) = 0;
  virtual void LoadGraySettings(int32_t camera, FilterValues &filters) = 0;
  virtual void SaveGraySettings(int32_t camera, const FilterValues &filters) = 0;
};

// A colour mode brought into the camera's capabilities (8-bit path, 16-bit
// output, colour output).
int32_t FitColourMode(int32_t mode, bool eightBit, bool sixteenBit, bool colour);

// The store of a profile that holds nothing: every load gives the defaults,
// saves keep nothing.
std::unique_ptr<SessionSettings> DefaultSettings();

}  // namespace velmor
