// Screenshots of test windows: written as 24-bit BMP files into the test
// output directory so a person can look at them, and a measure that tells a
// drawn window from an empty one.
#pragma once

#include <cstdint>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace velmor::test {

// Where tests leave files for people to look at.
inline std::string OutputPath(const std::string &name) {
  return std::string(VELMOR_TEST_OUTPUT_DIR) + "/" + name;
}

// 0x00RRGGBB pixels, top row first.
inline bool WriteBmp(const std::string &path, const std::vector<uint32_t> &pixels, int32_t width,
                     int32_t height) {
  const uint32_t stride = (uint32_t(width) * 3 + 3) & ~3u;
  const uint32_t imageSize = stride * uint32_t(height);
  uint8_t header[54] = {'B', 'M'};
  const auto put = [&](int offset, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) header[offset + i] = uint8_t(value >> (8 * i));
  };
  put(2, 54 + imageSize, 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, uint32_t(width), 4);
  put(22, uint32_t(height), 4);
  put(26, 1, 2);
  put(28, 24, 2);
  put(34, imageSize, 4);
  std::FILE *file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  bool ok = std::fwrite(header, 1, sizeof header, file) == sizeof header;
  std::vector<uint8_t> row(stride);
  for (int32_t y = height - 1; y >= 0 && ok; --y) {
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t p = pixels[size_t(y) * width + x];
      row[3 * x] = uint8_t(p);
      row[3 * x + 1] = uint8_t(p >> 8);
      row[3 * x + 2] = uint8_t(p >> 16);
    }
    ok = std::fwrite(row.data(), 1, stride, file) == stride;
  }
  return std::fclose(file) == 0 && ok;
}

// Distinct colours of a picture: an empty window has one or two, a drawn
// dialog with text dozens.
inline size_t DistinctColours(const std::vector<uint32_t> &pixels) {
  return std::set<uint32_t>(pixels.begin(), pixels.end()).size();
}

}  // namespace velmor::test
