// Sharpness: an unsharp mask of strength 1 ... 30 over grey and colour
// images of 8 or 16 bits per sample (16-bit samples carry kSampleBits).
#pragma once

#include <cstdint>

#include "imaging/DibImage.h"
#include "imaging/ToneCurves.h"

namespace velmor::imaging {

// Every pixel at least two pixels inside the image becomes clamp(orig +
// trunc(strength x (orig - blur) / 10), 0, max), orig being its value and
// blur the mean (sum >> 4) of the 4 x 4 block of columns x - 2 ... x + 1 and
// memory rows y - 2 ... y + 1, per channel; the two-pixel frame keeps orig.
// A fourth channel is left as it is.
//
// The stages on either side ride along: orig and blur are read from a
// scratch copy made through `before` (the gamma and contrast table, or null
// for a plain copy), and every written sample passes through `after` (the
// brightness table, or null). `scratch` is remade like the image when its
// geometry differs. False, touching nothing, for other formats or when the
// scratch image cannot be made.
bool Sharpen(DibImage &image, DibImage &scratch, int32_t strength, const ToneTable *before,
             const ToneTable *after);

}  // namespace velmor::imaging
