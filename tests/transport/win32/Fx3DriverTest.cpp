// The FX3 driver backend without a driver: a stand-in for DeviceIoControl
// records what each call hands the driver and answers at once, later, or
// with an error. Under Wine SetupAPI lists no FX3 interfaces, so listing is
// checked only for its shape.
#include <cstring>
#include <vector>

#include "../TransportFixture.h"
#include "transport/Fx3Api.h"

// Last: the macros of windows.h (CopyMemory) would rename members above.
#include "platform/win32/Fx3Driver.h"

namespace velmor {
namespace {

using platform::SingleTransfer;
using namespace platform::win32;

enum class Answer { AtOnce, Pending, Fail };

// What the driver stand-in saw and how it answers. One device per test and
// calls on the test's own thread, so plain globals suffice.
struct DriverCall {
  DWORD code = 0;
  std::vector<uint8_t> input;
  void *output = nullptr;
  DWORD outputSize = 0;
};
std::vector<DriverCall> calls;
Answer answer = Answer::AtOnce;
DWORD answerBytes = 0;
DWORD failure = ERROR_GEN_FAILURE;
uint32_t driverStatus = 0;

BOOL WINAPI StandIn(HANDLE, DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                    LPDWORD returned, LPOVERLAPPED overlapped) {
  const auto *bytes = static_cast<const uint8_t *>(in);
  calls.push_back(DriverCall{code, std::vector<uint8_t>(bytes, bytes + inSize), out, outSize});
  if (code == kIoctlDirectTransfer && driverStatus != 0) {
    SingleTransfer record = SingleTransfer::Read(static_cast<uint8_t *>(in));
    record.setStatus(driverStatus, 0);
    record.WriteTo(static_cast<uint8_t *>(in));
  }
  if (code == kIoctlGetDeviceSpeed && out) *static_cast<uint32_t *>(out) = 4;
  if (answer == Answer::Fail) {
    SetLastError(failure);
    return FALSE;
  }
  // The completion as the I/O manager leaves it in the OVERLAPPED.
  overlapped->Internal = 0;
  overlapped->InternalHigh = answerBytes;
  SetEvent(overlapped->hEvent);
  if (answer == Answer::Pending) {
    SetLastError(ERROR_IO_PENDING);
    return FALSE;
  }
  if (returned) *returned = answerBytes;
  return TRUE;
}

class Fx3Backend : public TransportFixture {
 protected:
  void SetUp() override {
    TransportFixture::SetUp();
    calls.clear();
    answer = Answer::AtOnce;
    answerBytes = 0;
    failure = ERROR_GEN_FAILURE;
    driverStatus = 0;
  }
  // The device owns its handle; an event handle stands in for the file.
  Fx3Device device_{CreateEventA(nullptr, TRUE, FALSE, nullptr), StandIn};
};

TEST_F(Fx3Backend, ControlTransferHandsTheWholeBufferBothWaysAndCountsTheRecord) {
  for (Answer how : {Answer::AtOnce, Answer::Pending}) {
    calls.clear();
    answer = how;
    answerBytes = CFx3Api::kControlBufferSize;
    uint8_t buffer[CFx3Api::kControlBufferSize] = {};
    SingleTransfer record;
    record.setSetup(0xC0, 0xB5, 0x0102, 0x0304, 64);
    record.setTimeoutSeconds(3);
    record.setBuffer(SingleTransfer::kSize, 64);
    record.WriteTo(buffer);
    uint32_t returned = 0;
    ASSERT_TRUE(device_.ControlTransfer(buffer, sizeof buffer, &returned));
    EXPECT_EQ(returned, CFx3Api::kControlBufferSize);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].code, 0x220020u);
    ASSERT_EQ(calls[0].input.size(), sizeof buffer);
    EXPECT_EQ(std::memcmp(calls[0].input.data(), buffer, SingleTransfer::kSize), 0);
    EXPECT_EQ(calls[0].output, buffer);
    EXPECT_EQ(calls[0].outputSize, sizeof buffer);
  }
}

