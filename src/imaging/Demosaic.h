// Bayer demosaic: raw 8-bit into 24 or 32 bits per pixel, raw 16-bit into 48
// or 64, with fixed 9-3-3-1 bilinear weights and per-channel gains.
#pragma once

#include "imaging/PixelRoutine.h"

namespace velmor::imaging {

// The colour filter pattern in memory order for Bayer mode 0; bit 0 of the
// mode exchanges the two rows, bit 1 the two columns.
//   even row: green, blue      odd row: red, green
struct DemosaicParams {
  int32_t bayerMode = 0;    // after MirrorAdjustedBayerMode
  int32_t redGain = 100;    // percent, 0 ... 400
  int32_t greenGain = 100;  // kept for the record: green is never scaled
  int32_t blueGain = 100;
};

// The Bayer mode that describes the pattern after the image was mirrored:
// vertical mirroring exchanges modes 0/1 and 2/3, horizontal 0/2 and 1/3.
inline int32_t MirrorAdjustedBayerMode(int32_t mode, bool vertical, bool horizontal) {
  return (mode & 3) ^ (vertical ? 1 : 0) ^ (horizontal ? 2 : 0);
}

// A gain in percent as the demosaic's factor: gain x 1.28, truncated (100 ->
// 128), so that one shift by 11 divides by both 16 and 128. Gains are held
// to 0 ... 400.
int32_t BayerGainFactor(int32_t gainPercent);

// Source and destination of the same size, at least 4 x 4 pixels and of an
// even width (the camera delivers no other; odd widths are refused). Each
// output pixel (x, y) is the colour of the 2 x 2 block whose lower-right
// cell is source pixel (x, y): green the mean of its two green cells, red and
// blue interpolated at the block centre from the four nearest samples of
// their colour (9/16, 3/16, 3/16, 1/16), scaled by their gain factor and
// shifted right by 11, saturating at the largest sample. Neighbours beyond
// the region are read from the same colour four pixels back inside (-1 -> 3,
// -2 -> 2, n -> n - 4); colour phases follow absolute row and column parity.
// 16-bit samples carry kSampleBits bits: larger samples count as the largest,
// and the output saturates at kSampleMax. Writes B, G, R; a fourth channel
// is left as it is.
int32_t Demosaic(const PixelJob &job);

}  // namespace velmor::imaging
