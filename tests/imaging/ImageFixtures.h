// Small helpers for building and reading test images.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "imaging/DibImage.h"

namespace velmor::imaging::testing {

inline void Make(DibImage &image, int32_t width, int32_t height, int32_t bitsPerPixel) {
  ASSERT_TRUE(image.Create(width, height, bitsPerPixel))
      << width << "x" << height << "x" << bitsPerPixel;
}

template <typename T>
T *Row(const DibImage &image, int32_t row) {
  return reinterpret_cast<T *>(image.bits() + std::ptrdiff_t(row) * image.stride());
}

template <typename T>
T &At(const DibImage &image, int32_t x, int32_t y, int32_t channel = 0) {
  return Row<T>(image, y)[x * (image.bytesPerPixel() / int32_t(sizeof(T))) + channel];
}

// Fills every byte (padding included) with a repeatable pattern.
inline void Scribble(DibImage &image, uint32_t seed) {
  for (std::size_t i = 0; i < image.sizeBytes(); ++i)
    image.bits()[i] = uint8_t((i * 2654435761u + seed) >> 13);
}

inline std::vector<uint8_t> Snapshot(const DibImage &image) {
  return {image.bits(), image.bits() + image.sizeBytes()};
}

}  // namespace velmor::imaging::testing
