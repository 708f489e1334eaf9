// The ten full-sensor images of mask correction and defect repair. They
// take ~120 MB, so they are made on first use (a correction switched on, a
// reference captured or loaded) rather than with every session; until then
// the correction stages have nothing to read.
#pragma once

#include <array>
#include <memory>

#include "imaging/DibImage.h"

namespace velmor {

class CorrectionBuffers {
 public:
  enum Index : std::size_t {
    kDarkReference8,
    kBrightReference8,
    kDarkReference16,
    kBrightReference16,
    kHotMap8,
    kDeadMap8,
    kHotMap16,
    kDeadMap16,
    kFlags8,
    kFlags16,
    kCount
  };

  // Makes all ten at 2848 x 2848 with their initial content: the bright
  // references at full scale (255 and 4095), everything else 0. True once
  // they exist; false (and none kept) when memory ran out.
  bool Ensure();
  bool ready() const { return images_[0] != nullptr; }
  // Null until Ensure succeeded.
  imaging::DibImage *image(Index index) const { return images_[index].get(); }
  void Release();

 private:
  std::array<std::unique_ptr<imaging::DibImage>, kCount> images_;
};

}  // namespace velmor
