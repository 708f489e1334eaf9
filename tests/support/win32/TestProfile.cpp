// Every test runs on a settings profile of its own: HKEY_CURRENT_USER of
// this process is redirected onto a fresh scratch key for the test, and the
// key goes with it. What a session saves never reaches the prefix's user
// profile nor the next test.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

class TestProfile : public testing::EmptyTestEventListener {
  void OnTestStart(const testing::TestInfo &) override {
    path_ = "Software\\VelmorTests\\" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(++count_);
    HKEY scratch = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &scratch, nullptr) != ERROR_SUCCESS ||
        RegOverridePredefKey(HKEY_CURRENT_USER, scratch) != ERROR_SUCCESS) {
      std::fprintf(stderr, "velmor test profile: no scratch key %s\n", path_.c_str());
      std::abort();
    }
    RegCloseKey(scratch);  // the override holds its own handle
  }

  void OnTestEnd(const testing::TestInfo &) override {
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, path_.c_str());
  }

  std::string path_;
  int count_ = 0;
};

[[maybe_unused]] const bool kInstalled = [] {
  testing::UnitTest::GetInstance()->listeners().Append(new TestProfile);
  return true;
}();

}  // namespace
