// Every test runs on a settings profile of its own: XDG_CONFIG_HOME points
// into a fresh temporary folder for the test, and the folder goes with it.
// What a session saves never reaches the user's profile nor the next test.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

class TestProfile : public testing::EmptyTestEventListener {
  void OnTestStart(const testing::TestInfo &) override {
    std::string folder =
        (std::filesystem::temp_directory_path() / "velmor-profile-XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr) {
      std::perror("velmor test profile");
      std::abort();
    }
    folder_ = folder;
    setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
  }

  void OnTestEnd(const testing::TestInfo &) override {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  std::string folder_;
};

[[maybe_unused]] const bool kInstalled = [] {
  testing::UnitTest::GetInstance()->listeners().Append(new TestProfile);
  return true;
}();

}  // namespace
