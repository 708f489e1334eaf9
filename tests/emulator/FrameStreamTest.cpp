// Frames on bulk IN 0x81: the armed header, the payload in any chunk size,
// abandonment, and the knobs that break the stream.
#include <functional>
#include <thread>

#include "EmulatorFixture.h"

namespace velmor::emulator {
namespace {

class FrameStream : public EmulatorFixture {
 protected:
  void SetUp() override {
    EmulatorFixture::SetUp();
    ASSERT_TRUE(camera_->Set("fps", 0));
    SetWindow(0, 0, 640, 32);
  }
};

TEST_F(FrameStream, HeaderCarriesLengthAndCounterThenPayloadFollows) {
  ASSERT_TRUE(Arm());
  const auto header = ReadHeader();
  ASSERT_TRUE(header);
  EXPECT_EQ(Le32(header->data() + 16), 640u * 32u);
  const uint32_t counter = Le32(header->data() + 32);
  for (int i = 0; i < 64; ++i)
    if ((i < 16 || i > 19) && (i < 32 || i > 35)) {
      EXPECT_EQ((*header)[i], 0) << "byte " << i;
    }
  // Odd chunk sizes; a read past the end comes back short.
  std::vector<uint8_t> payload(640 * 32 + 100);
  uint32_t at = 0;
  for (uint32_t chunk : {1000u, 7u, 12000u, 100000u}) {
    const Transfer t = Bulk(0x81, payload.data() + at, chunk, 1000);
    ASSERT_TRUE(t.ok);
    at += t.transferred;
  }
  EXPECT_EQ(at, 640u * 32u);
  EXPECT_EQ(Knob("frames_sent"), 1);
  EXPECT_EQ(Knob("headers_sent"), 1);
  uint32_t next = 0;
  ASSERT_TRUE(ReadFrame(4096, &next));
  EXPECT_EQ(next, counter + 1);
  EXPECT_EQ(FpgaRead(0x08), int(next & 0xFF));
}

TEST_F(FrameStream, WithoutArmingAHeaderReadTimesOut) {
  EXPECT_FALSE(ReadHeader(100));
  ASSERT_TRUE(Arm());
  EXPECT_TRUE(ReadHeader());
}

TEST_F(FrameStream, ClearRestartPulseAndStopAbandonTheFrame) {
  const auto abandoners = std::vector<std::function<bool()>>{
      [&] { return Control(0x40, 0xC0, 0, 0).ok; },
      [&] { return FpgaWrite(0x6C, 1) && FpgaWrite(0x6C, 0); }, [&] { return FpgaWrite(0x68, 2); }};
  for (const auto &abandon : abandoners) {
    ASSERT_TRUE(Arm());
    ASSERT_TRUE(ReadHeader());
    uint8_t chunk[1024];
    ASSERT_TRUE(Bulk(0x81, chunk, sizeof chunk, 1000).ok);
    ASSERT_TRUE(abandon());
    EXPECT_FALSE(Bulk(0x81, chunk, sizeof chunk, 50).completed) << "the rest is gone";
    EXPECT_TRUE(ReadFrame());
  }
}

TEST_F(FrameStream, DroppedHeadersTimeOutThenStreamResumes) {
  ASSERT_TRUE(camera_->Set("drop_headers", 2));
  ASSERT_TRUE(Arm());
  EXPECT_FALSE(ReadHeader(50));
  EXPECT_FALSE(ReadHeader(50));
  EXPECT_EQ(Knob("drop_headers"), 0);
  EXPECT_TRUE(ReadHeader());
}

TEST_F(FrameStream, FailedPayloadChunksReportBadStatus) {
  ASSERT_TRUE(camera_->Set("fail_payload", 1));
  ASSERT_TRUE(Arm());
  ASSERT_TRUE(ReadHeader());
  std::vector<uint8_t> payload(640 * 32);
  const Transfer failed = Bulk(0x81, payload.data(), uint32_t(payload.size()), 1000);
  EXPECT_TRUE(failed.completed);
  EXPECT_FALSE(failed.ok);
  const Transfer retried = Bulk(0x81, payload.data(), uint32_t(payload.size()), 1000);
  EXPECT_TRUE(retried.ok);
  EXPECT_EQ(retried.transferred, payload.size());
}

TEST_F(FrameStream, StallSendsNothingUntilCleared) {
  ASSERT_TRUE(camera_->Set("stall", 1));
  ASSERT_TRUE(Arm());
  EXPECT_FALSE(ReadHeader(50));
  ASSERT_TRUE(camera_->Set("stall", 0));
  EXPECT_TRUE(ReadHeader());
}

TEST_F(FrameStream, UnplugFailsHandlesAndHidesThePath) {
  std::vector<uint8_t> header(64);
  const auto io = device_->NewIo();
  platform::SingleTransfer record;
  record.setEndpoint(0x81);
  ASSERT_EQ(device_->StartDirect(record.bytes, header.data(), 64, *io), platform::kUsbPending);
  ASSERT_TRUE(camera_->Set("unplug", 1));
  ASSERT_TRUE(io->Wait(1000)) << "a pending request fails at once";
  uint32_t count = 0;
  EXPECT_FALSE(io->Result(&count));
  EXPECT_FALSE(Arm());
  EXPECT_EQ(device_->StartDirect(record.bytes, header.data(), 64, *io), platform::kUsbNotConnected);
  EXPECT_TRUE(EmulatorHub::Instance().ListInterfaces(platform::kCameraInterfaceGuid).empty());
  EXPECT_FALSE(EmulatorHub::Instance().Open(camera_->path(), false));

  ASSERT_TRUE(camera_->Set("unplug", 0));
  EXPECT_FALSE(Arm()) << "a handle from before the unplug stays dead";
  const auto reopened = EmulatorHub::Instance().Open(camera_->path(), false);
  ASSERT_TRUE(reopened);
  EXPECT_TRUE(Control(0x42, 0xC2, 0, 0, {}, reopened.get()).ok);
}

TEST_F(FrameStream, TriggerModeProducesOneFramePerTrigger) {
  ASSERT_TRUE(camera_->Set("fps", -1));
  ASSERT_TRUE(camera_->Set("trigger_mode", 1));
  const int before = FpgaRead(0x08);
  ASSERT_TRUE(Arm());
  EXPECT_FALSE(ReadHeader(60)) << "no frame without a trigger";
  EXPECT_EQ(FpgaRead(0x08), before);
  ASSERT_TRUE(camera_->Set("trigger", 1));
  EXPECT_EQ(FpgaRead(0x08), (before + 1) & 0xFF);
  ASSERT_TRUE(Arm());
  EXPECT_TRUE(ReadHeader());
}

TEST_F(FrameStream, TriggerReleasesAHeaderReadWaitingOnAnotherThread) {
  ASSERT_TRUE(camera_->Set("trigger_mode", 1));
  ASSERT_TRUE(Arm());
  std::optional<std::vector<uint8_t>> header;
  std::thread reader([&] { header = ReadHeader(5000); });
  ASSERT_TRUE(camera_->Set("trigger", 1));
  reader.join();
  EXPECT_TRUE(header);
}

TEST_F(FrameStream, AbortAndPortResetCancelPendingReads) {
  for (int i = 0; i < 2; ++i) {
    std::vector<uint8_t> header(64);
    const auto io = device_->NewIo();
    platform::SingleTransfer record;
    record.setEndpoint(0x81);
    ASSERT_EQ(device_->StartDirect(record.bytes, header.data(), 64, *io), platform::kUsbPending);
    ASSERT_TRUE(i == 0 ? device_->AbortPipe(0x81) : device_->ResetParentPort());
    ASSERT_TRUE(io->Wait(0));
    uint32_t count = 0;
    EXPECT_FALSE(io->Result(&count));
  }
  uint32_t speed = 0;
  ASSERT_TRUE(device_->GetDeviceSpeed(&speed));
  EXPECT_EQ(speed, platform::kUsbSuperSpeed);
  EXPECT_TRUE(device_->ResetPipe(0x81));
}

TEST_F(FrameStream, SixteenBitFramesAreTwiceAsLong) {
  SetOutput(640, 32, 2);
  ASSERT_TRUE(Arm());
  const auto header = ReadHeader();
  ASSERT_TRUE(header);
  EXPECT_EQ(Le32(header->data() + 16), 640u * 32u * 2u);
}

}  // namespace
}  // namespace velmor::emulator
