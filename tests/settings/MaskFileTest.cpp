// The mask file reader takes exactly the files the writer makes: every field
// of the header and the length are checked before a block is handed out.
#include <gtest/gtest.h>

#include <vector>

#include "settings/ConfigFile.h"
#include "settings/MaskFile.h"

namespace velmor {
namespace {

std::vector<uint8_t> WellFormed() {
  std::vector<uint8_t> file(kMaskFileBytes, 0);
  const auto header = MaskFileHeader();
  std::copy(header.begin(), header.end(), file.begin());
  return file;
}

TEST(MaskFile, HeaderHoldsMagicSizeAndBlockSizesLittleEndian) {
  const auto header = MaskFileHeader();
  const std::vector<uint8_t> expected = {'B',  'R',  'E',  'V',  'A',  'N',  ' ',  'M',  'A',  'S',
                                         'K',  '1',  '0',  '0',  '0',  0,    0x20, 0x0B, 0,    0,
                                         0x20, 0x0B, 0,    0,    0x00, 0xC4, 0x7B, 0,    0x00, 0xC4,
                                         0x7B, 0,    0x00, 0x88, 0xF7, 0,    0x00, 0x88, 0xF7, 0};
  EXPECT_EQ(std::vector<uint8_t>(header.begin(), header.end()), expected);

  const std::vector<uint8_t> file = WellFormed();
  const auto blocks = ParseMaskFile(file.data(), file.size());
  ASSERT_TRUE(blocks);
  EXPECT_EQ(blocks->dark8, file.data() + 40);
  EXPECT_EQ(blocks->bright8, file.data() + 8111144);
  EXPECT_EQ(blocks->dark16, file.data() + 16222248);
  EXPECT_EQ(blocks->bright16, file.data() + 32444456);
}

TEST(MaskFile, AnyOtherHeaderOrLengthIsRefused) {
  std::vector<uint8_t> file = WellFormed();
  // One changed byte in each field: the magic's last digit and its zero,
  // width 2856, height, each block size.
  for (std::size_t at : {14u, 15u, 16u, 20u, 24u, 28u, 32u, 36u}) {
    const uint8_t kept = file[at];
    file[at] = at == 14 ? '1' : uint8_t(kept + 8);
    EXPECT_FALSE(ParseMaskFile(file.data(), file.size())) << "byte " << at;
    file[at] = kept;
  }
  for (std::size_t size : {std::size_t(0), std::size_t(40), kMaskFileBytes - 1})
    EXPECT_FALSE(ParseMaskFile(file.data(), size)) << size;
  file.push_back(0);
  EXPECT_FALSE(ParseMaskFile(file.data(), file.size())) << "one byte long";
  EXPECT_FALSE(ParseMaskFile(nullptr, kMaskFileBytes));
}

TEST(ConfigFile, WholeRecordsInFileOrder) {
  const uint8_t bytes[] = {1,    0,    0,    0, 0xFE, 0xFF, 0xFF, 0xFF, 0x78,
                           0x56, 0x34, 0x12, 9, 0,    0,    0,    5};
  EXPECT_EQ(ParseConfigFile(bytes, sizeof bytes),
            (std::vector<ConfigPair>{{1, -2}, {0x12345678, 9}}));
  EXPECT_TRUE(ParseConfigFile(bytes, 7).empty());
  EXPECT_TRUE(ParseConfigFile(nullptr, 8).empty());
}

}  // namespace
}  // namespace velmor
