// The AVI writer: the header's fields in order with their values, the chunk
// tree and every index entry of one-RIFF and several-RIFF files, and the
// frames' bytes.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "../support/AviFile.h"
#include "files/AviWriter.h"

namespace velmor::files {
namespace {

using velmor::testing::AviFile;
using velmor::testing::ReadWholeFile;

std::string TempPath(const char *name) { return ::testing::TempDir() + "velmor-avi-" + name; }

// A frame whose every byte tells frame and position apart.
std::vector<uint8_t> Frame(uint32_t bytes, int index) {
  std::vector<uint8_t> frame(bytes);
  for (uint32_t i = 0; i < bytes; ++i) frame[i] = uint8_t(i * 7 + index * 31);
  return frame;
}

class AviWriterTest : public ::testing::Test {
 protected:
  void TearDown() override { std::remove(path_.c_str()); }

  // Writes `frames` frames of width x height and finishes at `rate`.
  AviFile Record(int32_t width, int32_t height, int frames, int32_t rate = 3000) {
    EXPECT_TRUE(writer_.Open(path_.c_str(), width, height));
    for (int i = 0; i < frames; ++i)
      EXPECT_TRUE(writer_.AppendFrame(Frame(writer_.frameBytes(), i).data())) << "frame " << i;
    frameBytes_ = writer_.frameBytes();
    EXPECT_EQ(writer_.frameCount(), uint32_t(frames));
    EXPECT_TRUE(writer_.Finish(rate));
    EXPECT_FALSE(writer_.IsOpen());
    return AviFile(ReadWholeFile(path_));
  }
  void ExpectFrames(AviFile &file, int count) {
    const std::vector<uint64_t> frames = file.CheckLayout(frameBytes_);
    ASSERT_EQ(frames.size(), std::size_t(count));
    for (int i = 0; i < count; ++i)
      EXPECT_EQ(std::memcmp(file.At(frames[i]), Frame(frameBytes_, i).data(), frameBytes_), 0)
          << "frame " << i;
  }

