// The settings a session keeps per camera number, and the store that loads
// and saves them. The session calls the store at fixed points of its life
// (initialisation, camera selection, destruction); UserSettings() keeps them
// in the current user's profile.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

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

// Identifiers of the filter values as hosts address them. 1-12 and 19-28
// are the session's image filters, 13-18 the engine's gains and exposure,
// 29-36 the per-channel gains and offsets, 100 and up camera functions.
enum FilterId : int32_t {
  kFilterBrightness = 1,
  kFilterContrast = 2,
  kFilterHue = 3,
  kFilterSaturation = 4,
  kFilterSharpness = 5,
  kFilterBayerGainPacked = 6,
  kFilterBayerGainRed = 7,
  kFilterBayerGainGreen = 8,
  kFilterBayerGainBlue = 9,
  kFilterBayerGainAuto = 10,
  kFilterGamma = 11,
  kFilterBayerMode = 12,
  kFilterGlobalGain = 13,
  kFilterColorGainRed = 14,
  kFilterColorGainGreen1 = 15,
  kFilterColorGainGreen2 = 16,
  kFilterColorGainBlue = 17,
  kFilterExposureTime = 18,
  kFilterGrayMode = 19,
  kFilterGrayGainR = 20,
  kFilterGrayGainG1 = 21,
  kFilterGrayGainG2 = 22,
  kFilterGrayGainB = 23,
  kFilterGrayOffsetR = 24,
  kFilterGrayOffsetG1 = 25,
  kFilterGrayOffsetG2 = 26,
  kFilterGrayOffsetB = 27,
  kFilterGrayGainAuto = 28,
  kFilterChannelGain1 = 29,
  kFilterChannelOffset1 = 33,
  kFilterPeltier = 100,
  kFilterTemperature = 101,
  kFilterDotFilter = 102,
  kFilterMaskFilter = 103,
  kFilterGainMode = 104,
  kFilterModeSwitch = 105,
  kFilterBlackLevel = 106,
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

// A camera's readout window presets, the index of the current one and its
// output format, as the camera settings dialog edits them.
struct CameraPresets {
  static constexpr int32_t kMaxPresets = 100;  // stored as Size_00 to Size_99
  std::vector<CaptureGeometry> presets;
  int32_t current = 0;
  OutputFormat format;
};

// Every load leaves a field that the store does not hold as it was; only
// when the whole analog, filter or grey group is missing does that group
// take its defaults.
class SessionSettings {
 public:
  virtual ~SessionSettings() = default;

  // The current preset of the camera into the readout window. A profile
  // without any settings gets the first-run keys instead (the engine tells
  // whether the camera delivers colour) and the window stays as it is.
  virtual void LoadCameraGeometry(int32_t camera, CVelmorU3K7Base &engine,
                                  CaptureGeometry &geometry) = 0;
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

  // The camera settings dialog's view: presets from the first up to the
  // first missing one, and the camera's own values.
  virtual void LoadPresets(int32_t camera, CameraPresets &presets) = 0;
  virtual void SavePresets(int32_t camera, const CameraPresets &presets) = 0;
};

// A colour mode brought into the camera's capabilities (8-bit path, 16-bit
// output, colour output).
int32_t FitColourMode(int32_t mode, bool eightBit, bool sixteenBit, bool colour);

// The settings of the current user: the registry on Windows, key files in
// the user's configuration folder elsewhere.
std::unique_ptr<SessionSettings> UserSettings();

}  // namespace velmor
