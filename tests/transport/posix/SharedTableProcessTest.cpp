// The shared camera table across processes: this test program runs itself
// again as a helper (selected by environment variables before main) that
// attaches, reports what it sees and optionally enumerates or dies.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "../TransportFixture.h"
#include "transport/Fx3Api.h"

namespace velmor {
namespace {

constexpr const char *kActionVariable = "VELMOR_TABLE_HELPER";
constexpr const char *kNameVariable = "VELMOR_TABLE_NAME";

// Helper: attach, print "rows users", then act: "report" detaches, "enumerate"
// enumerates one emulated camera first, "environment" enumerates the cameras
// its environment asks for, "hang" attaches and waits to be killed.
[[maybe_unused]] const bool kHelperRan = [] {
  const char *action = std::getenv(kActionVariable);
  const char *name = std::getenv(kNameVariable);
  if (action == nullptr || name == nullptr) return false;
  DeviceTable::Process().SetMapName(name);
  const std::string what = action;
  {
    CFx3Api api;
    if (what == "enumerate" || what == "environment") {
      if (what == "enumerate") emulator::EmulatorHub::Instance().Configure("1");
      const platform::UsbGuid guid = platform::kCameraInterfaceGuid;
      api.SetInterfaceGuid(&guid);
      api.EnumerateDevices();
    }
    std::printf("%d %d\n", api.GetDeviceRowCount(), DeviceTable::Process().Users());
    std::fflush(stdout);
    if (what == "hang") pause();
  }
  std::_Exit(0);
}();

class TwoProcesses : public TransportFixture {
 protected:
  struct Helper {
    pid_t pid = -1;
    FILE *output = nullptr;
  };
  Helper Start(const char *action, const char *cameras = nullptr) {
    int pipeFds[2];
    EXPECT_EQ(pipe(pipeFds), 0);
    const pid_t pid = fork();
    if (pid == 0) {
      dup2(pipeFds[1], STDOUT_FILENO);
      close(pipeFds[0]);
      setenv(kActionVariable, action, 1);
      setenv(kNameVariable, mapName_.c_str(), 1);
      if (cameras)
        setenv("VELMOR_EMULATED_CAMERAS", cameras, 1);
      else
        unsetenv("VELMOR_EMULATED_CAMERAS");
      execl("/proc/self/exe", "helper", static_cast<char *>(nullptr));
      std::_Exit(127);
    }
    close(pipeFds[1]);
    return Helper{pid, fdopen(pipeFds[0], "r")};
  }
  // The helper's "rows users" line.
  std::pair<int, int> Report(Helper &helper) {
    int rows = -1, users = -1;
    EXPECT_EQ(std::fscanf(helper.output, "%d %d", &rows, &users), 2) << "helper said nothing";
    return {rows, users};
  }
  int Finish(Helper &helper) {
    std::fclose(helper.output);
    int status = 0;
    waitpid(helper.pid, &status, 0);
    return status;
  }
  std::pair<int, int> Run(const char *action, const char *cameras = nullptr) {
    Helper helper = Start(action, cameras);
    const auto report = Report(helper);
    EXPECT_EQ(Finish(helper), 0);
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

TEST_F(TwoProcesses, RowsOfAnotherProcessAreKeptByEnumeration) {
  CFx3Api api;
  EXPECT_EQ(Run("enumerate"), std::make_pair(1, 2));
  const platform::UsbGuid guid = platform::kCameraInterfaceGuid;
  api.SetInterfaceGuid(&guid);
  EXPECT_EQ(api.EnumerateDevices(), 1) << "the other process's camera stays in the table";
}

TEST_F(TwoProcesses, EmulatedCamerasComeFromTheEnvironment) {
  EXPECT_EQ(Run("environment", "0x32F0,0x3020,0x32F0"), std::make_pair(3, 1));
  EXPECT_EQ(Run("environment", "2"), std::make_pair(2, 1));
  EXPECT_EQ(Run("environment", "0"), std::make_pair(0, 1));
  EXPECT_EQ(Run("environment"), std::make_pair(0, 1)) << "unset: no emulated cameras";
}

TEST_F(TwoProcesses, LastDetachResetsTheTable) {
  EXPECT_EQ(Run("enumerate"), std::make_pair(1, 1));
  EXPECT_EQ(Run("report"), std::make_pair(0, 1));
}

TEST_F(TwoProcesses, KilledProcessDoesNotKeepTheTableAlive) {
  Helper helper = Start("hang");
  EXPECT_EQ(Report(helper), std::make_pair(0, 1));
  kill(helper.pid, SIGKILL);
  Finish(helper);
  CFx3Api api;
  EXPECT_EQ(DeviceTable::Process().Users(), 1) << "the dead process is not counted";
}

TEST_F(TwoProcesses, KilledProcessBesideALiveOneLeavesItsRows) {
  CFx3Api api;
  Helper helper = Start("hang");
  EXPECT_EQ(Report(helper), std::make_pair(0, 2));
  kill(helper.pid, SIGKILL);
  Finish(helper);
  EXPECT_EQ(Run("report").first, 0);
}

}  // namespace
}  // namespace velmor
