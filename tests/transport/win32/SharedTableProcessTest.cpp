// The shared camera table across Windows processes: this test program starts
// itself again as a helper (selected by environment variables before main)
// that attaches, reports what it sees and optionally enumerates or waits to
// be terminated.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include "../TransportFixture.h"
#include "transport/Fx3Api.h"

// Last: the macros of windows.h (CopyMemory) would rename members above.
#include <windows.h>

namespace velmor {
namespace {

constexpr const char *kActionVariable = "VELMOR_TABLE_HELPER";
constexpr const char *kNameVariable = "VELMOR_TABLE_NAME";
constexpr DWORD kHelperExitMs = 30000;

// Helper: attach, print "rows users", then act: "report" detaches, "enumerate"
// enumerates one emulated camera first, "hang" stays attached until killed.
[[maybe_unused]] const bool kHelperRan = [] {
  const char *action = std::getenv(kActionVariable);
  const char *name = std::getenv(kNameVariable);
  if (action == nullptr || name == nullptr) return false;
  DeviceTable::Process().SetMapName(name);
  const std::string what = action;
  {
    CFx3Api api;
    if (what == "enumerate") {
      emulator::EmulatorHub::Instance().Configure("1");
      const platform::UsbGuid guid = platform::kCameraInterfaceGuid;
      api.SetInterfaceGuid(&guid);
      api.EnumerateDevices();
    }
    std::printf("%d %d\n", api.GetDeviceRowCount(), DeviceTable::Process().Users());
    std::fflush(stdout);
    if (what == "hang") Sleep(INFINITE);
  }
  std::_Exit(0);
}();

class TwoProcesses : public TransportFixture {
 protected:
  struct Helper {
    HANDLE process = nullptr;
    HANDLE output = nullptr;
  };

  Helper Start(const char *action) {
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    EXPECT_TRUE(CreatePipe(&readEnd, &writeEnd, &inherited, 0));
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    char program[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION started{};
    SetEnvironmentVariableA(kActionVariable, action);
    SetEnvironmentVariableA(kNameVariable, mapName_.c_str());
    const BOOL ok = CreateProcessA(program, nullptr, nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                   &startup, &started);
    SetEnvironmentVariableA(kActionVariable, nullptr);
    SetEnvironmentVariableA(kNameVariable, nullptr);
    CloseHandle(writeEnd);
    EXPECT_TRUE(ok) << "the helper did not start";
    if (!ok) return Helper{nullptr, readEnd};
    CloseHandle(started.hThread);
    return Helper{started.hProcess, readEnd};
  }

  // The helper's "rows users" line.
  std::pair<int, int> Report(Helper &helper) {
    std::string line;
    char c = 0;
    DWORD got = 0;
    while (ReadFile(helper.output, &c, 1, &got, nullptr) && got == 1 && c != '\n') line += c;
    int rows = -1, users = -1;
    EXPECT_EQ(std::sscanf(line.c_str(), "%d %d", &rows, &users), 2) << "helper said nothing";
    return {rows, users};
  }

  DWORD Finish(Helper &helper) {
    CloseHandle(helper.output);
    DWORD code = 1;
    if (helper.process == nullptr) return code;
    EXPECT_EQ(WaitForSingleObject(helper.process, kHelperExitMs), WAIT_OBJECT_0)
        << "the helper did not end";
    GetExitCodeProcess(helper.process, &code);
    CloseHandle(helper.process);
    return code;
  }

  std::pair<int, int> Run(const char *action) {
    Helper helper = Start(action);
    const auto report = Report(helper);
    EXPECT_EQ(Finish(helper), 0u);
    return report;
  }
};

TEST_F(TwoProcesses, SecondProcessSeesTheFirstsRowsWithoutEnumerating) {
  ASSERT_TRUE(Hub().Configure("2"));
  CFx3Api api;
  const platform::UsbGuid guid = platform::kCameraInterfaceGuid;
  api.SetInterfaceGuid(&guid);
  ASSERT_EQ(api.EnumerateDevices(), 2);
  EXPECT_EQ(Run("report"), std::make_pair(2, 2));
  EXPECT_EQ(DeviceTable::Process().Users(), 1);
}

TEST_F(TwoProcesses, LastDetachResetsTheTable) {
  EXPECT_EQ(Run("enumerate"), std::make_pair(1, 1));
  EXPECT_EQ(Run("report"), std::make_pair(0, 1));
}

TEST_F(TwoProcesses, TerminatedProcessDoesNotKeepTheTableAlive) {
  Helper helper = Start("hang");
  EXPECT_EQ(Report(helper), std::make_pair(0, 1));
  TerminateProcess(helper.process, 9);
  EXPECT_EQ(Finish(helper), 9u);
  CFx3Api api;
  EXPECT_EQ(DeviceTable::Process().Users(), 1) << "the dead process is not counted";
}

}  // namespace
}  // namespace velmor
