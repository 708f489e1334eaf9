// The driver calls of CFx3Api against the emulator: control, buffered and
// direct transfers, aborts, resets and the speed query.
#include <chrono>

#include "TransportFixture.h"
#include "transport/Fx3Api.h"

namespace velmor {
namespace {

class DriverCalls : public TransportFixture {
 protected:
  void SetUp() override {
    TransportFixture::SetUp();
    ASSERT_TRUE(Hub().Configure("1"));
    camera_ = Hub().Camera(0);
    api_ = std::make_unique<CFx3Api>();
    const platform::UsbGuid guid = platform::kCameraInterfaceGuid;
    api_->SetInterfaceGuid(&guid);
    ASSERT_EQ(api_->EnumerateDevices(), 1);
    ASSERT_EQ(api_->OpenDevicePath(&handle_, 0, true), 1);
  }
  void TearDown() override {
    handle_.reset();
    api_.reset();
    TransportFixture::TearDown();
  }
  bool Arm() { return Request(0x42, 0xC2); }
  bool Request(uint8_t type, uint8_t request) {
    uint8_t buffer[CFx3Api::kControlBufferSize] = {};
    platform::SingleTransfer record;
    record.setSetup(type, request, 0, 0, 102);
    record.setTimeoutSeconds(3);
    record.setBuffer(38, 64);
    record.WriteTo(buffer);
    uint32_t returned = 0;
    return api_->ControlTransfer(handle_.get(), buffer, &returned) == 1 && returned == 102;
  }
  Overlapped NewOverlapped() { return Overlapped{handle_->NewIo()}; }

  std::shared_ptr<emulator::EmulatedCamera> camera_;
  std::unique_ptr<CFx3Api> api_;
  DeviceHandle handle_;
};

TEST_F(DriverCalls, DirectTransferDeliversHeaderAndPayload) {
  ASSERT_TRUE(Arm());
  uint8_t header[64];
  Overlapped overlapped = NewOverlapped();
  auto record = api_->SubmitDirect(handle_.get(), header, 64, 0x81, &overlapped);
  ASSERT_TRUE(record);
  EXPECT_EQ(record->endpoint(), 0x81);
  ASSERT_EQ(api_->WaitSubmitted(&overlapped, 1000), 1);
  uint32_t count = 0;
  ASSERT_EQ(api_->CompleteDirect(handle_.get(), &overlapped, std::move(record), &count), 1);
  EXPECT_EQ(count, 64u);
  EXPECT_EQ(header[16] | header[17] << 8 | header[18] << 16, 2848 * 2848);
}

TEST_F(DriverCalls, BadStatusWordsFailTheCompletion) {
  ASSERT_TRUE(Arm());
  uint8_t header[64];
  Overlapped first = NewOverlapped();
  auto record = api_->SubmitDirect(handle_.get(), header, 64, 0x81, &first);
  ASSERT_EQ(api_->WaitSubmitted(&first, 1000), 1);
  ASSERT_EQ(api_->CompleteDirect(handle_.get(), &first, std::move(record), nullptr), 1);
  ASSERT_TRUE(camera_->Set("fail_payload", 1));
  std::vector<uint8_t> chunk(4096);
  Overlapped second = NewOverlapped();
  record = api_->SubmitDirect(handle_.get(), chunk.data(), 4096, 0x81, &second);
  ASSERT_EQ(api_->WaitSubmitted(&second, 1000), 1);
  EXPECT_EQ(api_->CompleteDirect(handle_.get(), &second, std::move(record), nullptr), 0);
}

TEST_F(DriverCalls, TimedOutDirectTransferIsDrainedBeforeRelease) {
  auto buffer = std::make_unique<uint8_t[]>(64);  // freed right after: ASan watches it
  Overlapped overlapped = NewOverlapped();
  auto record = api_->SubmitDirect(handle_.get(), buffer.get(), 64, 0x81, &overlapped);
  ASSERT_EQ(api_->WaitSubmitted(&overlapped, 20), 0);
  CFx3Api::DrainAbandoned(handle_.get(), 0x81, *overlapped.io);
  EXPECT_EQ(api_->CompleteDirect(handle_.get(), &overlapped, std::move(record), nullptr), 0);
  buffer.reset();
  ASSERT_TRUE(Arm());  // a later header must not land in the freed buffer
  uint8_t header[64];
  Overlapped next = NewOverlapped();
  record = api_->SubmitDirect(handle_.get(), header, 64, 0x81, &next);
  EXPECT_EQ(api_->WaitSubmitted(&next, 1000), 1);
  EXPECT_EQ(api_->CompleteDirect(handle_.get(), &next, std::move(record), nullptr), 1);
  const auto log = camera_->log().Entries();
  const bool aborted = std::any_of(log.begin(), log.end(), [](const emulator::LoggedRequest &e) {
    return e.kind == emulator::RequestKind::AbortPipe && e.endpoint == 0x81;
  });
  EXPECT_TRUE(aborted);
}

TEST_F(DriverCalls, UnpluggedCameraFailsSubmissionAtOnce) {
  ASSERT_TRUE(camera_->Set("unplug", 1));
  uint8_t header[64];
  Overlapped overlapped = NewOverlapped();
  auto record = api_->SubmitDirect(handle_.get(), header, 64, 0x81, &overlapped);
  ASSERT_TRUE(record);
  EXPECT_EQ(overlapped.submitError, platform::kUsbNotConnected);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(api_->WaitSubmitted(&overlapped, 5000), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
  EXPECT_FALSE(Arm());
  EXPECT_EQ(api_->DeviceExists(0), 0);
  EXPECT_EQ(api_->ResetPipe(handle_.get(), 0x81), 0);
  uint32_t speed = 77;
  EXPECT_EQ(api_->GetDeviceSpeed(handle_.get(), &speed), 0);
  EXPECT_EQ(speed, 77u) << "written only on success";
}

TEST_F(DriverCalls, NullHandlesFailWithoutCrashing) {
  uint8_t buffer[CFx3Api::kControlBufferSize] = {};
  Overlapped overlapped = NewOverlapped();
  EXPECT_EQ(api_->ControlTransfer(nullptr, buffer, nullptr), 0);
  EXPECT_EQ(api_->TransferNonEp0(nullptr, buffer, sizeof buffer, nullptr), 0);
  EXPECT_FALSE(api_->SubmitDirect(nullptr, buffer, 64, 0x81, &overlapped));
  EXPECT_EQ(api_->ResetPipe(nullptr, 0x81), 0);
  EXPECT_EQ(api_->ResetParentPort(nullptr), 0);
  EXPECT_EQ(api_->AbortPipe(nullptr), 0);
}

TEST_F(DriverCalls, BufferedTransferCountsTheRecordAndAbortsWhenStuck) {
  ASSERT_TRUE(Arm());
  std::vector<uint8_t> buffer(38 + 64);
  platform::SingleTransfer record;
  record.setEndpoint(0x81);
  record.WriteTo(buffer.data());
  uint32_t returned = 0;
  ASSERT_EQ(api_->TransferNonEp0(handle_.get(), buffer.data(), uint32_t(buffer.size()), &returned),
            1);
  EXPECT_EQ(returned, 102u);

  // Nothing armed: pending for 3000 ms, then aborted and failed.
  ASSERT_TRUE(Request(0x40, 0xC0));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(api_->TransferNonEp0(handle_.get(), buffer.data(), uint32_t(buffer.size()), &returned),
            0);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2900));
  const auto log = camera_->log().Entries();
  EXPECT_EQ(log.back().kind, emulator::RequestKind::AbortPipe);
}

}  // namespace
}  // namespace velmor
