#include <chrono>
#include <future>
#include <thread>

#include "UsbFixture.h"
#include "emulator/FrameRenderer.h"

namespace velmor::usbtest {
namespace {

using Clock = std::chrono::steady_clock;

// The camera's power-up output: the whole sensor, 8-bit.
const std::vector<uint8_t> &FullFrame() {
  static const emulator::Payload frame = [] {
    emulator::FrameShape shape;
    shape.pattern = emulator::Pattern::Ramp;
    return emulator::RenderFrame(shape);
  }();
  return *frame;
}

class UsbFrames : public UsbFixture {
 protected:
  void SetUp() override {
    UsbFixture::SetUp();
    buffer_.assign(FullFrame().size() + 4096, 0);
    descriptor_.buffer = buffer_.data();
    descriptor_.capacity = uint32_t(buffer_.size());
  }
  // Waits, bounded, until the camera holds `count` bulk URBs.
  bool WaitForUrbs(int count) {
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (node_->BulkSubmitted() < count)
      if (Clock::now() > deadline)
        return false;
      else
        std::this_thread::yield();
    return true;
  }

  std::vector<uint8_t> buffer_;
  TransferDescriptor descriptor_{};
};

TEST_F(UsbFrames, FullFramesArriveIntactWithChunksInFlight) {
  const auto &expected = FullFrame();
  for (uint32_t frame = 1; frame <= 20; ++frame) {
    ASSERT_EQ(controller_->ReadFrameHeader(&descriptor_, 0), 1) << "frame " << frame;
    ASSERT_EQ(descriptor_.payloadLength(), expected.size());
    EXPECT_EQ(descriptor_.frameCounter(), frame) << "frames arrive in order";
    ASSERT_EQ(controller_->ReadFramePayload(&descriptor_, 3000), 1) << "frame " << frame;
    ASSERT_TRUE(std::equal(expected.begin(), expected.end(), buffer_.begin()))
        << "frame " << frame << " arrived altered";
  }
  EXPECT_GE(node_->MostInFlight(), 4) << "payload chunks were read one at a time";
}

TEST_F(UsbFrames, TimedOutReadIsCancelledAndTheStreamGoesOn) {
  ASSERT_EQ(controller_->OpenStream(), 1);
  uint8_t header[64];
  uint32_t count = 0;
  // Unarmed, the camera sends no header: the read times out and is discarded.
  EXPECT_EQ(controller_->TransferWithTimeout(controller_->stream(), header, 64, 0x81, &count, 50),
            0);
  ASSERT_EQ(controller_->ReadFrameHeader(&descriptor_, 0), 1);
  EXPECT_EQ(controller_->ReadFramePayload(&descriptor_, 3000), 1);
}

TEST_F(UsbFrames, AbortEndsAPendingReadBeforeItsBufferGoes) {
  ASSERT_EQ(controller_->OpenStream(), 1);
  auto buffer = std::make_unique<uint8_t[]>(64);  // freed right after: ASan watches it
  Overlapped overlapped{controller_->stream()->NewIo()};
  auto record =
      controller_->SubmitDirect(controller_->stream(), buffer.get(), 64, 0x81, &overlapped);
  ASSERT_EQ(overlapped.submitError, platform::kUsbPending);
  EXPECT_EQ(controller_->AbortPipe(controller_->stream()), 1);
  ASSERT_EQ(controller_->WaitSubmitted(&overlapped, 0), 1) << "the abort completed the read";
  EXPECT_EQ(
      controller_->CompleteDirect(controller_->stream(), &overlapped, std::move(record), nullptr),
      0);
  buffer.reset();
  EXPECT_EQ(controller_->AbortTransfer(), 1);
}

TEST_F(UsbFrames, UnplugDuringAPayloadReadFailsIt) {
  ASSERT_EQ(controller_->ReadFrameHeader(&descriptor_, 0), 1);
  ASSERT_TRUE(camera_->Set("stall", 1));
  const int before = node_->BulkSubmitted();
  auto read = std::async(std::launch::async,
                         [&] { return controller_->ReadFramePayload(&descriptor_, 60000); });
  ASSERT_TRUE(WaitForUrbs(before + 1)) << "the payload read never reached the camera";
  ASSERT_TRUE(camera_->Set("unplug", 1));
  ASSERT_EQ(read.wait_for(std::chrono::seconds(10)), std::future_status::ready)
      << "the read hangs after the unplug";
  EXPECT_EQ(read.get(), 0);
}

TEST_F(UsbFrames, UsbMemoryShortageKeepsFewerChunksInFlight) {
  node_->LimitBulkUrbs(2);
  ASSERT_EQ(controller_->ReadFrameHeader(&descriptor_, 0), 1);
  testing::internal::CaptureStderr();
  ASSERT_EQ(controller_->ReadFramePayload(&descriptor_, 3000), 1);
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("usbcore.usbfs_memory_mb"), std::string::npos) << said;
  EXPECT_TRUE(std::equal(FullFrame().begin(), FullFrame().end(), buffer_.begin()));
  EXPECT_EQ(node_->MostInFlight(), 2);
  ASSERT_EQ(controller_->ReadFrameHeader(&descriptor_, 0), 1);
  testing::internal::CaptureStderr();
  EXPECT_EQ(controller_->ReadFramePayload(&descriptor_, 3000), 1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "the advice is given once";
}

}  // namespace
}  // namespace velmor::usbtest
