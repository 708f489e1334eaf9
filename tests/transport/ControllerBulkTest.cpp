// The FX3 controller's bulk side: frame header and payload reads, their
// failure paths, the direct and buffered transfers, and camera memory.
#include <chrono>
#include <cstring>

#include "ControllerFixture.h"

namespace velmor {
namespace {

using Clock = std::chrono::steady_clock;

class FrameReads : public ControllerFixture {
 protected:
  void SetUp() override {
    ControllerFixture::SetUp();
    buffer_.resize(4 << 20);
    descriptor_.buffer = buffer_.data();
    descriptor_.capacity = uint32_t(buffer_.size());
  }
  std::vector<uint8_t> buffer_;
  TransferDescriptor descriptor_{};
};

TEST_F(FrameReads, HeaderThenPayloadInHalfMegabyteChunks) {
  // 1424 x 1424 8-bit pixels: 3 full chunks and a remainder.
  for (auto [reg, value] : {std::pair{0x44, 0x90}, {0x45, 0x05}, {0x40, 0x90}, {0x41, 0x05}})
    ASSERT_EQ(controller_->WriteFpgaRegister(uint8_t(reg), uint8_t(value)), 1);
  camera_->log().Clear();
  ASSERT_EQ(controller_->ReadFrameHeader(&descriptor_, 0), 1);
  EXPECT_EQ(descriptor_.payloadLength(), 1424u * 1424u);
  EXPECT_EQ(descriptor_.counterCopy, descriptor_.frameCounter());
  EXPECT_NE(controller_->stream(), nullptr) << "the stream stays open after a header";
  ASSERT_EQ(controller_->ReadFramePayload(&descriptor_, 3000), 1);
  EXPECT_EQ(Knob("frames_sent"), 1);
  ASSERT_EQ(Requests(0xC2).size(), 1u);
  const auto reads = Bulk(0x81);
  ASSERT_EQ(reads.size(), 5u);
  EXPECT_EQ(reads[0].length, 64u);
  for (int i = 1; i <= 3; ++i) EXPECT_EQ(reads[i].length, 524288u);
  EXPECT_EQ(reads[4].length, 1424u * 1424u - 3u * 524288u);
}

TEST_F(FrameReads, PayloadLargerThanTheCapacityIsRefused) {
  ASSERT_EQ(controller_->ReadFrameHeader(&descriptor_, 0), 1);  // 2848 x 2848 > 4 MiB
  camera_->log().Clear();
  EXPECT_EQ(controller_->ReadFramePayload(&descriptor_, 3000), 0);
  EXPECT_TRUE(Bulk(0x81).empty());
  EXPECT_EQ(controller_->ReadFramePayload(nullptr, 3000), 0);
  EXPECT_EQ(controller_->ReadFrameHeader(nullptr, 0), 0);
}

TEST_F(FrameReads, FailedChunkEndsThePayload) {
  SmallFrames();
  ASSERT_EQ(controller_->ReadFrameHeader(&descriptor_, 0), 1);
  ASSERT_TRUE(camera_->Set("fail_payload", 1));
  EXPECT_EQ(controller_->ReadFramePayload(&descriptor_, 3000), 0);
}

TEST_F(FrameReads, HeaderThatNeverComesIsTriedThirtyTimesWithRestartPulses) {
  ASSERT_TRUE(camera_->Set("drop_headers", 1000));
  const auto start = Clock::now();
  EXPECT_EQ(controller_->ReadFrameHeader(&descriptor_, 0), 0);
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(30 * 200));
  EXPECT_EQ(Bulk(0x81).size(), 30u);
  EXPECT_EQ(controller_->stream(), nullptr) << "a handle opened here is closed again";
  // Each failed read is followed by a 0x6C pulse and a new arm.
  std::vector<char> sequence;
  for (const auto &entry : Log()) {
    if (entry.kind == emulator::RequestKind::Bulk) sequence.push_back('R');
    if (entry.kind == emulator::RequestKind::Control && entry.request() == 0xC2)
      sequence.push_back('A');
    if (entry.kind == emulator::RequestKind::Control && entry.request() == 0x30 &&
        entry.data[0] == 0x6C)
      sequence.push_back(entry.data[2] ? '1' : '0');
  }
  std::string expected = "A";
  for (int i = 0; i < 30; ++i) expected += "R10A";
  EXPECT_EQ(std::string(sequence.begin(), sequence.end()), expected);
}

TEST_F(FrameReads, HeaderReadRecoversAfterDroppedHeaders) {
  ASSERT_TRUE(camera_->Set("drop_headers", 2));
  ASSERT_EQ(controller_->ReadFrameHeader(&descriptor_, 0), 1);
  EXPECT_EQ(Bulk(0x81).size(), 3u);
}

TEST_F(FrameReads, SingleReadIsBoundedByTheCapacity) {
  descriptor_.expectedLength = descriptor_.capacity + 1;
  EXPECT_EQ(controller_->ReadFrameSingle(&descriptor_), 0);
  EXPECT_TRUE(Log().empty());
}

using Transfers = ControllerFixture;

TEST_F(Transfers, NeedTheStagingBuffer) {
  CVelmorCy3Cam fresh;
  ASSERT_EQ(fresh.EnumerateDevices(), 1);
  ASSERT_EQ(fresh.SelectDevice(0), 1);
  ASSERT_EQ(fresh.OpenStream(), 1);
  uint8_t data[64];
  uint32_t count = 7;
  EXPECT_EQ(fresh.TransferWithTimeout(fresh.stream(), data, 64, 0x81, &count, 100), 0);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(fresh.TransferBuffered(fresh.stream(), data, 64, 0x81, &count), 0);
  EXPECT_EQ(controller_->OpenStream(), 1);
  EXPECT_EQ(controller_->TransferWithTimeout(controller_->stream(), data, (64u << 20) + 1, 0x81,
                                             &count, 100),
            0);
}

TEST_F(Transfers, TimedOutTransferIsAbortedBeforeItsBufferIsReleased) {
  SmallFrames();
  ASSERT_EQ(controller_->OpenStream(), 1);
  ASSERT_TRUE(camera_->Set("stall", 1));
  ASSERT_EQ(controller_->ArmHeaderRead(), 1);
  {
    auto doomed = std::make_unique<uint8_t[]>(64);
    uint32_t count = 0;
    EXPECT_EQ(
        controller_->TransferWithTimeout(controller_->stream(), doomed.get(), 64, 0x81, &count, 30),
        0);
  }  // freed here: nothing may write into it any more
  ASSERT_TRUE(camera_->Set("stall", 0));
  TransferDescriptor descriptor{};
  std::vector<uint8_t> buffer(640 * 16);
  descriptor.buffer = buffer.data();
  descriptor.capacity = uint32_t(buffer.size());
  ASSERT_EQ(controller_->ReadFrameHeader(&descriptor, 0), 1);
  const auto log = Log();
  const auto abort = std::find_if(log.begin(), log.end(), [](const emulator::LoggedRequest &e) {
    return e.kind == emulator::RequestKind::AbortPipe;
  });
  ASSERT_NE(abort, log.end());
  EXPECT_EQ(abort->endpoint, 0x81);
}

TEST_F(Transfers, BufferedTransferGoesThroughTheStagingBuffer) {
  ASSERT_EQ(controller_->OpenStream(), 1);
  ASSERT_EQ(controller_->ArmHeaderRead(), 1);
  uint8_t header[64] = {};
  uint32_t count = 0;
  ASSERT_EQ(controller_->TransferBuffered(controller_->stream(), header, 64, 0x81, &count), 1);
  EXPECT_EQ(count, 64u);
  EXPECT_EQ(header[16] | header[17] << 8 | header[18] << 16, 2848 * 2848);
  const auto log = Log();
  EXPECT_EQ(log.back().kind, emulator::RequestKind::Buffered);
}

TEST_F(Transfers, SyncTransferArmsFirst) {
  SmallFrames();
  ASSERT_EQ(controller_->OpenStream(), 1);
  uint8_t header[64];
  uint32_t count = 0;
  ASSERT_EQ(controller_->TransferSync(controller_->stream(), header, 64, 0x81, &count), 1);
  EXPECT_EQ(count, 64u);
  EXPECT_EQ(Log().at(0).request(), 0xC2);
}

using CameraMemory = ControllerFixture;

TEST_F(CameraMemory, ReadOfOnePageMovesTwo) {
  std::vector<uint8_t> data(8192);
  ASSERT_EQ(controller_->ReadMemory(0x2000, data.data(), 4096), 1);
  const auto out = Bulk(0x01), in = Bulk(0x81);
  ASSERT_EQ(out.size(), 1u);
  ASSERT_EQ(in.size(), 1u);
  EXPECT_EQ(in[0].length, 8192u);
  const std::vector<uint8_t> &block = out[0].data;
  ASSERT_EQ(block.size(), 32u);
  EXPECT_EQ(std::string(block.begin(), block.begin() + 4), "AU3R");
  EXPECT_EQ(block[4], 2);
  EXPECT_EQ(block[8] | block[9] << 8, 0x2000);
  EXPECT_EQ(block[16] | block[17] << 8, 8192);
  EXPECT_EQ(controller_->stream(), nullptr);
}

TEST_F(CameraMemory, WriteThenReadBack) {
  std::vector<uint8_t> source(8192), back(8192);
  for (std::size_t i = 0; i < source.size(); ++i) source[i] = uint8_t(i * 13 + 1);
  ASSERT_EQ(controller_->WriteMemory(0x40000, source.data(), 5000), 1);
  const auto out = Bulk(0x01);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(std::string(out[0].data.begin(), out[0].data.begin() + 4), "AU3W");
  EXPECT_EQ(out[1].length, 8192u);
  ASSERT_EQ(controller_->ReadMemory(0x40000, back.data(), 8191), 1);
  EXPECT_EQ(back, source);
  EXPECT_EQ(controller_->ReadMemory(0, nullptr, 10), 0);
}

TEST_F(CameraMemory, StoredFrameIsReadFromItsSlot) {
  SmallFrames();
  std::vector<uint8_t> frame(64 << 10), stored(64 << 10);
  TransferDescriptor descriptor{};
  descriptor.buffer = frame.data();
  descriptor.capacity = uint32_t(frame.size());
  ASSERT_EQ(controller_->ReadFrameHeader(&descriptor, 0), 1);
  ASSERT_EQ(controller_->ReadFramePayload(&descriptor, 3000), 1);
  controller_->CloseStream();
  camera_->log().Clear();
  descriptor.buffer = stored.data();
  uint64_t length = 640 * 16;
  ASSERT_EQ(controller_->ReadFrameFromMemory(&descriptor, &length), 1);
  EXPECT_EQ(length, 16384u) << "rounded down to 16 KiB, plus 16 KiB";
  EXPECT_TRUE(std::equal(frame.begin(), frame.begin() + 640 * 16, stored.begin()));
  // Registers 0x78-0x7E are read, 0x3F = 2 written; a restart pulse ends it.
  const auto writes = FpgaWrites();
  ASSERT_EQ(writes.size(), 3u);
  EXPECT_EQ(writes[0], std::make_pair(uint8_t(0x3F), uint8_t(2)));
  EXPECT_EQ(writes[1], std::make_pair(uint8_t(0x6C), uint8_t(1)));
  EXPECT_EQ(writes[2], std::make_pair(uint8_t(0x6C), uint8_t(0)));
  int addressed = 0;
  for (const auto &entry : Requests(0x30))
    if (entry.record.value() == 1 && entry.data[0] >= 0x78 && entry.data[0] <= 0x7E) ++addressed;
  EXPECT_EQ(addressed, 7);
  length = frame.size();  // rounds up past the capacity
  EXPECT_EQ(controller_->ReadFrameFromMemory(&descriptor, &length), 0);
}

}  // namespace
}  // namespace velmor
