// Mask files: the four references of mask correction with a 40-byte header,
// so that a calibration made once can be loaded again. Little-endian 32-bit
// fields: the magic "BREVAN MASK1000" with its zero byte, width, height and
// the four block sizes; then the blocks in the order of ReferenceBlocks.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "imaging/MaskCorrection.h"

namespace velmor {

inline constexpr std::size_t kMaskFileHeaderBytes = 40;
inline constexpr std::size_t kMaskFileBytes = kMaskFileHeaderBytes +
                                              2 * imaging::ReferenceBlocks::kBytes8 +
                                              2 * imaging::ReferenceBlocks::kBytes16;
static_assert(kMaskFileBytes == 48666664);

// The blocks of a mask file, pointing into `data`, when the header is
// exactly the one this library writes and the file is exactly as long as
// header and blocks; nothing otherwise (a short or long file would load
// half of a calibration or something that is not one).
std::optional<imaging::ReferenceBlocks> ParseMaskFile(const uint8_t *data, std::size_t size);

// The header written before the blocks.
std::array<uint8_t, kMaskFileHeaderBytes> MaskFileHeader();

}  // namespace velmor
