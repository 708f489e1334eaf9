// Per-camera settings in the user's settings store, in the layout the
// Windows registry holds below Software\Brevan\VelmorS10PX3K7Sdk: one key
// "Camera_NN" per camera number with the output format and the index of the
// current readout window, and below it the groups Size_PP (readout window
// presets 00 to 99 without gaps), Gain (analog values), Filter (image filter
// values) and Gray (grey filter values). Numbers are kept as 32-bit
// patterns, a signed value as its two's complement; the extended exposure is
// the one double. Store failures are silent: what cannot be read keeps its
// value or default, what cannot be written is not kept.
#include <algorithm>
#include <cstdio>
#include <string>

#include "engine/VelmorU3K7Base.h"
#include "platform/SettingsStore.h"
#include "settings/FilterRanges.h"
#include "settings/SessionSettings.h"

namespace velmor {
namespace {

constexpr const char *kVendor = "Brevan";
constexpr const char *kProduct = "VelmorS10PX3K7Sdk";

// Groups of a camera key; "" is the camera key's own values.
constexpr const char *kCameraGroup = "";
constexpr const char *kAnalogGroup = "Gain";
constexpr const char *kFilterGroup = "Filter";
constexpr const char *kGrayGroup = "Gray";

constexpr int32_t kPresetSlots = CameraPresets::kMaxPresets;
constexpr const char *kPresetIndexName = "Size";
constexpr const char *kExposureExName = "ExposureEx";

// Colour mode indices a first run chooses from.
enum : int32_t { kGrey8 = 0, kGrey16 = 1, kColour24 = 2 };
// The wait time a first run writes; a session that finds no key keeps its
// own.
constexpr int32_t kFirstRunWaitTime = 1;

std::string Numbered(const char *prefix, int32_t number) {
  char name[32];
  std::snprintf(name, sizeof name, "%s_%02d", prefix, number);
  return name;
}
std::string CameraKey(int32_t camera) { return Numbered("Camera", camera); }
std::string PresetGroup(int32_t index) { return Numbered("Size", index); }

// A stored value and the 32-bit field it belongs to.
template <class T>
struct Field {
  const char *name;
  int32_t T::*member;
};

constexpr Field<CaptureGeometry> kPresetFields[] = {
    {"TH", &CaptureGeometry::TH},  {"TV", &CaptureGeometry::TV},   {"EH", &CaptureGeometry::EH},
    {"EV", &CaptureGeometry::EV},  {"EHS", &CaptureGeometry::EHS}, {"EVS", &CaptureGeometry::EVS},
    {"Buf", &CaptureGeometry::Buf}};

constexpr Field<OutputFormat> kFormatFields[] = {{"Color", &OutputFormat::colourMode},
                                                 {"SubSample", &OutputFormat::subSample},
                                                 {"WaitTime", &OutputFormat::waitTime},
                                                 {"Clock", &OutputFormat::clock}};

constexpr Field<AnalogValues> kAnalogFields[] = {{"Global", &AnalogValues::gain},
                                                 {"ColorG1", &AnalogValues::colourGainGreen1},
                                                 {"ColorR", &AnalogValues::colourGainRed},
                                                 {"ColorB", &AnalogValues::colourGainBlue},
                                                 {"ColorG2", &AnalogValues::colourGainGreen2},
                                                 {"Exposure", &AnalogValues::exposure},
                                                 {"V_Mirror", &AnalogValues::mirrorV},
                                                 {"H_Mirror", &AnalogValues::mirrorH},
                                                 {"AutoIris", &AnalogValues::autoExposure},
                                                 {"GainMode", &AnalogValues::gainMode},
                                                 {"BlackLevel", &AnalogValues::blackLevel}};

// A stored filter value and its default. A value read back is brought into
// the range a host may set (StoredFilterRange) before any filter stage sees
// it: a saturation past its range would index past the stage's tables.
struct FilterSlot {
  const char *name;
  FilterId id;
  int32_t defaultValue;
};

constexpr FilterSlot kFilterSlots[] = {{"Brightness", kFilterBrightness, 0},
                                       {"Contrast", kFilterContrast, 0},
                                       {"Hue", kFilterHue, 0},
                                       {"Saturation", kFilterSaturation, 0},
                                       {"Sharpness", kFilterSharpness, 0},
                                       {"R_Gain", kFilterBayerGainRed, 100},
                                       {"G_Gain", kFilterBayerGainGreen, 100},
                                       {"B_Gain", kFilterBayerGainBlue, 100},
                                       {"Gamma", kFilterGamma, 100},
                                       {"BayerMode", kFilterBayerMode, 3}};

constexpr FilterSlot kGraySlots[] = {{"Mode", kFilterGrayMode, 0},
                                     {"GainR1", kFilterGrayGainR, 128},
                                     {"GainG1", kFilterGrayGainG1, 128},
                                     {"GainG2", kFilterGrayGainG2, 128},
                                     {"GainB1", kFilterGrayGainB, 128},
                                     {"OffsetR1", kFilterGrayOffsetR, 128},
                                     {"OffsetG1", kFilterGrayOffsetG1, 128},
                                     {"OffsetG2", kFilterGrayOffsetG2, 128},
                                     {"OffsetB1", kFilterGrayOffsetB, 128}};

using Entries = std::vector<platform::SettingsEntry>;

template <class T, std::size_t N>
void ReadFields(platform::SettingsReader &reader, const std::string &group,
                const Field<T> (&fields)[N], T &values) {
  for (const Field<T> &field : fields)
    if (const auto pattern = reader.ReadDword(group, field.name))
      values.*field.member = int32_t(*pattern);
}

template <class T, std::size_t N>
void AddFields(const std::string &group, const Field<T> (&fields)[N], const T &values,
               Entries &entries) {
  for (const Field<T> &field : fields)
    entries.push_back({group, field.name, uint32_t(values.*field.member)});
}

// The slots' stored values, or their defaults when the group is missing;
// false then.
template <std::size_t N>
bool ReadSlots(platform::SettingsReader *reader, const char *group, const FilterSlot (&slots)[N],
               FilterValues &filters) {
  if (reader == nullptr || !reader->HasGroup(group)) {
    for (const FilterSlot &slot : slots) filters.byId[slot.id] = slot.defaultValue;
    return false;
  }
  for (const FilterSlot &slot : slots)
    if (const auto pattern = reader->ReadDword(group, slot.name)) {
      const FilterRange range = *StoredFilterRange(slot.id);
      filters.byId[slot.id] = std::clamp(int32_t(*pattern), range.min, range.max);
    }
  return true;
}

template <std::size_t N>
Entries SlotEntries(const char *group, const FilterSlot (&slots)[N], const FilterValues &filters) {
  Entries entries;
  for (const FilterSlot &slot : slots)
    entries.push_back({group, slot.name, uint32_t(filters.byId[slot.id])});
  return entries;
}

// Presets Size_00 onwards up to the first missing one.
std::vector<CaptureGeometry> ReadPresets(platform::SettingsReader &reader) {
  std::vector<CaptureGeometry> presets;
  for (int32_t index = 0; index < kPresetSlots; ++index) {
    const std::string group = PresetGroup(index);
    if (!reader.HasGroup(group)) break;
    ReadFields(reader, group, kPresetFields, presets.emplace_back());
  }
  return presets;
}

// 24 bits for a camera that delivers colour; else 16 bits, else 8 bits,
// else 24 bits all the same.
int32_t FirstRunColourMode(CVelmorU3K7Base &engine) {
  if (engine.SupportsColorOutput()) return kColour24;
  if (engine.Supports16BitOutput()) return kGrey16;
  if (engine.Supports8BitOutput()) return kGrey8;
  return kColour24;
}

// The analog group of a camera without stored settings: what the engine
// holds now, the colour gains at its default, automatic exposure off.
void TakeEngineValues(CVelmorU3K7Base &engine, AnalogValues &analog) {
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

class StoredSessionSettings final : public SessionSettings {
 public:
  StoredSessionSettings() : store_(platform::SettingsStore::ForUser(kVendor, kProduct)) {}

  void LoadCameraGeometry(int32_t camera, CVelmorU3K7Base &engine,
                          CaptureGeometry &geometry) override {
    if (!store_->Exists()) {
      WriteFirstRunKeys(camera, engine);
      return;
    }
    const auto reader = store_->Open(CameraKey(camera));
    if (!reader) return;
    const auto index = reader->ReadDword(kCameraGroup, kPresetIndexName);
    ReadFields(*reader, PresetGroup(int32_t(index.value_or(0))), kPresetFields, geometry);
  }

  bool FindCapturePreset(int32_t camera, int32_t width, int32_t height,
                         CaptureGeometry &preset) override {
    const auto reader = store_->Open(CameraKey(camera));
    if (!reader) return false;
    const std::vector<CaptureGeometry> presets = ReadPresets(*reader);
    const auto found = std::find_if(presets.begin(), presets.end(), [&](const CaptureGeometry &p) {
      return p.EH == width && p.EV == height;
    });
    if (found == presets.end()) return false;
    preset = *found;
    return true;
  }

  void LoadOutputFormat(int32_t camera, CVelmorU3K7Base &engine, OutputFormat &format) override {
    if (const auto reader = store_->Open(CameraKey(camera)))
      ReadFields(*reader, kCameraGroup, kFormatFields, format);
    format.colourMode =
        FitColourMode(format.colourMode, engine.Supports8BitOutput() != 0,
                      engine.Supports16BitOutput() != 0, engine.SupportsColorOutput() != 0);
  }

  void LoadAnalogSettings(int32_t camera, CVelmorU3K7Base &engine, AnalogValues &analog) override {
    const auto reader = store_->Open(CameraKey(camera));
    if (!reader || !reader->HasGroup(kAnalogGroup)) {
      TakeEngineValues(engine, analog);
      return;
    }
    ReadFields(*reader, kAnalogGroup, kAnalogFields, analog);
    if (const auto seconds = reader->ReadDouble(kAnalogGroup, kExposureExName))
      analog.realExposure = *seconds;
  }

  void SaveAnalogSettings(int32_t camera, const AnalogValues &analog) override {
    Entries entries;
    AddFields(kAnalogGroup, kAnalogFields, analog, entries);
    entries.push_back({kAnalogGroup, kExposureExName, analog.realExposure});
    store_->Write(CameraKey(camera), entries);
  }

  // Without a Filter group the automatic white balance is off as well.
  void LoadFilterSettings(int32_t camera, FilterValues &filters) override {
    if (!ReadSlots(store_->Open(CameraKey(camera)).get(), kFilterGroup, kFilterSlots, filters)) {
      filters.byId[kFilterBayerGainAuto] = 0;
      filters.bayerGainAutoOnce = 0;
    }
  }

  void SaveFilterSettings(int32_t camera, const FilterValues &filters) override {
    store_->Write(CameraKey(camera), SlotEntries(kFilterGroup, kFilterSlots, filters));
  }

  void LoadGraySettings(int32_t camera, FilterValues &filters) override {
    ReadSlots(store_->Open(CameraKey(camera)).get(), kGrayGroup, kGraySlots, filters);
  }

  void SaveGraySettings(int32_t camera, const FilterValues &filters) override {
    store_->Write(CameraKey(camera), SlotEntries(kGrayGroup, kGraySlots, filters));
  }

  void LoadPresets(int32_t camera, CameraPresets &presets) override {
    const auto reader = store_->Open(CameraKey(camera));
    if (!reader) return;
    presets.presets = ReadPresets(*reader);
    if (const auto index = reader->ReadDword(kCameraGroup, kPresetIndexName))
      presets.current = int32_t(*index);
    ReadFields(*reader, kCameraGroup, kFormatFields, presets.format);
  }

  void SavePresets(int32_t camera, const CameraPresets &presets) override {
    Entries entries;
    const int32_t count = std::min(int32_t(presets.presets.size()), kPresetSlots);
    for (int32_t index = 0; index < count; ++index)
      AddFields(PresetGroup(index), kPresetFields, presets.presets[index], entries);
    entries.push_back({kCameraGroup, kPresetIndexName, uint32_t(presets.current)});
    AddFields(kCameraGroup, kFormatFields, presets.format, entries);
    store_->Write(CameraKey(camera), entries);
  }

 private:
  // A full-sensor preset Size_00, selected, and the first-run output format.
  void WriteFirstRunKeys(int32_t camera, CVelmorU3K7Base &engine) {
    CameraPresets firstRun;
    firstRun.presets.emplace_back();
    firstRun.format = OutputFormat{FirstRunColourMode(engine), 0, kFirstRunWaitTime, 0};
    SavePresets(camera, firstRun);
  }

  std::unique_ptr<platform::SettingsStore> store_;
};

}  // namespace

std::unique_ptr<SessionSettings> UserSettings() {
  return std::make_unique<StoredSessionSettings>();
}

}  // namespace velmor
