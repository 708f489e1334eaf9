// The analog dialog's model behind Velmor_SetAnalogDlg: ranges from the
// engine, changes reaching the camera at once, OK, Cancel and Default, and
// the refreshes automatic exposure and gain send it.
#include "DialogFixture.h"

namespace velmor {
namespace {

using dialogs::AnalogDialogModel;
using AnalogDialogTest = DialogFixture;

TEST_F(AnalogDialogTest, SlidersTakeTheirRangesAndPagesFromTheEngine) {
  const int32_t handle = OpenCamera();
  CVelmorUSB3K7SimpleSdk &engine = *Session(handle).engine();
  struct Expected {
    dialogs::AnalogSlider slider;
    int32_t minimum, maximum;
    bool shown;
  };
  const Expected rows[] = {
      {dialogs::kGainSlider, engine.GetGainMin(), engine.GetGainMax(), true},
      {dialogs::kColourRedSlider, engine.GetColorGainMin(), engine.GetColorGainMax(), false},
      {dialogs::kExposureSlider, engine.GetExposureTimeMin(), engine.GetExposureTimeMax(), false},
      {dialogs::kBlackLevelSlider, engine.GetBlackLevelMin(), engine.GetBlackLevelMax(), true},
  };
  int32_t runs = 0;
  dialogs::SetDialogStandIn({.analog = [&](AnalogDialogModel &model) {
    ++runs;
    EXPECT_FALSE(model.colourPage()) << "a monochrome camera gets the monochrome page";
    EXPECT_TRUE(model.extendedExposure()) << "exposure in seconds replaces the slider";
    for (const Expected &row : rows) {
      const dialogs::SliderControl &slider = model.slider(row.slider);
      EXPECT_EQ(slider.minimum, row.minimum) << row.slider;
      EXPECT_EQ(slider.maximum, row.maximum) << row.slider;
      EXPECT_EQ(slider.page, (row.maximum - row.minimum) / 8) << row.slider;
      EXPECT_EQ(model.sliderShown(row.slider), row.shown) << row.slider;
    }
    EXPECT_FALSE(model.sliderEnabled(dialogs::kColourGreen1Slider));
    EXPECT_EQ(model.slider(dialogs::kGainSlider).edit, 1015);
    EXPECT_FALSE(model.peltierShown());
    EXPECT_FALSE(model.shortExposureShown());
    EXPECT_FALSE(model.gainModeShown());
    double low = 0, high = 0;
    engine.GetRealExposureMin(&low);
    engine.GetRealExposureMax(&high);
    EXPECT_EQ(model.units().front(), low >= 1e-6 ? dialogs::kMicroseconds : dialogs::kNanoseconds);
    EXPECT_EQ(model.units().back(), high > 1 ? dialogs::kSeconds : dialogs::kMilliseconds);
    EXPECT_EQ(model.ExposureRange().rfind("range: ", 0), 0u) << model.ExposureRange();
    return dialogs::kDialogOk;
  }});
  EXPECT_EQ(Velmor_SetAnalogDlg(handle, nullptr), 1);
  EXPECT_EQ(runs, 1);
}

TEST_F(AnalogDialogTest, ChangesReachTheCameraAtOnceAndCancelPutsItBack) {
  const int32_t handle = OpenCamera();
  CVelmor &session = Session(handle);
  CVelmorUSB3K7SimpleSdk &engine = *session.engine();
  ASSERT_EQ(Velmor_SetAutoIris(handle, 1), 1);
  const std::vector<int> before = SensorRegisters();
  const AnalogValues kept = session.analog();
  dialogs::SetDialogStandIn({.analog = [&](AnalogDialogModel &model) {
    model.SetValue(dialogs::kGainSlider, kept.gain + 40);
    EXPECT_EQ(engine.GetGain(), kept.gain + 40);
    model.SelectUnit(int32_t(model.units().size()) - 1);
    EXPECT_TRUE(model.SetExposureText("0.25"));
    EXPECT_NEAR(model.realExposure(), 0.25, 0.001);
    model.SetValue(dialogs::kBlackLevelSlider, kept.blackLevel + 5);
    model.SetMirrorV(true);
    model.SetAutoGain(true);
    EXPECT_EQ(session.autoIris(), 2);
    EXPECT_NE(SensorRegisters(), before) << "the camera took the changes at once";
    return dialogs::kDialogCancel;
  }});
  EXPECT_EQ(Velmor_SetAnalogDlg(handle, nullptr), 1) << "1 however the dialog ends";
  EXPECT_EQ(SensorRegisters(), before) << "Cancel restores the camera's registers";
  EXPECT_EQ(session.analog().gain, kept.gain);
  EXPECT_EQ(session.analog().exposure, kept.exposure);
  EXPECT_EQ(session.analog().mirrorV, kept.mirrorV);
  EXPECT_EQ(session.autoIris(), 1);
  EXPECT_EQ(engine.GetMirrorV(), kept.mirrorV);
}

TEST_F(AnalogDialogTest, OkStoresWhatTheDialogShows) {
  const int32_t handle = OpenCamera();
  CVelmor &session = Session(handle);
  dialogs::SetDialogStandIn({.analog = [&](AnalogDialogModel &model) {
    model.SetValue(dialogs::kGainSlider, 100);
    model.SetMirrorH(true);
    model.SelectUnit(0);
    EXPECT_TRUE(model.SetExposureText(std::to_string(5000)));
    return dialogs::kDialogOk;
  }});
  EXPECT_EQ(Velmor_SetAnalogDlg(handle, nullptr), 1);
  EXPECT_EQ(session.analog().gain, 100);
  EXPECT_EQ(session.analog().mirrorH, 1);
  EXPECT_EQ(session.engine()->GetMirrorH(), 1);
  double seconds = 0;
  session.engine()->GetRealExposure(&seconds);
  EXPECT_DOUBLE_EQ(session.analog().realExposure, seconds);
  EXPECT_EQ(session.analog().exposure, session.engine()->GetExposureTime());
}

TEST_F(AnalogDialogTest, DefaultPutsTheEnginesDefaultsOnTheCamera) {
  const int32_t handle = OpenCamera();
  CVelmorUSB3K7SimpleSdk &engine = *Session(handle).engine();
  dialogs::SetDialogStandIn({.analog = [&](AnalogDialogModel &model) {
    model.SetValue(dialogs::kGainSlider, engine.GetGainDefault() + 50);
    model.SetValue(dialogs::kBlackLevelSlider, engine.GetBlackLevelDefault() + 9);
    model.Default();
    EXPECT_EQ(engine.GetGain(), engine.GetGainDefault());
    EXPECT_EQ(model.value(dialogs::kGainSlider), engine.GetGainDefault());
    EXPECT_EQ(engine.GetBlackLevel(), engine.GetBlackLevelDefault());
    double shown = 0, wanted = 0;
    engine.GetRealExposure(&shown);
    engine.GetRealExposureDefault(&wanted);
    EXPECT_NEAR(shown, wanted, wanted * 0.01);
    return dialogs::kDialogOk;
  }});
  EXPECT_EQ(Velmor_SetAnalogDlg(handle, nullptr), 1);
}

TEST_F(AnalogDialogTest, ExposureIsShownInTheChosenUnit) {
  const int32_t handle = OpenCamera();
  ASSERT_EQ(Session(handle).engine()->SetRealExposure(0.0125), 1);
  double actual = 0;
  Session(handle).engine()->GetRealExposure(&actual);
  dialogs::SetDialogStandIn({.analog = [&](AnalogDialogModel &model) {
    const auto unit = [&](dialogs::ExposureUnit wanted) {
      for (size_t i = 0; i < model.units().size(); ++i)
        if (model.units()[i] == wanted) model.SelectUnit(int32_t(i));
    };
    EXPECT_EQ(model.units()[model.unitIndex()], dialogs::kMilliseconds);
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", actual * 1e3);
    EXPECT_EQ(model.ExposureText(), text);
    unit(dialogs::kSeconds);
    std::snprintf(text, sizeof text, "%.3f", actual);
    EXPECT_EQ(model.ExposureText(), text) << "choosing a unit only shows the value in it";
    EXPECT_DOUBLE_EQ(model.realExposure(), actual);
    EXPECT_TRUE(model.SetExposureText("1"));
    unit(dialogs::kMilliseconds);
    EXPECT_EQ(model.ExposureText(), "1000") << "whole numbers without a fraction";
    EXPECT_FALSE(model.SetExposureText("fast"));
    return dialogs::kDialogOk;
  }});
  EXPECT_EQ(Velmor_SetAnalogDlg(handle, nullptr), 1);
}

TEST_F(AnalogDialogTest, AutoIrisBoxesExcludeEachOther) {
  const int32_t handle = OpenCamera();
  dialogs::SetDialogStandIn({.analog = [&](AnalogDialogModel &model) {
    model.SetAutoGain(true);
    EXPECT_EQ(model.autoIris(), dialogs::kAutoIrisGain);
    model.SetAutoExposure(true);
    EXPECT_EQ(model.autoIris(), dialogs::kAutoIrisExposure);
    model.SetAutoExposure(false);
    EXPECT_EQ(model.autoIris(), dialogs::kAutoIrisOff);
    model.SetAutoExposure(true);
    return dialogs::kDialogOk;
  }});
  EXPECT_EQ(Velmor_SetAnalogDlg(handle, nullptr), 1);
  EXPECT_EQ(Session(handle).autoIris(), 1);
}

TEST_F(AnalogDialogTest, AutomaticGainAndExposureRefreshAnOpenDialogOnly) {
  const int32_t handle = OpenCamera();
  CVelmor &session = Session(handle);
  session.ShowGainInDialog(5) /* no dialog: nothing to refresh */;
  dialogs::SetDialogStandIn({.analog = [&](AnalogDialogModel &model) {
    int32_t wakes = 0;
    model.notice().SetWake([&] { ++wakes; });
    EXPECT_FALSE(model.TakeRefresh());
    session.ShowGainInDialog(77);
    session.ShowExposureInDialog(123);
    EXPECT_EQ(wakes, 2);
    EXPECT_TRUE(model.TakeRefresh());
    EXPECT_FALSE(model.TakeRefresh()) << "one refresh per burst";
    for (int32_t slider = dialogs::kGainSlider; slider <= dialogs::kColourGreen2Slider; ++slider)
      EXPECT_EQ(model.value(dialogs::AnalogSlider(slider)), 77) << slider;
    EXPECT_EQ(model.value(dialogs::kExposureSlider), 123);
    model.notice().SetWake(nullptr);
    return dialogs::kDialogCancel;
  }});
  EXPECT_EQ(Velmor_SetAnalogDlg(handle, nullptr), 1);
  session.ShowExposureInDialog(9);
}

TEST_F(AnalogDialogTest, EveryDialogNeedsAnOpenCamera) {
  AddCameras(2);
  const int32_t handle = Open();
  int32_t runs = 0;
  dialogs::SetDialogStandIn({.analog = [&](AnalogDialogModel &) { return ++runs; },
                             .image = [&](dialogs::ImageDialogModel &) { return ++runs; },
                             .camera = [&](dialogs::CameraDialogModel &) { return ++runs; }});
  EXPECT_EQ(Velmor_SetAnalogDlg(handle, nullptr), 0);
  EXPECT_EQ(Velmor_SetImageDlg(handle, nullptr), 0);
  EXPECT_EQ(Velmor_SetCameraDlg(handle, nullptr), 0);
  EXPECT_EQ(Errors(handle), (std::vector<int32_t>{1, 1, 1}));
  EXPECT_EQ(runs, 0);
  EXPECT_EQ(Velmor_SetAnalogDlg(12345, nullptr), 0) << "unknown handle";
}

}  // namespace
}  // namespace velmor
