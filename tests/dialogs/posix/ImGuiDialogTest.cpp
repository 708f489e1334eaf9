// The Dear ImGui dialogs on a display (a virtual one in the test run): each
// dialog opened through its export in both languages, drawn, photographed
// and ended by the test through injected keys or its frame hook.
#include <SDL.h>

#include "../../support/Screenshot.h"
#include "../DialogFixture.h"
#include "dialogs/imgui/ImGuiDialogs.h"

namespace velmor {
namespace {

using dialogs::DialogFrame;

// The frame after which the test acts: the first frames settle the layout.
constexpr int32_t kSettledFrame = 3;
// A dialog that outlives this many frames has not seen what should end it.
constexpr int32_t kFrameLimit = 200;

class ImGuiDialogTest : public DialogFixture,
                        public ::testing::WithParamInterface<dialogs::Language> {
 protected:
  void SetUp() override {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display";
    DialogFixture::SetUp();
    dialogs::SetLanguageOverride(int32_t(GetParam()));
  }
  void TearDown() override {
    dialogs::SetDialogFrameHook(nullptr);
    if (std::getenv("DISPLAY") != nullptr) DialogFixture::TearDown();
  }

  // Photographs the settled dialog, then lets `act` end it.
  void Drive(const std::string &name, std::function<void(DialogFrame &)> act) {
    dialogs::SetDialogFrameHook([this, name, act](DialogFrame &frame) {
      frames = frame.number;
      if (frame.number == kSettledFrame) {
        std::vector<uint32_t> pixels;
        int32_t width = 0, height = 0;
        ASSERT_TRUE(frame.ReadPixels(pixels, width, height));
        const std::string language = GetParam() == dialogs::Language::kJapanese ? "ja" : "en";
        EXPECT_TRUE(test::WriteBmp(test::OutputPath("imgui-" + name + "-" + language + ".bmp"),
                                   pixels, width, height));
        EXPECT_GT(test::DistinctColours(pixels), 16u) << name << ": nothing drawn";
      }
      if (frame.number >= kSettledFrame) act(frame);
      if (frame.number >= kFrameLimit) {
        ADD_FAILURE() << name << " did not end";
        frame.End(dialogs::kDialogCancel);
      }
    });
  }

  static void PressKey(SDL_Keycode key) {
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.keysym.sym = key;
    SDL_PushEvent(&event);
  }

  int32_t frames = 0;
};

TEST_P(ImGuiDialogTest, AnalogDialogShowsRefreshesAndTakesEnterAsOk) {
  const int32_t handle = OpenCamera();
  CVelmor &session = Session(handle);
  Drive("analog", [&](DialogFrame &frame) {
    if (frame.number == kSettledFrame) {
      session.ShowGainInDialog(33);
      PressKey(SDLK_RETURN);
    }
  });
  EXPECT_EQ(Velmor_SetAnalogDlg(handle, nullptr), 1);
  EXPECT_LT(frames, kFrameLimit);
  EXPECT_EQ(session.analog().gain, 33) << "the refreshed gain was shown and kept by OK";
}

TEST_P(ImGuiDialogTest, ImageDialogTakesEscapeAsCancel) {
  const int32_t handle = OpenCamera();
  CVelmor &session = Session(handle);
  const FilterValues kept = session.filters();
  Drive("image", [&](DialogFrame &frame) {
    if (frame.number == kSettledFrame) PressKey(SDLK_ESCAPE);
  });
  EXPECT_EQ(Velmor_SetImageDlg(handle, nullptr), 1);
  EXPECT_LT(frames, kFrameLimit);
  EXPECT_EQ(session.filters().byId, kept.byId);
}

TEST_P(ImGuiDialogTest, CameraDialogEndsThroughItsHook) {
  const int32_t handle = OpenCamera();
  Drive("camera", [&](DialogFrame &frame) { frame.End(dialogs::kDialogOk); });
  EXPECT_EQ(Velmor_SetCameraDlg(handle, nullptr), 1);
  EXPECT_EQ(frames, kSettledFrame);
}

INSTANTIATE_TEST_SUITE_P(Languages, ImGuiDialogTest,
                         ::testing::Values(dialogs::Language::kEnglish,
                                           dialogs::Language::kJapanese),
                         [](const auto &info) {
                           return info.param == dialogs::Language::kJapanese ? "Japanese"
                                                                             : "English";
                         });

}  // namespace
}  // namespace velmor
