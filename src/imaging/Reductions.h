// Reductions and re-orderings of whole pixels, run through DibImage::Convert.
// Destination and source never overlap. "Flipped" routines reverse the row
// order (source row bottom - 1 - i feeds destination row i); the others keep
// it. Routines reading 16-bit samples take a SampleDepth record (null: this
// camera's 12 bits) and return 0 for a depth outside 8 ... 16; shifts are
// done in 16 bits, so bits shifted out are lost.
#pragma once

#include "imaging/PixelRoutine.h"

namespace velmor::imaging {

// Any format to the same format, flipped: the region's bytes of every row.
int32_t RowCopyFlipped(const PixelJob &job);

// 16 -> 8 bits: the top eight significant bits of each sample,
// (v >> (depth - 8)) & 0xFF. Depth 16 gives the high byte, 12 (v >> 4),
// 10 (v >> 2).
int32_t Reduce16To8(const PixelJob &job);
int32_t Reduce16To8Flipped(const PixelJob &job);

// 16 -> 16 bits: the significant bits moved to the top of the word,
// v << (16 - depth); depth 16 copies.
int32_t Widen16(const PixelJob &job);

// 48 or 64 -> 24 bits: each of the three colour channels as in Reduce16To8.
int32_t ReduceColour16To8(const PixelJob &job);
int32_t ReduceColour16To8Flipped(const PixelJob &job);

// 48 -> 48 or 64 -> 64 bits: the three colour channels as in Widen16; the
// fourth word of a 64-bit pixel becomes 0xFFFF (opaque). The swapped form
// also exchanges channels 0 and 2 (B, G, R -> R, G, B).
int32_t WidenColour16(const PixelJob &job);
int32_t WidenColour16Swapped(const PixelJob &job);

// 24 or 32 -> 24 bits: the first three bytes of each pixel.
int32_t CopyColour24(const PixelJob &job);
int32_t CopyColour24Flipped(const PixelJob &job);

// 24 -> 24 or 32 -> 32 bits with bytes 0 and 2 exchanged; a fourth byte is
// copied.
int32_t SwapRedBlue(const PixelJob &job);

// 32 -> 32 bits: three bytes copied, the fourth the bitwise NOT of the
// source's (the pipeline leaves it 0, so the result is opaque).
int32_t OpaqueAlpha32(const PixelJob &job);

// 24 -> 8 bits: the luminance (30 R + 59 G + 11 B) / 100.
int32_t GreyFromColour(const PixelJob &job);

}  // namespace velmor::imaging
