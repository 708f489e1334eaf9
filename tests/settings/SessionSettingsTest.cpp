// Per-camera settings through the exports: what a first run creates, what a
// session loads at initialisation and camera selection and saves at a
// switch and at release, and the stored presets behind SetCaptureWindow.
#include <cstring>
#include <iterator>
#include <vector>

#include "SettingsFixture.h"

namespace velmor {
namespace {

using SessionSettingsTest = SettingsFixture;

struct AnalogRow {
  const char *name;
  int32_t AnalogValues::*field;
  uint32_t pattern;
};
// Values the emulated camera takes as they are.
constexpr AnalogRow kAnalogRows[] = {{"Global", &AnalogValues::gain, 100},
                                     {"ColorG1", &AnalogValues::colourGainGreen1, 11},
                                     {"ColorR", &AnalogValues::colourGainRed, 12},
                                     {"ColorB", &AnalogValues::colourGainBlue, 13},
                                     {"ColorG2", &AnalogValues::colourGainGreen2, 14},
                                     {"Exposure", &AnalogValues::exposure, 500},
                                     {"V_Mirror", &AnalogValues::mirrorV, 1},
                                     {"H_Mirror", &AnalogValues::mirrorH, 1},
                                     {"AutoIris", &AnalogValues::autoExposure, 2},
                                     {"GainMode", &AnalogValues::gainMode, 1},
                                     {"BlackLevel", &AnalogValues::blackLevel, 60}};

struct FilterRow {
  const char *group;
  const char *name;
  FilterId id;
  uint32_t pattern;
};
constexpr FilterRow kFilterRows[] = {{"Filter", "Brightness", kFilterBrightness, uint32_t(-20)},
                                     {"Filter", "Contrast", kFilterContrast, 30},
                                     {"Filter", "Hue", kFilterHue, uint32_t(-45)},
                                     {"Filter", "Saturation", kFilterSaturation, 12},
                                     {"Filter", "Sharpness", kFilterSharpness, 5},
                                     {"Filter", "R_Gain", kFilterBayerGainRed, 150},
                                     {"Filter", "G_Gain", kFilterBayerGainGreen, 90},
                                     {"Filter", "B_Gain", kFilterBayerGainBlue, 210},
                                     {"Filter", "Gamma", kFilterGamma, 150},
                                     {"Filter", "BayerMode", kFilterBayerMode, 1},
                                     {"Gray", "Mode", kFilterGrayMode, 1},
                                     {"Gray", "GainR1", kFilterGrayGainR, 140},
                                     {"Gray", "GainG1", kFilterGrayGainG1, 141},
                                     {"Gray", "GainG2", kFilterGrayGainG2, 142},
                                     {"Gray", "GainB1", kFilterGrayGainB, 143},
                                     {"Gray", "OffsetR1", kFilterGrayOffsetR, 0xFFFFFFF6},  // -10
                                     {"Gray", "OffsetG1", kFilterGrayOffsetG1, 7},
                                     {"Gray", "OffsetG2", kFilterGrayOffsetG2, uint32_t(-255)},
                                     {"Gray", "OffsetB1", kFilterGrayOffsetB, 255}};

constexpr double kExposureEx = 0.0123456789;

TEST_F(SessionSettingsTest, AFirstRunCreatesTheDefaultKeys) {
  AddCameras(1);
  CVelmor &session = Session(Open());
  for (const auto &[name, value] : std::vector<std::pair<const char *, uint32_t>>{{"TH", 2848},
                                                                                  {"TV", 2848},
                                                                                  {"EH", 2848},
                                                                                  {"EV", 2848},
                                                                                  {"EHS", 0},
                                                                                  {"EVS", 0},
                                                                                  {"Buf", 4}})
    EXPECT_EQ(Dword(0, "Size_00", name), value) << name;
  // The camera is not open yet when the keys are made: the engine answers
  // for a colour camera.
  for (const auto &[name, value] : std::vector<std::pair<const char *, uint32_t>>{
           {"Size", 0}, {"Color", 2}, {"SubSample", 0}, {"WaitTime", 1}, {"Clock", 0}})
    EXPECT_EQ(Dword(0, "", name), value) << name;
  EXPECT_EQ(session.colourMode(), 1) << "brought into what the monochrome camera delivers";
  EXPECT_EQ(session.waitTime(), 1);
}

TEST_F(SessionSettingsTest, EveryValueSurvivesASwitchAReleaseAndAnInitialisation) {
  AddCameras(2);
  for (const AnalogRow &row : kAnalogRows) Put(0, "Gain", row.name, row.pattern);
  ASSERT_TRUE(store->Write(Camera(0), {{"Gain", "ExposureEx", kExposureEx}}));
  for (const FilterRow &row : kFilterRows) Put(0, row.group, row.name, row.pattern);

  const int32_t handle = Open();
  ASSERT_EQ(Velmor_SetDeviceNumber(handle, 0), 1);
  CVelmor &session = Session(handle);
  auto expectStoredValuesLoaded = [](CVelmor &loaded) {
    for (const AnalogRow &row : kAnalogRows)
      EXPECT_EQ(loaded.analog().*row.field, int32_t(row.pattern)) << row.name;
    uint64_t seconds, stored;
    std::memcpy(&seconds, &loaded.analog().realExposure, sizeof seconds);
    std::memcpy(&stored, &kExposureEx, sizeof stored);
    EXPECT_EQ(seconds, stored) << "the double reads back bit for bit";
    for (const FilterRow &row : kFilterRows)
      EXPECT_EQ(loaded.filters().byId[row.id], int32_t(row.pattern)) << row.name;
  };
  expectStoredValuesLoaded(session);
  // Re-applied to the camera.
  EXPECT_EQ(session.engine()->GetGain(), 100);
  EXPECT_EQ(session.engine()->GetBlackLevel(), 60);
  EXPECT_EQ(Velmor_GetMirrorV(handle), 1);
  EXPECT_EQ(Velmor_GetMirrorH(handle), 1);

  // What the store holds is overwritten behind the session's back; the
  // switch writes the session's values back.
  for (const FilterRow &row : kFilterRows) Put(0, row.group, row.name, 77);
  Put(0, "Gain", "Global", 77);
  ASSERT_EQ(Velmor_SetDeviceNumber(handle, 1), 1);
  for (const FilterRow &row : kFilterRows)
    EXPECT_EQ(Dword(0, row.group, row.name), row.pattern) << row.name;
  EXPECT_EQ(Dword(0, "Gain", "Global"), 100u);
  EXPECT_EQ(Dword(0, "Gray", "OffsetR1"), 0xFFFFFFF6u) << "a signed value as its pattern";

  // Camera 1 has nothing stored: defaults, saved under Camera_01 at release.
  EXPECT_EQ(session.filters().byId[kFilterGamma], 100);
  EXPECT_EQ(session.filters().byId[kFilterGrayOffsetR], 128);
  EXPECT_EQ(session.analog().autoExposure, 0);
  EXPECT_EQ(Velmor_Release(handle), 1);
  EXPECT_EQ(Dword(1, "Filter", "Gamma"), 100u);
  EXPECT_EQ(Dword(1, "Gray", "OffsetB1"), 128u);
  EXPECT_TRUE(store->Open(Camera(1))->ReadDouble("Gain", "ExposureEx").has_value());

  const int32_t again = Open();
  ASSERT_EQ(Velmor_SetDeviceNumber(again, 0), 1);
  expectStoredValuesLoaded(Session(again));
}

TEST_F(SessionSettingsTest, AMissingValueLeavesTheFieldAsItWas) {
  AddCameras(2);
  Put(1, "Filter", "Gamma", 150);
  Put(0, "Filter", "Contrast", 20);  // a Filter group without Gamma
  const int32_t handle = Open();
  ASSERT_EQ(Velmor_SetDeviceNumber(handle, 1), 1);
  ASSERT_EQ(Velmor_SetDeviceNumber(handle, 0), 1);
  EXPECT_EQ(Session(handle).filters().byId[kFilterContrast], 20);
  EXPECT_EQ(Session(handle).filters().byId[kFilterGamma], 150);
}

TEST_F(SessionSettingsTest, ValuesReadBackAreBroughtIntoTheFilterRanges) {
  const FilterRow rows[] = {{"Filter", "Saturation", kFilterSaturation, 0x80000000},
                            {"Filter", "Hue", kFilterHue, 1000},
                            {"Filter", "Sharpness", kFilterSharpness, uint32_t(-1)},
                            {"Filter", "Gamma", kFilterGamma, 201},
                            {"Filter", "BayerMode", kFilterBayerMode, 9},
                            {"Gray", "Mode", kFilterGrayMode, 3},
                            {"Gray", "GainG2", kFilterGrayGainG2, 256},
                            {"Gray", "OffsetB1", kFilterGrayOffsetB, uint32_t(-256)}};
  const int32_t fitted[] = {-255, 360, 0, 200, 3, 2, 255, -255};
  for (const FilterRow &row : rows) Put(0, row.group, row.name, row.pattern);
  AddCameras(1);
  CVelmor &session = Session(Open());
  for (std::size_t i = 0; i < std::size(rows); ++i)
    EXPECT_EQ(session.filters().byId[rows[i].id], fitted[i]) << rows[i].name;
}

TEST_F(SessionSettingsTest, TheOutputFormatIsReadAtInitialisation) {
  for (const auto &[name, value] : std::vector<std::pair<const char *, uint32_t>>{
           {"Color", 0}, {"SubSample", 17}, {"WaitTime", 25}})
    Put(0, "", name, value);
  AddCameras(1);
  CVelmor &session = Session(Open());
  EXPECT_EQ(session.colourMode(), 0);
  EXPECT_EQ(session.subSample(), 17);
  EXPECT_EQ(session.waitTime(), 25);
}

TEST_F(SessionSettingsTest, SetCaptureWindowTakesTheFirstMatchingPreset) {
  AddCameras(1);
  const int32_t handle = Open();  // writes Size_00, the full window
  const std::vector<CaptureGeometry> stored = {
      {2848, 2848, 1024, 768, 112, 208, 6},  // Size_01
      {2848, 2848, 2000, 500, 1000, 0, 3},   // Size_02: past the sensor's right edge
      {2848, 2848, 1024, 768, 0, 0, 4}};     // Size_03: a later twin of Size_01
  // As the camera dialog adds presets: what is stored, with more behind.
  CameraPresets presets;
  UserSettings()->LoadPresets(0, presets);
  ASSERT_EQ(presets.presets.size(), 1u);
  presets.presets.insert(presets.presets.end(), stored.begin(), stored.end());
  UserSettings()->SavePresets(0, presets);
  Put(0, "Size_05", "EH", 640);  // behind the gap at Size_04: never listed
  Put(0, "Size_05", "EV", 480);

  struct Case {
    int32_t width, height, result;
    std::vector<int32_t> errors;
    CaptureGeometry window;  // TH, TV, EH, EV, EHS, EVS, Buf
  };
  const Case cases[] = {{1024, 768, 1, {}, {2848, 2848, 1024, 768, 112, 208, 6}},
                        {2000, 500, 1, {7}, {2848, 2848, 2848, 2848, 0, 0, 3}},
                        {640, 480, 0, {4}, {2848, 2848, 2848, 2848, 0, 0, 3}},
                        {2848, 2848, 1, {}, {2848, 2848, 2848, 2848, 0, 0, 4}}};
  CVelmor &session = Session(handle);
  for (const Case &c : cases) {
    EXPECT_EQ(Velmor_SetCaptureWindow(handle, c.width, c.height), c.result) << c.width;
    EXPECT_EQ(Errors(handle), c.errors) << c.width;
    const CaptureGeometry &g = session.geometry();
    EXPECT_EQ(std::vector<int32_t>({g.TH, g.TV, g.EH, g.EV, g.EHS, g.EVS, g.Buf}),
              std::vector<int32_t>({c.window.TH, c.window.TV, c.window.EH, c.window.EV,
                                    c.window.EHS, c.window.EVS, c.window.Buf}))
        << c.width;
  }
  ASSERT_EQ(Velmor_SetCaptureWindow(handle, 1024, 768), 1);
  int32_t window[5] = {};
  session.engine()->GetCaptureWindow(&window[0], &window[1], &window[2], &window[3], &window[4]);
  EXPECT_EQ(std::vector<int32_t>(window, window + 4), (std::vector<int32_t>{112, 208, 1024, 768}))
      << "the camera got the preset's window";

  CameraPresets listed;
  UserSettings()->LoadPresets(0, listed);
  EXPECT_EQ(listed.presets.size(), 4u) << "listed up to the first gap";
  EXPECT_EQ(listed.presets[1].EHS, 112);
  EXPECT_EQ(listed.format.waitTime, 1);
}

}  // namespace
}  // namespace velmor
