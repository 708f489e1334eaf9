#include "settings/SessionSettings.h"

#include "engine/VelmorU3K7Base.h"

namespace velmor {
namespace {

// Colour mode of a profile's first run, before it meets the camera.
constexpr int32_t kFirstRunColourMode = 2;

struct FilterDefault {
  int32_t firstId, lastId, value;
};
// Brightness to sharpness 0; Bayer gains and gamma 100 percent; Bayer mode 3.
constexpr FilterDefault kFilterDefaults[] = {
    {1, 5, 0}, {7, 9, 100}, {10, 10, 0}, {11, 11, 100}, {12, 12, 3}};
// Grey mode off; grey gains and offsets at their neutral 128.
constexpr FilterDefault kGrayDefaults[] = {{19, 19, 0}, {20, 27, 128}};

template <std::size_t N>
void Apply(const FilterDefault (&table)[N], FilterValues &filters) {
  for (const FilterDefault &entry : table)
    for (int32_t id = entry.firstId; id <= entry.lastId; ++id) filters.byId[id] = entry.value;
}

class DefaultSessionSettings final : public SessionSettings {
 public:
  void LoadCameraGeometry(int32_t, CaptureGeometry &) override {}
  bool FindCapturePreset(int32_t, int32_t, int32_t, CaptureGeometry &) override { return false; }

  void LoadOutputFormat(int32_t, CVelmorU3K7Base &engine, OutputFormat &format) override {
    format.colourMode =
        FitColourMode(kFirstRunColourMode, engine.Supports8BitOutput() != 0,
                      engine.Supports16BitOutput() != 0, engine.SupportsColorOutput() != 0);
    format.subSample = 0;
    format.waitTime = 10;
    format.clock = 0;
  }

  void LoadAnalogSettings(int32_t, CVelmorU3K7Base &engine, AnalogValues &analog) override {
    analog.gain = engine.GetGain();
    const int32_t colourGain = engine.GetColorGainDefault();
    analog.colourGainGreen1 = analog.colourGainRed = colourGain;
    analog.colourGainBlue = analog.colourGainGreen2 = colourGain;
    analog.exposure = engine.GetExposureTime();
    analog.mirrorV = engine.GetMirrorV();
    analog.mirrorH = engine.GetMirrorH();
    analog.autoExposure = 0;
    analog.gainMode = 0;
    analog.blackLevel = engine.GetBlackLevel();
    if (engine.SupportsRealExposure()) engine.GetRealExposure(&analog.realExposure);
  }
  void SaveAnalogSettings(int32_t, const AnalogValues &) override {}

  void LoadFilterSettings(int32_t, FilterValues &filters) override {
    Apply(kFilterDefaults, filters);
    filters.bayerGainAutoOnce = 0;
  }
  void SaveFilterSettings(int32_t, const FilterValues &) override {}

  void LoadGraySettings(int32_t, FilterValues &filters) override { Apply(kGrayDefaults, filters); }
  void SaveGraySettings(int32_t, const FilterValues &) override {}
};

}  // namespace

int32_t FitColourMode(int32_t mode, bool eightBit, bool sixteenBit, bool colour) {
  if (!eightBit && (mode == 0 || mode == 3)) mode = sixteenBit ? 1 : 2;
  if (!colour && mode == 2) mode = sixteenBit ? 1 : 0;
  if (!sixteenBit && mode == 1) mode = colour ? 2 : 0;
  return mode;
}

std::unique_ptr<SessionSettings> DefaultSettings() {
  return std::make_unique<DefaultSessionSettings>();
}

}  // namespace velmor