  std::string path_ = TempPath(::testing::UnitTest::GetInstance()->current_test_info()->name());
  AviWriter writer_;
  uint32_t frameBytes_ = 0;
};

TEST_F(AviWriterTest, ShortRecordingHeaderHoldsEveryFieldInOrder) {
  // 30 frames of 8 x 4 at 30 frames per second: S = 96, chunks of 104.
  AviFile file = Record(8, 4, 30, 3000);
  const uint32_t s = 96, chunk = 104;
  const struct {
    uint64_t at;
    uint32_t value;
    const char *tag;  // a four-character code instead of a value
  } fields[] = {
      {0, 0, "RIFF"},
      {8, 0, "AVI "},
      {12, 0, "LIST"},
      {16, 200 + 4128 + 268, nullptr},  // the Part's 200 and both reservations
      {20, 0, "hdrl"},
      {24, 0, "avih"},
      {28, 56, nullptr},
      {32, 33333, nullptr},
      {36, chunk * chunk, nullptr},
      {40, 0, nullptr},
      {44, 0x00010010, nullptr},
      {48, 30, nullptr},
      {52, 0, nullptr},
      {56, 1, nullptr},
      {60, chunk, nullptr},
      {64, 8, nullptr},
      {68, 4, nullptr},
      {72, 0, nullptr},
      {76, 0, nullptr},
      {80, 0, nullptr},
      {84, 0, nullptr},
      {88, 0, "LIST"},
      {92, 124 + 4128, nullptr},
      {96, 0, "strl"},
      {100, 0, "strh"},
      {104, 64, nullptr},
      {108, 0, "vids"},
      {112, 0, "DIB "},
      {116, 0, nullptr},
      {120, 0, nullptr},
      {124, 0, nullptr},
      {128, 333333, nullptr},
      {132, 10000000, nullptr},
      {136, 0, nullptr},
      {140, 30, nullptr},
      {144, chunk, nullptr},
      {148, 0, nullptr},
      {152, 0, nullptr},
      {156, 0, nullptr},
      {160, 0, nullptr},
      {164, 0, nullptr},
      {168, 0, nullptr},
      {172, 0, "strf"},
      {176, 40, nullptr},
      {180, 40, nullptr},
      {184, 8, nullptr},
      {188, 4, nullptr},
      {192, 1 | 24 << 16, nullptr},  // planes, bit count
      {196, 0, nullptr},
      {200, 0, nullptr},
      {204, 0, nullptr},
      {208, 0, nullptr},
      {212, 0, nullptr},
      {216, 0, nullptr},
      // The reservations, then movi and its first chunk.
      {220, 0, "JUNK"},
      {224, 4120, nullptr},
      {4348, 0, "JUNK"},
      {4352, 260, nullptr},
      {4616, 0, "LIST"},
      {4620, 4 + 30 * (chunk), nullptr},
      {4624, 0, "movi"},
      {4628, 0, "00db"},
      {4632, s, nullptr},
  };
  for (const auto &field : fields) {
    if (field.tag != nullptr)
      EXPECT_EQ(file.Tag(field.at), field.tag) << "offset " << field.at;
    else
      EXPECT_EQ(file.U32(field.at), field.value) << "offset " << field.at;
  }
  ExpectFrames(file, 30);
  const uint64_t idx1 = 4628 + 30 * chunk;
  EXPECT_EQ(file.Tag(idx1), "idx1");
  EXPECT_EQ(file.U32(idx1 + 16), 4u) << "the first index entry points just past movi";
  EXPECT_EQ(file.U32(4), idx1 + 8 + 16 * 30 - 8) << "RIFF size";
  EXPECT_EQ(file.end, idx1 + 8 + 16 * 30);
}

TEST_F(AviWriterTest, RatesAndSizesFollowTheFrame) {
  const struct {
    int32_t width, height, rate;
    uint32_t frameBytes, microsPerFrame, scale;
  } cases[] = {
      {2848, 2848, 3000, 24333312, 33333, 333333},  // a full frame: 2848 x 2848 x 3
      {16, 2, 1250, 96, 80000, 800000},
      {5, 3, 2997, 48, 33366, 333667},  // rows padded to the DIB stride
  };
  for (const auto &c : cases) {
    ASSERT_TRUE(writer_.Open(path_.c_str(), c.width, c.height));
    EXPECT_EQ(writer_.frameBytes(), c.frameBytes);
    ASSERT_TRUE(writer_.Finish(c.rate));
    AviFile file(ReadWholeFile(path_));
    EXPECT_EQ(file.U32(60), c.frameBytes + 8) << c.width;
    EXPECT_EQ(file.U32(32), c.microsPerFrame) << c.width;
    EXPECT_EQ(file.U32(128), c.scale) << c.width;
    frameBytes_ = c.frameBytes;
    ExpectFrames(file, 0);
  }
}

TEST_F(AviWriterTest, LongRecordingContinuesInOpenDmlRiffs) {
  // 64 x 32 frames (6152-byte chunks) under a 20000-byte RIFF limit: two
  // frames fit the first RIFF beside the header, three each further one.
  writer_.SetRiffLimit(20000);
  AviFile file = Record(64, 32, 9, 2500);
  ASSERT_EQ(file.riffs.size(), 4u);
  for (const auto &riff : file.riffs) EXPECT_LE(riff.size + 8, 20000u);
  ExpectFrames(file, 9);
  EXPECT_EQ(file.U32(48), 2u);
  EXPECT_EQ(file.U32(140), 9u);
  EXPECT_EQ(file.U32(32), 40000u);
}

TEST_F(AviWriterTest, FramesLargerThanTheLimitGetARiffEach) {
  writer_.SetRiffLimit(1000);
  AviFile file = Record(16, 16, 3);
  EXPECT_EQ(file.riffs.size(), 3u);
  ExpectFrames(file, 3);
}

TEST_F(AviWriterTest, TheSuperIndexEndsTheRecordingWhenFull) {
  writer_.SetRiffLimit(1);  // one frame per RIFF
  ASSERT_TRUE(writer_.Open(path_.c_str(), 4, 1));
  frameBytes_ = writer_.frameBytes();
  const std::vector<uint8_t> frame = Frame(frameBytes_, 0);
  for (uint32_t i = 0; i < AviWriter::kMaxRiffs; ++i)
    ASSERT_TRUE(writer_.AppendFrame(frame.data()));
  EXPECT_FALSE(writer_.AppendFrame(frame.data()));
  EXPECT_FALSE(writer_.writeFailed());
  EXPECT_TRUE(writer_.Finish(3000));
  AviFile file(ReadWholeFile(path_));
  EXPECT_EQ(file.riffs.size(), AviWriter::kMaxRiffs);
  EXPECT_EQ(file.CheckLayout(frameBytes_).size(), AviWriter::kMaxRiffs);
}

TEST_F(AviWriterTest, RefusesWhatCannotBeRecorded) {
  EXPECT_FALSE(writer_.Open(path_.c_str(), 0, 4));
  EXPECT_FALSE(writer_.Open(nullptr, 4, 4));
  EXPECT_FALSE(writer_.Open((::testing::TempDir() + "no-such-dir/x.avi").c_str(), 4, 4));
  EXPECT_FALSE(writer_.IsOpen());
  EXPECT_FALSE(writer_.AppendFrame(Frame(48, 0).data()));
  EXPECT_FALSE(writer_.Finish(3000));
}

}  // namespace
}  // namespace velmor::files
