// Placement of the top-level preview window on an X11 display (run under
// xvfb-run; skipped where no window can be made): a full frame does not fit
// the screen, so the window is clamped to the usable area, placed at
// non-negative coordinates, and the frame is scaled into it.
#include "../../session/SessionFixture.h"
#include "platform/PreviewWindow.h"

#if __has_include(<SDL.h>)
#include <SDL.h>
#include <X11/Xlib.h>
#define VELMOR_TEST_HAS_SDL 1
#endif

namespace velmor {
namespace {

#if VELMOR_TEST_HAS_SDL
class PreviewWindowPlacementTest : public SessionFixture {
 protected:
  void SetUp() override {
    SessionFixture::SetUp();
    probe_ = platform::create_preview_window("VelmorPreviewProbe", nullptr, 0, 0, 64, 64);
    if (!probe_ || SDL_GetDisplayUsableBounds(0, &usable_) != 0)
      GTEST_SKIP() << "no display for windows";
    Hub().SetDefaults(emulator::Pattern::Ramp, 0);
    AddCameras(1);
  }
  std::unique_ptr<platform::PreviewWindow> probe_;
  SDL_Rect usable_{};
};

TEST_F(PreviewWindowPlacementTest, AFullFrameWindowFitsTheScreenAndShowsTheFrameScaled) {
  ASSERT_LT(usable_.w, 2848) << "the display is large enough for a full frame";
  const int32_t handle = Open();
  ASSERT_EQ(Velmor_SetColorMode(handle, 8), 1);
  ASSERT_EQ(Velmor_SetPreviewWindow(handle, nullptr, -100, -100, 2848, 2848), 1);
  ASSERT_EQ(Velmor_CallBackPreview(handle, frames, nullptr, 0, 1), 1)
      << Velmor_GetLastError(handle);
  for (int i = 0; i < 2; ++i) ASSERT_NE(Next(frames).wParam, 0u);
  ASSERT_EQ(Velmor_StopPreview(handle), 1);

  const platform::PreviewWindow *window = Session(handle).previewWindow();
  ASSERT_NE(window, nullptr);
  int32_t width = 0, height = 0;
  ASSERT_TRUE(window->ClientSize(width, height));
  EXPECT_LE(width, usable_.w);
  EXPECT_LE(height, usable_.h);

  Display *display = XOpenDisplay(nullptr);
  ASSERT_NE(display, nullptr);
  int x = -1, y = -1;
  ::Window child;
  XTranslateCoordinates(display, ::Window(reinterpret_cast<uintptr_t>(window->handle())),
                        DefaultRootWindow(display), 0, 0, &x, &y, &child);
  XCloseDisplay(display);
  EXPECT_GE(x, 0);
  EXPECT_GE(y, 0);

  // The frame's ramp, scaled: the shown grey rises from left to right.
  std::vector<uint32_t> shown;
  ASSERT_TRUE(window->ReadBack(shown, width, height));
  const auto grey = [&](int32_t column) { return shown[std::size_t(column)] & 0xFF; };
  EXPECT_LT(grey(0), grey(width / 8)) << "the frame was not drawn scaled into the window";
}
#endif

}  // namespace
}  // namespace velmor
