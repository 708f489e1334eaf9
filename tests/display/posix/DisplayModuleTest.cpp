// The display module is loaded only for a window or a dialog: a host that
// shows none maps no display library; where the module cannot be loaded a
// wanted window is the window error and a dialog ends at once as cancelled.
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "../../session/SessionFixture.h"
#include "platform/posix/DisplayModule.h"

namespace velmor {
namespace {

// The display libraries mapped into this process, by file.
std::vector<std::string> DisplayLibrariesMapped() {
  std::ifstream maps("/proc/self/maps");
  std::vector<std::string> found;
  for (std::string line; std::getline(maps, line);)
    for (const char *name : {"libSDL2", "libX11", "libGL", "libEGL", "libVelmorDisplay"})
      if (line.find(name) != std::string::npos) {
        found.push_back(line.substr(line.find('/')));
        break;
      }
  return found;
}

class DisplayModuleTest : public SessionFixture {
 protected:
  void SetUp() override {
    SessionFixture::SetUp();
    Hub().SetDefaults(emulator::Pattern::Ramp, 0);
    AddCameras(1);
  }
};

TEST_F(DisplayModuleTest, AHostWithoutAWindowLoadsNoDisplayLibrary) {
  const int32_t handle = Open(notices);
  ASSERT_EQ(Velmor_SetPreviewWindow(handle, nullptr, 0, 0, 0, 0), 1);
  ASSERT_EQ(Velmor_SetColorMode(handle, 8), 1);
  std::vector<uint8_t> image(std::size_t(2848) * 2848);
  ASSERT_EQ(Velmor_SnapShot(handle, image.data(), int32_t(image.size()), 1), 1);
  ASSERT_EQ(Velmor_CallBackPreview(handle, frames, image.data(), int32_t(image.size()), 1), 1);
  ASSERT_NE(Next(frames).wParam, 0u);
  EXPECT_EQ(Session(handle).previewWindow(), nullptr);
  EXPECT_EQ(Velmor_StopPreview(handle), 1);
  EXPECT_EQ(Errors(handle), std::vector<int32_t>{});
  EXPECT_EQ(DisplayLibrariesMapped(), std::vector<std::string>{});
}

// Run on a display too (xvfb), where only the missing module stops the
// window.
TEST_F(DisplayModuleTest, WithoutTheModuleAWindowIsTheWindowErrorAndADialogIsCancelled) {
  if (!DisplayLibrariesMapped().empty()) GTEST_SKIP() << "the module is loaded already";
  const std::filesystem::path empty = std::filesystem::path(::testing::TempDir()) /
                                      ("velmor-no-display-" + std::to_string(::getpid()));
  std::filesystem::create_directories(empty);
  ASSERT_EQ(
      ::setenv(platform::kDisplayModuleVariable, (empty / platform::kDisplayModuleName).c_str(), 1),
      0);
  const int32_t handle = Open(notices);
  for (VELMOR_HWND parent : {VELMOR_HWND(nullptr), notices}) {
    ASSERT_EQ(Velmor_SetPreviewWindow(handle, parent, 0, 0, 640, 480), 1);
    EXPECT_EQ(Velmor_Preview(handle), 0);
    EXPECT_EQ(Errors(handle), std::vector<int32_t>{VELMOR_ERROR_WINDOW});
    EXPECT_EQ(Session(handle).previewWindow(), nullptr);
  }
  EXPECT_EQ(Velmor_SetAnalogDlg(handle, nullptr), 1) << "ended at once as cancelled";
  ::unsetenv(platform::kDisplayModuleVariable);
  std::filesystem::remove(empty);
  EXPECT_EQ(DisplayLibrariesMapped(), std::vector<std::string>{});
}

}  // namespace
}  // namespace velmor
