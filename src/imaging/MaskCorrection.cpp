#include "imaging/MaskCorrection.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

namespace velmor::imaging {
namespace {

static_assert(std::endian::native == std::endian::little,
              "16-bit reference blocks are copied as held in memory");

constexpr std::size_t kPixels = std::size_t(kMaskSide) * kMaskSide;
// References cover every pixel; the mask filter leaves this border of
// frames that span the sensor alone.
constexpr int32_t kFullSpanBorder = 2;
constexpr uint8_t kFullScale8 = 255;
constexpr uint16_t kFullScale16 = 4095;

template <class T>
mask::Plane<T> FramePlane(DibImage &frame) {
  return {reinterpret_cast<T *>(frame.bits()), frame.stride() / std::ptrdiff_t(sizeof(T))};
}

// The sensor-wide plane for frames that span the sensor at full
// resolution, else the one gathered for the frame's geometry. The aligned
// planes are only looked at in the second case.
template <class T>
mask::Plane<const T> Pick(bool sensorWide, const std::vector<T> &sensor,
                          const std::vector<T> &aligned, int32_t width) {
  return sensorWide ? mask::Plane<const T>{sensor.data(), kMaskSide}
                    : mask::Plane<const T>{aligned.data(), width};
}

// One frame through the switched-on corrections.
struct Stage {
  int32_t width, height, border;
  bool mask, dot;
  uint8_t *flags;

  template <class T, class S>
  void Run(mask::Plane<T> frame, mask::Plane<const T> dark, mask::Plane<const T> bright,
           mask::Plane<const S> scale, mask::Plane<const uint8_t> defects,
           int32_t threshold) const {
    if (mask) mask::Correct(frame, width, height, border, dark, bright, scale);
    if (dot) mask::Repair(frame, width, height, defects, flags, threshold);
  }
};

}  // namespace

// References and maps of one frame geometry, gathered from the sensor-wide
// ones at the pixels each frame pixel came from.
struct MaskCorrection::Aligned {
  FramePlacement placement;
  int32_t width = 0, height = 0, bitsPerPixel = 0;
  uint64_t generation = 0;
  std::vector<uint8_t> dark8, bright8, defects;
  std::vector<uint16_t> dark16, bright16;
  std::vector<uint16_t> scale8;
  std::vector<float> scale16;

  bool Matches(const FramePlacement &p, int32_t w, int32_t h, int32_t bits, uint64_t g) const {
    return placement == p && width == w && height == h && bitsPerPixel == bits && generation == g;
  }

