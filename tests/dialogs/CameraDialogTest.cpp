// The camera dialog's model: its lists for this camera in both languages,
// presets made and chosen, Apply, and the session's stop and restart of
// acquisition around it.
#include "DialogFixture.h"

namespace velmor {
namespace {

using dialogs::CameraDialogModel;
using CameraDialogTest = DialogFixture;

class MemoryPresets final : public dialogs::PresetStore {
 public:
  void Load(CameraPresets &presets) override { presets = stored; }
  void Save(const CameraPresets &presets) override {
    stored = presets;
    ++saves;
  }
  CameraPresets stored;
  int32_t saves = 0;
};

constexpr dialogs::CameraCapabilities kMonochrome{true, true, false, true, true};

CaptureGeometry Window(int32_t width, int32_t height, int32_t x = 0, int32_t y = 0) {
  CaptureGeometry geometry;
  geometry.EH = width;
  geometry.EV = height;
  geometry.EHS = x;
  geometry.EVS = y;
  return geometry;
}

TEST(CameraDialogModelLists, FormatsFollowTheCameraInBothLanguages) {
  const struct {
    dialogs::CameraCapabilities camera;
    dialogs::Language language;
    std::vector<std::string> formats;
  } cases[] = {
      {kMonochrome, dialogs::Language::kEnglish, {"Monochrome 8bit", "Monochrome 12bit *"}},
      {kMonochrome, dialogs::Language::kJapanese, {"白黒 8bit", "白黒 12bit ※"}},
      {{false, true, false, true, true}, dialogs::Language::kEnglish, {"Monochrome 12bit *"}},
      {{true, false, true, true, true},
       dialogs::Language::kEnglish,
       {"Monochrome 8bit", "Color 24bit", "Color 32bit", "Color 48bit *", "Color 64bit *"}},
  };
  for (const auto &c : cases) {
    MemoryPresets store;
    CameraDialogModel model(store, c.camera, c.language);
    EXPECT_EQ(model.formats(), c.formats);
  }
  MemoryPresets store;
  CameraDialogModel japanese(store, kMonochrome, dialogs::Language::kJapanese);
  EXPECT_EQ(japanese.sizes(), (std::vector<std::string>{"2848 x 2848", "カスタム"}));
  EXPECT_EQ(japanese.clocks(),
            (std::vector<std::string>{"標準(24MHz)", "ハーフ(12MHz)", "高速(54MHz)"}));
}

TEST(CameraDialogModelLists, StoredValuesChooseTheEntries) {
  MemoryPresets store;
  store.stored = {{Window(2848, 2848), Window(1024, 768, 16, 32)}, 1, {0, 17, 25, 0}};
  CameraDialogModel model(store, kMonochrome, dialogs::Language::kEnglish);
  EXPECT_EQ(model.sizes(), (std::vector<std::string>{"2848 x 2848", "1024 x 768", "Custom"}));
  EXPECT_EQ(model.sizeIndex(), 1);
  EXPECT_EQ(model.windowValue(dialogs::kHEffective), 1024);
  EXPECT_EQ(model.windowValue(dialogs::kVStart), 32);
  EXPECT_EQ(model.formatIndex(), 0) << "Monochrome 8bit";
  EXPECT_EQ(model.subSampleIndex(), dialogs::kSubSampleBin);
  EXPECT_EQ(model.waitTime(), 25);
  EXPECT_EQ(model.clockIndex(), dialogs::kClockHigh) << "the clock list always shows the third";
  EXPECT_FALSE(model.clockEnabled());
  EXPECT_FALSE(model.applyEnabled());

  store.stored.format.colourMode = 4;  // a colour mode this camera lacks
  store.stored.format.subSample = 5;
  CameraDialogModel fallback(store, kMonochrome, dialogs::Language::kEnglish);
  EXPECT_EQ(fallback.formats()[fallback.formatIndex()], "Monochrome 12bit *");
  EXPECT_EQ(fallback.subSampleIndex(), dialogs::kSubSampleFull);
}

TEST(CameraDialogModelLists, CustomAppendsAPresetAndApplyWritesEverything) {
  MemoryPresets store;
  store.stored = {{Window(2848, 2848)}, 0, 1, 0, 1, 0};
  CameraDialogModel model(store, kMonochrome, dialogs::Language::kEnglish);
  model.SelectSize(1);
  ASSERT_TRUE(model.customSelected());
  model.SetWindowValue(dialogs::kHEffective, 640);
  model.SetWindowValue(dialogs::kVEffective, 480);
  model.SetWindowValue(dialogs::kHStart, 8);
  model.SetWindowValue(dialogs::kHTotal, 1) /* read-only */;
  model.SetWaitTime(40);
  EXPECT_TRUE(model.applyEnabled());
  model.Apply();
  EXPECT_FALSE(model.applyEnabled());
  EXPECT_EQ(model.sizes(), (std::vector<std::string>{"2848 x 2848", "640 x 480", "Custom"}));
  ASSERT_EQ(store.saves, 1);
  ASSERT_EQ(store.stored.presets.size(), 2u);
  const CaptureGeometry &added = store.stored.presets[1];
  EXPECT_EQ(added.EH, 640);
  EXPECT_EQ(added.EV, 480);
  EXPECT_EQ(added.EHS, 8);
  EXPECT_EQ(added.TH, 2848);
  EXPECT_EQ(added.Buf, 4);
  EXPECT_EQ(store.stored.current, 1);
  EXPECT_EQ(store.stored.format.waitTime, 40);
  EXPECT_EQ(store.stored.format.clock, 2) << "OK and Apply store the high clock";
  EXPECT_EQ(store.stored.format.colourMode, 1);

  model.SetWindowValue(dialogs::kVEffective, 240);
  model.Apply();
  EXPECT_EQ(store.stored.presets.size(), 2u) << "a listed preset is overwritten";
  EXPECT_EQ(model.sizes()[1], "640 x 240");
}

TEST(CameraDialogModelLists, SkipChoosesAFullSizePresetAddingOne) {
  MemoryPresets store;
  store.stored = {{Window(1024, 1024)}, 0, 1, 0, 1, 0};
  CameraDialogModel model(store, kMonochrome, dialogs::Language::kEnglish);
  model.SelectSubSample(dialogs::kSubSampleSkip);
  EXPECT_EQ(model.sizes(), (std::vector<std::string>{"1024 x 1024", "2848 x 2848", "Custom"}));
  EXPECT_EQ(model.sizeIndex(), 1);
  EXPECT_FALSE(model.sizeListEnabled());
  EXPECT_FALSE(model.windowEditEnabled(dialogs::kHStart));
  model.Apply();
  EXPECT_EQ(store.stored.format.subSample, 1);
  EXPECT_EQ(store.stored.current, 1);
  model.SelectSubSample(dialogs::kSubSampleFull);
  model.SelectSubSample(dialogs::kSubSampleSkip);
  EXPECT_EQ(model.sizes().size(), 3u) << "an existing full-size preset is chosen again";
}

TEST(CameraDialogModelLists, DirectionsThatCannotBeWindowedAreDisabled) {
  MemoryPresets store;
  CameraDialogModel vertical(store, {true, true, false, false, true}, dialogs::Language::kEnglish);
  EXPECT_FALSE(vertical.windowEditEnabled(dialogs::kHEffective));
  EXPECT_TRUE(vertical.windowEditEnabled(dialogs::kVStart));
  EXPECT_TRUE(vertical.sizeListEnabled());
  CameraDialogModel fixed(store, {true, true, false, false, false}, dialogs::Language::kEnglish);
  EXPECT_FALSE(fixed.sizeListEnabled());
}

TEST_F(CameraDialogTest, OkTakesTheChoicesUpAndPreviewRestarts) {
  const int32_t handle = OpenCamera();
  CVelmor &session = Session(handle);
  ASSERT_EQ(Velmor_SetPreviewWindow(handle, nullptr, 0, 0, 0, 0), 1) << "no window";
  ASSERT_EQ(Velmor_Preview(handle), 1);
  dialogs::SetDialogStandIn({.camera = [&](CameraDialogModel &model) {
    EXPECT_EQ(session.state(), kIdle) << "the dialog runs with acquisition stopped";
    EXPECT_EQ(model.formats()[model.formatIndex()], "Monochrome 12bit *");
    model.SelectFormat(0);
    model.SelectSize(int32_t(model.sizes().size()) - 1);
    model.SetWindowValue(dialogs::kHEffective, 1024);
    model.SetWindowValue(dialogs::kVEffective, 512);
    model.SetWaitTime(3);
    return dialogs::kDialogOk;
  }});
  EXPECT_EQ(Velmor_SetCameraDlg(handle, nullptr), 1);
  EXPECT_EQ(session.state(), kPreviewing);
  EXPECT_EQ(session.geometry().EH, 1024);
  EXPECT_EQ(session.geometry().EV, 512);
  EXPECT_EQ(session.colourMode(), 0);
  EXPECT_EQ(session.waitTime(), 3);
  EXPECT_EQ(Velmor_StopPreview(handle), 1);
}

TEST_F(CameraDialogTest, CancelLeavesTheFormatAndCaptureIsPreparedAgain) {
  const int32_t handle = OpenCamera();
  CVelmor &session = Session(handle);
  ASSERT_EQ(Velmor_Capture(handle), 1);
  const int32_t waitBefore = session.waitTime();
  dialogs::SetDialogStandIn({.camera = [&](CameraDialogModel &model) {
    EXPECT_EQ(session.state(), kIdle);
    model.SetWaitTime(99);
    model.Apply();
    return dialogs::kDialogCancel;
  }});
  EXPECT_EQ(Velmor_SetCameraDlg(handle, nullptr), 1);
  EXPECT_EQ(session.state(), kCapturePrepared);
  EXPECT_EQ(session.waitTime(), waitBefore) << "only OK takes the stored values up";
  int32_t shownWait = 0;
  dialogs::SetDialogStandIn({.camera = [&](CameraDialogModel &model) {
    shownWait = model.waitTime();
    return dialogs::kDialogCancel;
  }});
  EXPECT_EQ(Velmor_SetCameraDlg(handle, nullptr), 1);
  EXPECT_EQ(shownWait, 99) << "Apply stored it";
}

TEST_F(CameraDialogTest, ATriggerWaitIsPausedAndResumed) {
  const int32_t handle = OpenCamera();
  CVelmor &session = Session(handle);
  ASSERT_EQ(Velmor_SetPreviewWindow(handle, nullptr, 0, 0, 0, 0), 1) << "no window";
  ASSERT_EQ(Velmor_Trigger(handle, nullptr, nullptr, 0, 0), 1);
  dialogs::SetDialogStandIn({.camera = [&](CameraDialogModel &) {
    EXPECT_EQ(session.state(), kTriggered) << "trigger mode is paused, not stopped";
    return dialogs::kDialogOk;
  }});
  EXPECT_EQ(Velmor_SetCameraDlg(handle, nullptr), 1);
  EXPECT_EQ(session.state(), kTriggered);
  EXPECT_EQ(Velmor_StopPreview(handle), 1);
}

}  // namespace
}  // namespace velmor
