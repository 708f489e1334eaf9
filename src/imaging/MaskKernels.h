// The pixel loops of mask correction and defect repair, for 8- and 16-bit
// samples. Each works on planes of samples addressed by row; the references
// and maps are already aligned with the frame (MaskCorrection does that).
#pragma once

#include <cstddef>
#include <cstdint>

namespace velmor::imaging::mask {

// Rows of samples: row y starts at data + y * stride (stride in samples).
template <class T>
struct Plane {
  T *data;
  std::ptrdiff_t stride;

  T *row(int32_t y) const { return data + std::ptrdiff_t(y) * stride; }
};

// The per-pixel scales the mask filter multiplies by instead of dividing,
// made once for each pair of references: a 16-bit reciprocal for 8-bit
// samples, a float factor for 16-bit ones.
void Scales(const uint8_t *dark, const uint8_t *bright, uint16_t *scale, std::size_t count);
void Scales(const uint16_t *dark, const uint16_t *bright, float *scale, std::size_t count);

// The mask filter over the pixels at least `border` from every edge of the
// width x height frame, with the scales of its references. 8-bit:
// v' = (v - D) * 256 / (B - D) truncated and limited to 0 ... 255, unchanged
// where D = B. 16-bit: v' = (v - D) * 4096 / (B - D) limited to 0 ... 4095,
// unchanged unless D < B.
void Correct(Plane<uint8_t> frame, int32_t width, int32_t height, int32_t border,
             Plane<const uint8_t> dark, Plane<const uint8_t> bright, Plane<const uint16_t> scale);
void Correct(Plane<uint16_t> frame, int32_t width, int32_t height, int32_t border,
             Plane<const uint16_t> dark, Plane<const uint16_t> bright, Plane<const float> scale);

// The dot filter. Pixels at least four from every edge are flagged when
// their defect map entry is non-zero or they differ from the mean of their
// four neighbours by `threshold` or more; each flagged pixel then takes the
// mean of the nearest unflagged pixel left, right, above and below it
// (those that exist). `flags` is a width x height plane (stride width) that
// is zero outside the flagged area; it keeps the flags of the last frame.
void Repair(Plane<uint8_t> frame, int32_t width, int32_t height, Plane<const uint8_t> defects,
            uint8_t *flags, int32_t threshold);
void Repair(Plane<uint16_t> frame, int32_t width, int32_t height, Plane<const uint8_t> defects,
            uint8_t *flags, int32_t threshold);

// Defect map bits.
enum DefectBit : uint8_t { kHotBit = 1, kDeadBit = 2 };

// Rebuilds one bit of a defect map over rows and columns 2 to side - 3 of a
// side x side reference (the outer two pixels keep their entries): kHotBit
// where the reference is above `threshold`, kDeadBit where it is below.
void MarkDefects(const uint8_t *reference, uint8_t *defects, int32_t side, DefectBit bit,
                 int32_t threshold);
void MarkDefects(const uint16_t *reference, uint8_t *defects, int32_t side, DefectBit bit,
                 int32_t threshold);

}  // namespace velmor::imaging::mask