  // Sensor pixels outside the array give D = B = 0, which the mask filter
  // leaves unchanged, and no defect.
  template <class T, class S>
  void Gather(const FramePlacement &p, int32_t w, int32_t h, const std::vector<T> &dark,
              const std::vector<T> &bright, const std::vector<uint8_t> &sensorDefects,
              std::vector<T> &alignedDark, std::vector<T> &alignedBright, std::vector<S> &scale) {
    placement = p;
    width = w;
    height = h;
    const std::size_t count = std::size_t(width) * height;
    alignedDark.assign(count, 0);
    alignedBright.assign(count, 0);
    defects.assign(count, 0);
    const int32_t step = placement.readoutMode == kReadoutFull ? 1 : 2;
    const int32_t span = placement.readoutMode == kReadoutBin ? 2 : 1;
    for (int32_t y = 0; y < height; ++y) {
      for (int32_t x = 0; x < width; ++x) {
        const int32_t X = placement.left + step * x, Y = placement.top + step * y;
        if (X < 0 || Y < 0 || X + span > kMaskSide || Y + span > kMaskSide) continue;
        uint32_t darkSum = 0, brightSum = 0;
        uint8_t defect = 0;
        for (int32_t j = 0; j < span; ++j)
          for (int32_t i = 0; i < span; ++i) {
            const std::size_t at = std::size_t(Y + j) * kMaskSide + std::size_t(X + i);
            darkSum += dark[at];
            brightSum += bright[at];
            defect |= sensorDefects[at];
          }
        const std::size_t to = std::size_t(y) * width + x;
        alignedDark[to] = T(darkSum / uint32_t(span * span));
        alignedBright[to] = T(brightSum / uint32_t(span * span));
        defects[to] = defect;
      }
    }
    scale.resize(count);
    mask::Scales(alignedDark.data(), alignedBright.data(), scale.data(), count);
  }
};

MaskCorrection::MaskCorrection() : aligned_(std::make_unique<Aligned>()) {}
MaskCorrection::~MaskCorrection() = default;

struct MaskCorrection::Prepared {
  std::vector<uint8_t> dark8, bright8, defects8;
  std::vector<uint16_t> dark16, bright16;
  std::vector<uint8_t> defects16;
  std::vector<uint16_t> scale8;
  std::vector<float> scale16;
};

MaskCorrection::Prepared MaskCorrection::Prepare(std::vector<uint8_t> dark8,
                                                 std::vector<uint8_t> bright8,
                                                 std::vector<uint16_t> dark16,
                                                 std::vector<uint16_t> bright16) {
  Prepared next{std::move(dark8), std::move(bright8), std::vector<uint8_t>(kPixels, 0),
                std::move(dark16), std::move(bright16), std::vector<uint8_t>(kPixels, 0),
                std::vector<uint16_t>(kPixels), std::vector<float>(kPixels)};
  mask::MarkDefects(next.dark8.data(), next.defects8.data(), kMaskSide, mask::kHotBit,
                    kRules8.hotAbove);
  mask::MarkDefects(next.bright8.data(), next.defects8.data(), kMaskSide, mask::kDeadBit,
                    kRules8.deadBelow);
  mask::MarkDefects(next.dark16.data(), next.defects16.data(), kMaskSide, mask::kHotBit,
                    kRules16.hotAbove);
  mask::MarkDefects(next.bright16.data(), next.defects16.data(), kMaskSide, mask::kDeadBit,
                    kRules16.deadBelow);
  mask::Scales(next.dark8.data(), next.bright8.data(), next.scale8.data(), kPixels);
  mask::Scales(next.dark16.data(), next.bright16.data(), next.scale16.data(), kPixels);
  return next;
}

void MaskCorrection::Adopt(Prepared &next) {
  dark8_.swap(next.dark8);
  bright8_.swap(next.bright8);
  defects8_.swap(next.defects8);
  dark16_.swap(next.dark16);
  bright16_.swap(next.bright16);
  defects16_.swap(next.defects16);
  scale8_.swap(next.scale8);
  scale16_.swap(next.scale16);
}

void MaskCorrection::EnsureReferences() {
  if (!dark8_.empty()) return;
  // Black darks and full-scale brights: no defects, unit scales.
  Prepared initial = Prepare(std::vector<uint8_t>(kPixels, 0),
                             std::vector<uint8_t>(kPixels, kFullScale8),
                             std::vector<uint16_t>(kPixels, 0),
                             std::vector<uint16_t>(kPixels, kFullScale16));
  Adopt(initial);
}

ReferenceBlocks MaskCorrection::Blocks() const {
  return {dark8_.data(), bright8_.data(), reinterpret_cast<const uint8_t *>(dark16_.data()),
          reinterpret_cast<const uint8_t *>(bright16_.data())};
}

void MaskCorrection::Apply(DibImage &frame, const FramePlacement &placement, bool mask, bool dot) {
  const int32_t bits = frame.bitsPerPixel();
  if ((!mask && !dot) || (bits != 8 && bits != 16) || frame.bits() == nullptr) return;
  const int32_t width = frame.width(), height = frame.height();
  const bool sensorWide =
      placement == FramePlacement{} && width == kMaskSide && height == kMaskSide;
  std::lock_guard lock(lock_);
  try {
    EnsureReferences();
    if (!sensorWide && !aligned_->Matches(placement, width, height, bits, generation_)) {
      aligned_->bitsPerPixel = 0;  // matches nothing until gathered whole
      if (bits == 8)
        aligned_->Gather(placement, width, height, dark8_, bright8_, defects8_, aligned_->dark8,
                         aligned_->bright8, aligned_->scale8);
      else
        aligned_->Gather(placement, width, height, dark16_, bright16_, defects16_, aligned_->dark16,
                         aligned_->bright16, aligned_->scale16);
      aligned_->bitsPerPixel = bits;
      aligned_->generation = generation_;
    }
    if (flags_.size() != std::size_t(width) * height) flags_.assign(std::size_t(width) * height, 0);
  } catch (const std::bad_alloc &) {
    return;  // without references there is nothing to correct with
  }
  const int32_t border =
      placement.width == kMaskSide || placement.height == kMaskSide ? kFullSpanBorder : 0;
  const Stage stage{width, height, border, mask, dot, flags_.data()};
  if (bits == 8) {
    stage.Run(FramePlane<uint8_t>(frame), Pick(sensorWide, dark8_, aligned_->dark8, width),
              Pick(sensorWide, bright8_, aligned_->bright8, width),
              Pick(sensorWide, scale8_, aligned_->scale8, width),
              Pick(sensorWide, defects8_, aligned_->defects, width), kRules8.outstanding);
  } else {
    stage.Run(FramePlane<uint16_t>(frame), Pick(sensorWide, dark16_, aligned_->dark16, width),
              Pick(sensorWide, bright16_, aligned_->bright16, width),
              Pick(sensorWide, scale16_, aligned_->scale16, width),
              Pick(sensorWide, defects16_, aligned_->defects, width), kRules16.outstanding);
  }
}

bool MaskCorrection::Capture(const DibImage &frame, ReferenceKind kind) {
  const int32_t bits = frame.bitsPerPixel();
  if (frame.width() != kMaskSide || frame.height() != kMaskSide || frame.bits() == nullptr ||
      (bits != 8 && bits != 16))
    return false;
  std::lock_guard lock(lock_);
  EnsureReferences();
  const bool dark = kind == ReferenceKind::kDark;
  const mask::DefectBit bit = dark ? mask::kHotBit : mask::kDeadBit;
  const std::size_t rowBytes = std::size_t(kMaskSide) * frame.bytesPerPixel();
  const auto copy = [&](auto &reference) {
    auto *to = reinterpret_cast<uint8_t *>(reference.data());
    for (int32_t y = 0; y < kMaskSide; ++y)
      std::memcpy(to + y * rowBytes, frame.bits() + std::ptrdiff_t(y) * frame.stride(), rowBytes);
  };
  if (bits == 8) {
    copy(dark ? dark8_ : bright8_);
    mask::MarkDefects(dark ? dark8_.data() : bright8_.data(), defects8_.data(), kMaskSide, bit,
                      dark ? kRules8.hotAbove : kRules8.deadBelow);
    mask::Scales(dark8_.data(), bright8_.data(), scale8_.data(), kPixels);
  } else {
    copy(dark ? dark16_ : bright16_);
    mask::MarkDefects(dark ? dark16_.data() : bright16_.data(), defects16_.data(), kMaskSide, bit,
                      dark ? kRules16.hotAbove : kRules16.deadBelow);
    mask::Scales(dark16_.data(), bright16_.data(), scale16_.data(), kPixels);
  }
  ++generation_;
  return true;
}

void MaskCorrection::Load(const ReferenceBlocks &blocks) {
  std::vector<uint16_t> dark16(kPixels), bright16(kPixels);
  std::memcpy(dark16.data(), blocks.dark16, ReferenceBlocks::kBytes16);
  std::memcpy(bright16.data(), blocks.bright16, ReferenceBlocks::kBytes16);
  Prepared next = Prepare(std::vector<uint8_t>(blocks.dark8, blocks.dark8 + kPixels),
                          std::vector<uint8_t>(blocks.bright8, blocks.bright8 + kPixels),
                          std::move(dark16), std::move(bright16));
  std::lock_guard lock(lock_);
  Adopt(next);
  ++generation_;
}

uint8_t MaskCorrection::DefectAt(int32_t bitsPerPixel, int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= kMaskSide || y >= kMaskSide) return 0;
  std::lock_guard lock(lock_);
  const std::vector<uint8_t> &defects = bitsPerPixel == 16 ? defects16_ : defects8_;
  return defects.empty() ? 0 : defects[std::size_t(y) * kMaskSide + x];
}

}  // namespace velmor::imaging
