// Reads still image files back with the codec libraries' own decoders (and
// the BMP layout by hand) into one shape: the header facts and every sample
// in file order, top row first, channels R, G, B, A or grey.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velmor::files::readback {

struct Decoded {
  bool ok = false;
  int32_t width = 0;
  int32_t height = 0;
  int32_t bitsPerSample = 0;
  int32_t channels = 0;
  int32_t pngColourType = -1;
  bool pngHasSignificantBits = false;
  bool jpegProgressive = false;
  double tiffMaxSampleValue = 0;
  int32_t tiffRowsPerStrip = 0;
  int32_t tiffCompression = 0;
  std::vector<uint32_t> samples;
};

Decoded DecodePng(const std::string &path);
Decoded DecodeJpeg(const std::string &path);
Decoded DecodeTiff(const std::string &path);

std::vector<uint8_t> ReadWholeFile(const std::string &path);

}  // namespace velmor::files::readback
