// Pieces the velmor commands share: an open camera session, its image
// geometry and messages for the user.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "velmor/velmor.h"

namespace tool {

// Exit codes.
inline constexpr int kOk = 0;
inline constexpr int kFailed = 1;
inline constexpr int kUsage = 2;
inline constexpr int kNoCamera = 3;

// A session of the library, released when it goes.
class Session {
 public:
  Session() : handle_(Velmor_Initialize(nullptr)) {}
  ~Session() {
    if (handle_ != 0) Velmor_Release(handle_);
  }
  Session(const Session &) = delete;
  Session &operator=(const Session &) = delete;

  int32_t handle() const { return handle_; }
  // The names of the connected cameras.
  std::vector<std::string> Cameras() const;
  // Opens camera `number`; prints why not and returns false when it fails.
  bool Select(int32_t number) const;
  // Prints the camera information and the serial number.
  void PrintInfo() const;
  // Width, height and bytes of one delivered image at `bits` per pixel.
  void ImageSize(int32_t bits, int32_t &width, int32_t &height, int32_t &bytes) const;
  // The reason for the last failure, from the error history.
  std::string LastError() const;

 private:
  int32_t handle_;
};

struct Stats {
  double mean = 0;
  uint32_t min = 0, max = 0;
};
// Over the first `width` samples of every row.
Stats Measure(const uint8_t *image, int32_t width, int32_t height, int32_t bits);

int RunDemo(int argc, char **argv);
int RunList(int argc, char **argv);
int RunInfo(int argc, char **argv);
int RunSnap(int argc, char **argv);

// True when argv holds --help or -h; prints `usage` then.
bool WantsHelp(int argc, char **argv, const char *usage);

}  // namespace tool
