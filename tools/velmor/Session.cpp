#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <cstring>

#include "Tool.h"

#if defined(_WIN32)
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

namespace tool {

std::vector<std::string> Session::Cameras() const {
  static char names[10][256];
  const int32_t count = Velmor_EnumDevice(handle_, names);
  return std::vector<std::string>(names, names + std::max(count, 0));
}

bool Session::Open(int32_t number, const Options &options) const {
  if (handle_ == 0) {
    std::fprintf(stderr, "velmor: the library could not make a session\n");
    return false;
  }
  const std::vector<std::string> cameras = Cameras();
  if (number < 0 || std::size_t(number) >= cameras.size()) {
    std::fprintf(stderr, "velmor: no camera %d (%zu connected)\n", number, cameras.size());
    return false;
  }
  if (!Velmor_SetDeviceNumber(handle_, number)) {
    std::fprintf(stderr, "velmor: cannot open camera %d: %s\n", number, LastError().c_str());
    return false;
  }
  if (!Velmor_SetColorMode(handle_, options.depth)) {
    std::fprintf(stderr, "velmor: cannot set %d bits per pixel: %s\n", options.depth,
                 LastError().c_str());
    return false;
  }
  const int32_t *window = options.window;
  if (window[2] != 0 && !Velmor_SetCaptureWindowEx(handle_, 2848, window[0], window[2], 2848,
                                                   window[1], window[3])) {
    std::fprintf(stderr, "velmor: the window was rejected: %s\n", LastError().c_str());
    return false;
  }
  return true;
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
  return std::string(Velmor_GetErrorText(code)) + " (code " + std::to_string(code) + ")";
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

bool Interactive() { return isatty(fileno(stdout)) != 0; }

int UsageError(const std::string &message, const char *usage) {
  std::fprintf(stderr, "velmor: %s\n%s", message.c_str(), usage);
  return kUsage;
}

bool ParseInt(const std::string &text, int32_t &value) {
  if (text.empty()) return false;
  char *end = nullptr;
  errno = 0;
  const long long parsed = std::strtoll(text.c_str(), &end, 0);
  if (*end != '\0' || errno != 0 || parsed < INT32_MIN || parsed > INT32_MAX) return false;
  value = int32_t(parsed);
  return true;
}

}  // namespace tool
