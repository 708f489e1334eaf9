// Mask correction and defect repair: the second stage of the frame chain.
// The mask filter rescales each pixel between a dark and a bright reference
// of the whole sensor; the dot filter replaces hot, dead and outstanding
// pixels by the mean of their nearest good neighbours. The references are
// captured from full-size frames or loaded from mask files; the hot and dead
// maps are derived from them.
//
// Frames read their references at the sensor pixel each frame pixel came
// from (window start plus position, doubled when skipping; the mean of the
// 2 x 2 block when binning, a defect when any of the four is one), so a
// calibration made at full size corrects windowed and reduced frames too.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "imaging/DibImage.h"
#include "imaging/MaskKernels.h"

namespace velmor::imaging {

// Side of the square sensor, and of every reference.
inline constexpr int32_t kMaskSide = 2848;

enum class ReferenceKind : int32_t { kDark = 0, kBright = 1 };

// Readout modes that reduce the window: every other pixel, or 2 x 2 means.
enum ReadoutMode : int32_t { kReadoutFull = 0, kReadoutSkip = 1, kReadoutBin = 17 };

// Where a frame lies on the sensor: the readout window and the mode.
struct FramePlacement {
  int32_t left = 0, top = 0;
  int32_t width = kMaskSide, height = kMaskSide;
  int32_t readoutMode = kReadoutFull;

  bool operator==(const FramePlacement &) const = default;
};

// The four references as the mask file holds them: the pixel memory of the
// 8-bit dark and bright and the 16-bit dark and bright references, each
// kMaskSide rows without padding, 16-bit samples little-endian.
struct ReferenceBlocks {
  static constexpr std::size_t kBytes8 = std::size_t(kMaskSide) * kMaskSide;
  static constexpr std::size_t kBytes16 = 2 * kBytes8;

  const uint8_t *dark8;
  const uint8_t *bright8;
  const uint8_t *dark16;
  const uint8_t *bright16;
};

// Thresholds of the defect maps and of the dot filter's outstanding pixels.
struct DefectRules {
  int32_t hotAbove;     // dark reference value above which a pixel is hot
  int32_t deadBelow;    // bright reference value below which a pixel is dead
  int32_t outstanding;  // |v - mean of the four neighbours| at which a pixel is repaired
};
inline constexpr DefectRules kRules8{192, 64, 30};
inline constexpr DefectRules kRules16{3072, 1024, 480};

class MaskCorrection {
 public:
  MaskCorrection();
  ~MaskCorrection();
  MaskCorrection(const MaskCorrection &) = delete;
  MaskCorrection &operator=(const MaskCorrection &) = delete;

  // Stage 2 of the frame chain, under the mask lock: the mask filter when
  // `mask`, then the dot filter when `dot`, on an 8- or 16-bit frame. A
  // frame of another depth, or references that cannot be made, leave the
  // frame as it is.
  void Apply(DibImage &frame, const FramePlacement &placement, bool mask, bool dot);

  // Copies a 2848 x 2848 frame of 8 or 16 bits over the reference `kind` of
  // its depth and rebuilds that depth's hot map (dark) or dead map (bright).
  // False, changing nothing, for any other frame. Throws std::bad_alloc when
  // the references cannot be made.
  bool Capture(const DibImage &frame, ReferenceKind kind);

  // Replaces all four references by the blocks and rebuilds every map. The
  // new references and maps are made first and swapped in under the mask
  // lock, so a frame is corrected wholly by the old or wholly by the new
  // calibration. Throws std::bad_alloc.
  void Load(const ReferenceBlocks &blocks);

  // Calls write(blocks) under the mask lock with the current references
  // (the initial ones when none was captured or loaded) and returns its
  // result. Throws std::bad_alloc.
  template <class Writer>
  bool Save(Writer &&write) {
    std::lock_guard lock(lock_);
    EnsureReferences();
    return write(Blocks());
  }

  // The defect map bits (mask::kHotBit, mask::kDeadBit) of sensor pixel (x, y) at 8 or
  // 16 bits; 0 before any reference exists.
  uint8_t DefectAt(int32_t bitsPerPixel, int32_t x, int32_t y) const;

 private:
  struct Aligned;
  struct Prepared;

  // Makes the initial references and empty maps when there are none yet.
  void EnsureReferences();
  // Four references with the defect maps and scales made from them; made
  // outside the mask lock.
  static Prepared Prepare(std::vector<uint8_t> dark8, std::vector<uint8_t> bright8,
                          std::vector<uint16_t> dark16, std::vector<uint16_t> bright16);
  // Takes them in as the current calibration; under the mask lock.
  void Adopt(Prepared &next);
  ReferenceBlocks Blocks() const;

  mutable std::mutex lock_;  // the mask lock: taken inside the session's image lock
  std::vector<uint8_t> dark8_, bright8_, defects8_;
  std::vector<uint16_t> dark16_, bright16_;
  std::vector<uint8_t> defects16_;
  // The mask filter's per-pixel scales, made with each reference pair.
  std::vector<uint16_t> scale8_;
  std::vector<float> scale16_;
  // Changes with every capture and load: reduced frames rebuild their
  // aligned references when it differs from the one they were made from.
  uint64_t generation_ = 0;
  std::vector<uint8_t> flags_;  // the dot filter's per-frame flags, frame-shaped
  std::unique_ptr<Aligned> aligned_;
};

}  // namespace velmor::imaging