TEST_F(Fx3Backend, SubmitDirectSendsAZeroRecordWithOnlyTheEndpoint) {
  CFx3Api api;
  uint8_t data[512];
  Overlapped overlapped{device_.NewIo()};
  answer = Answer::Pending;
  answerBytes = sizeof data;
  auto record = api.SubmitDirect(&device_, data, sizeof data, 0x81, &overlapped);
  ASSERT_TRUE(record);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].code, 0x22004Bu);
  std::vector<uint8_t> expected(SingleTransfer::kSize, 0);
  expected[13] = 0x81;
  EXPECT_EQ(calls[0].input, expected);
  EXPECT_EQ(calls[0].output, data);
  EXPECT_EQ(calls[0].outputSize, sizeof data);
  EXPECT_EQ(overlapped.submitError, platform::kUsbPending);
  EXPECT_EQ(GetLastError(), 0u) << "the submission's error is not left to the thread";
  ASSERT_EQ(api.WaitSubmitted(&overlapped, 1000), 1);
  uint32_t count = 0;
  EXPECT_EQ(api.CompleteDirect(&device_, &overlapped, std::move(record), &count), 1);
  EXPECT_EQ(count, sizeof data);
}

TEST_F(Fx3Backend, DriverStatusInTheRecordFailsTheDirectTransfer) {
  CFx3Api api;
  uint8_t data[64];
  Overlapped overlapped{device_.NewIo()};
  driverStatus = 0xC0000001;
  auto record = api.SubmitDirect(&device_, data, sizeof data, 0x81, &overlapped);
  ASSERT_TRUE(record);
  EXPECT_EQ(record->driverStatus(), 0xC0000001u);
  EXPECT_EQ(api.WaitSubmitted(&overlapped, 0), 1);
  EXPECT_EQ(api.CompleteDirect(&device_, &overlapped, std::move(record), nullptr), 0);
}

TEST_F(Fx3Backend, FailedStartsReportTheSystemErrorAndClearTheThreadsOwn) {
  answer = Answer::Fail;
  failure = ERROR_DEVICE_NOT_CONNECTED;
  uint8_t buffer[SingleTransfer::kSize + 16] = {};
  const auto io = device_.NewIo();
  EXPECT_EQ(device_.StartBuffered(buffer, sizeof buffer, *io), platform::kUsbNotConnected);
  EXPECT_EQ(GetLastError(), 0u);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].code, 0x220024u);
  EXPECT_EQ(calls[0].output, buffer);
  uint32_t returned = 7;
  EXPECT_FALSE(device_.ControlTransfer(buffer, sizeof buffer, &returned));
  EXPECT_EQ(returned, 0u);
  uint32_t speed = 9;
  EXPECT_FALSE(device_.GetDeviceSpeed(&speed));
  EXPECT_EQ(speed, 9u) << "a failed speed query writes nothing";
  EXPECT_TRUE(device_.AbortPipe(0x81)) << "an abort is reported done whatever the driver says";
}

TEST_F(Fx3Backend, PipeAndPortCallsCarryTheirControlCodesAndEndpoint) {
  uint32_t speed = 0;
  EXPECT_TRUE(device_.GetDeviceSpeed(&speed));
  EXPECT_EQ(speed, platform::kUsbSuperSpeed);
  EXPECT_TRUE(device_.ResetPipe(0x01));
  EXPECT_TRUE(device_.ResetParentPort());
  answer = Answer::Pending;
  EXPECT_TRUE(device_.AbortPipe(0x81));
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[0].code, 0x22004Cu);
  EXPECT_EQ(calls[0].input.size(), 4u);
  EXPECT_EQ(calls[0].outputSize, 4u);
  EXPECT_EQ(calls[1].code, 0x22002Cu);
  EXPECT_EQ(calls[1].input, std::vector<uint8_t>{0x01});
  EXPECT_EQ(calls[2].code, 0x220030u);
  EXPECT_TRUE(calls[2].input.empty());
  EXPECT_EQ(calls[3].code, 0x220044u);
  EXPECT_EQ(calls[3].input, std::vector<uint8_t>{0x81});
}

TEST_F(Fx3Backend, SetupApiListsOnlyDevicePathsAndForeignPathsDoNotOpen) {
  ASSERT_NE(platform::system_usb_driver(), nullptr);
  const auto paths = platform::system_usb_driver()->ListInterfaces(platform::kCameraInterfaceGuid);
  EXPECT_LE(paths.size(), 32u);
  for (const std::string &path : paths) EXPECT_EQ(path.rfind("\\\\?\\", 0), 0u) << path;
  EXPECT_EQ(platform::system_usb_driver()->Open("\\\\?\\usb#vid_0000&pid_0000#none#{0}", true),
            nullptr);
  // The emulator still serves its cameras beside the system backend.
  ASSERT_TRUE(Hub().Configure("1"));
  CFx3Api api;
  const platform::UsbGuid guid = platform::kCameraInterfaceGuid;
  api.SetInterfaceGuid(&guid);
  EXPECT_EQ(api.EnumerateDevices(), static_cast<int32_t>(paths.size()) + 1);
}

}  // namespace
}  // namespace velmor
