#include "session/CorrectionBuffers.h"

#include <algorithm>
#include <cstring>

#include "imaging/PixelRoutine.h"
#include "settings/SessionSettings.h"

namespace velmor {
namespace {

struct Layout {
  int32_t bitsPerPixel;
  bool fullScale;  // bright reference
};
constexpr Layout kLayouts[CorrectionBuffers::kCount] = {
    {8, false}, {8, true},   {16, false}, {16, true}, {8, false},
    {8, false}, {16, false}, {16, false}, {8, false}, {16, false}};

void FillFullScale(imaging::DibImage &image) {
  if (image.bitsPerPixel() == 8) {
    std::memset(image.bits(), 0xFF, image.sizeBytes());
    return;
  }
  auto *samples = reinterpret_cast<uint16_t *>(image.bits());
  std::fill(samples, samples + image.sizeBytes() / 2, uint16_t(imaging::kSampleMax));
}

}  // namespace

bool CorrectionBuffers::Ensure() {
  if (ready()) return true;
  std::array<std::unique_ptr<imaging::DibImage>, kCount> made;
  for (std::size_t i = 0; i < kCount; ++i) {
    made[i] = std::make_unique<imaging::DibImage>();
    if (!made[i]->Create(kSensorSize, kSensorSize, kLayouts[i].bitsPerPixel)) return false;
    if (kLayouts[i].fullScale) FillFullScale(*made[i]);
  }
  images_ = std::move(made);
  return true;
}

void CorrectionBuffers::Release() {
  for (auto &image : images_) image.reset();
}

}  // namespace velmor
