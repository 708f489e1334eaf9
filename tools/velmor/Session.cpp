#include <algorithm>
#include <cstdio>
#include <cstring>

#include "Tool.h"

namespace tool {
namespace {

const char *ErrorText(int32_t code) {
  static const char *const texts[] = {"no error",
                                      "no camera engine, or not allowed in this state",
                                      "the camera is not present",
                                      "a thread could not start",
                                      "a window could not be made",
                                      "out of memory, or a buffer too small",
                                      "a camera register operation failed",
                                      "readout window rejected",
                                      "no frame arrived",
                                      "invalid argument",
                                      "unused",
                                      "not supported by this camera",
                                      "text conversion failed",
                                      "the frame transfer failed",
                                      "mask file error"};
  return code >= 0 && code < int32_t(std::size(texts)) ? texts[code] : "unknown error";
}

}  // namespace

std::vector<std::string> Session::Cameras() const {
  static char names[10][256];
  const int32_t count = Velmor_EnumDevice(handle_, names);
  return std::vector<std::string>(names, names + std::max(count, 0));
}

bool Session::Select(int32_t number) const {
  if (Velmor_SetDeviceNumber(handle_, number)) return true;
  std::fprintf(stderr, "velmor: cannot open camera %d: %s\n", number, LastError().c_str());
  return false;
}

void Session::PrintInfo() const {
  VELMOR_CAMERA_INFO info{};
  info.size = sizeof info;
  if (Velmor_GetCameraInfo(handle_, &info)) {
    std::printf("  sensor        %d x %d\n", info.maxWidth, info.maxHeight);
    std::printf("  gain          %d ... %d\n", info.gainMin, info.gainMax);
    std::printf("  exposure      %d ... %d (0.1 ms)\n", info.exposureMin, info.exposureMax);
    std::printf("  real exposure %g ... %g s\n", info.realExposureMin, info.realExposureMax);
  } else {
    std::printf("  camera information: %s\n", LastError().c_str());
  }
  char serial[32] = {};
  if (Velmor_ReadSerialNumberA(handle_, serial, sizeof serial))
    std::printf("  serial number %s\n", serial[0] ? serial : "(none)");
  else
    std::printf("  serial number: %s\n", LastError().c_str());
}

void Session::ImageSize(int32_t bits, int32_t &width, int32_t &height, int32_t &bytes) const {
  const int32_t mode = Velmor_GetSubSample(handle_);
  const int32_t divisor = mode == 1 || mode == 17 ? 2 : 1;
  width = Velmor_Width(handle_) / divisor;
  height = Velmor_Height(handle_) / divisor;
  bytes = ((width * bits / 8 + 3) & ~3) * height;
}

std::string Session::LastError() const {
  const int32_t code = Velmor_GetLastError(handle_);
  return std::string(ErrorText(code)) + " (code " + std::to_string(code) + ")";
}

Stats Measure(const uint8_t *image, int32_t width, int32_t height, int32_t bits) {
  Stats stats;
  if (width <= 0 || height <= 0) return stats;
  const int32_t bytes = bits / 8;
  const std::size_t stride = std::size_t((width * bytes + 3) & ~3);
  uint64_t sum = 0;
  uint32_t low = UINT32_MAX, high = 0;
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t *row = image + std::size_t(y) * stride;
    for (int32_t x = 0; x < width; ++x) {
      uint32_t v = row[x * bytes];
      if (bytes == 2) {
        uint16_t sample;
        std::memcpy(&sample, row + 2 * x, 2);
        v = sample;
      }
      sum += v;
      low = std::min(low, v);
      high = std::max(high, v);
    }
  }
  stats.mean = double(sum) / (double(width) * double(height));
  stats.min = low;
  stats.max = high;
  return stats;
}

bool WantsHelp(int argc, char **argv, const char *usage) {
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(usage, stdout);
      return true;
    }
  }
  return false;
}

}  // namespace tool
