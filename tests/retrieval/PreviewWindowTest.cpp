// The preview window on a real display (run under xvfb-run; skipped where no
// window can be made): the default top-level window of the image's size, and
// a child window whose pixels, read back from the screen, are the frame
// scaled to its size.
#include "../session/SessionFixture.h"
#include "platform/PreviewWindow.h"

namespace velmor {
namespace {

class PreviewWindowTest : public SessionFixture {
 protected:
  void SetUp() override {
    SessionFixture::SetUp();
    probe_ = platform::create_preview_window("VelmorPreviewProbe", nullptr, 0, 0, 800, 600);
    if (!probe_) GTEST_SKIP() << "no display for windows";
    Hub().SetDefaults(emulator::Pattern::Ramp, 0);
    AddCameras(1);
  }
  std::unique_ptr<platform::PreviewWindow> probe_;
};

// The default placement asks for a top-level window. Its client area is the
// image's size: a readout window that fits any screen, since window systems
// may clamp larger top-level windows to the screen.
TEST_F(PreviewWindowTest, DefaultsOpenATopLevelWindowOfTheImageSize) {
  const int32_t handle = Open();
  ASSERT_EQ(Velmor_SetCaptureWindowEx(handle, 2848, 0, 640, 2848, 0, 480), 1);
  for (int32_t mode : {0, 1}) {
    ASSERT_EQ(Velmor_SetSubSample(handle, mode), 1);
    ASSERT_EQ(Velmor_Preview(handle), 1) << Velmor_GetLastError(handle);
    const platform::PreviewWindow *window = Session(handle).previewWindow();
    ASSERT_NE(window, nullptr);
    int32_t width = 0, height = 0;
    ASSERT_TRUE(window->ClientSize(width, height));
    EXPECT_EQ(width, 640 / (mode + 1));
    EXPECT_EQ(height, 480 / (mode + 1));
    EXPECT_EQ(Velmor_Close(handle), 1);
    EXPECT_EQ(Session(handle).previewWindow(), nullptr);
  }
}

TEST_F(PreviewWindowTest, ChildWindowShowsEachFrameScaledToItsSize) {
  const int32_t handle = Open();
  ASSERT_EQ(Velmor_SetColorMode(handle, 8), 1);
  ASSERT_EQ(Velmor_SetPreviewWindow(handle, probe_->handle(), 10, 20, 640, 480), 1);
  std::vector<uint8_t> frame(std::size_t(2848) * 2848);
  ASSERT_EQ(Velmor_CallBackPreview(handle, frames, frame.data(), int32_t(frame.size()), 1), 1)
      << Velmor_GetLastError(handle);
  for (int i = 0; i < 2; ++i) ASSERT_NE(Next(frames).wParam, 0u);
  ASSERT_EQ(Velmor_StopPreview(handle), 1);

  std::vector<uint32_t> shown;
  int32_t width = 0, height = 0;
  ASSERT_TRUE(Session(handle).previewWindow()->ReadBack(shown, width, height));
  ASSERT_EQ(width, 640);
  ASSERT_EQ(height, 480);
  const float xRatio = 2848.0f / 640.0f, yRatio = 2848.0f / 480.0f;
  int mismatches = 0;
  for (int32_t y = 0; y < height; ++y) {
    // The scaler picks rows from the bottom up, as the window shows a
    // bottom-up bitmap.
    const int32_t row = 2847 - std::min(int32_t(float(height - 1 - y) * yRatio), 2847);
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t grey =
          frame[std::size_t(row) * 2848 + std::size_t(std::min(int32_t(float(x) * xRatio), 2847))];
      mismatches += shown[std::size_t(y) * width + x] != (grey << 16 | grey << 8 | grey);
    }
  }
  EXPECT_EQ(mismatches, 0) << "pixels differing from the scaled frame";
}

}  // namespace
}  // namespace velmor
