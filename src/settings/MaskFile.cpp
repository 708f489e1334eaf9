#include "settings/MaskFile.h"

#include <algorithm>

namespace velmor {
namespace {

constexpr char kMagic[16] = "BREVAN MASK1000";  // with its terminating zero
constexpr std::size_t kFieldBytes = 4;

void Store32(uint8_t *at, uint32_t value) {
  for (std::size_t i = 0; i < kFieldBytes; ++i) at[i] = uint8_t(value >> (8 * i));
}

}  // namespace

std::array<uint8_t, kMaskFileHeaderBytes> MaskFileHeader() {
  using imaging::ReferenceBlocks;
  std::array<uint8_t, kMaskFileHeaderBytes> header{};
  std::copy(std::begin(kMagic), std::end(kMagic), header.begin());
  const uint32_t fields[] = {imaging::kMaskSide,        imaging::kMaskSide,
                             ReferenceBlocks::kBytes8,  ReferenceBlocks::kBytes8,
                             ReferenceBlocks::kBytes16, ReferenceBlocks::kBytes16};
  uint8_t *at = header.data() + sizeof kMagic;
  for (uint32_t field : fields) {
    Store32(at, field);
    at += kFieldBytes;
  }
  return header;
}

std::optional<imaging::ReferenceBlocks> ParseMaskFile(const uint8_t *data, std::size_t size) {
  using imaging::ReferenceBlocks;
  if (data == nullptr || size != kMaskFileBytes) return std::nullopt;
  const auto header = MaskFileHeader();
  if (!std::equal(header.begin(), header.end(), data)) return std::nullopt;
  const uint8_t *block = data + kMaskFileHeaderBytes;
  ReferenceBlocks blocks{};
  blocks.dark8 = block;
  blocks.bright8 = blocks.dark8 + ReferenceBlocks::kBytes8;
  blocks.dark16 = blocks.bright8 + ReferenceBlocks::kBytes8;
  blocks.bright16 = blocks.dark16 + ReferenceBlocks::kBytes16;
  return blocks;
}

}  // namespace velmor
