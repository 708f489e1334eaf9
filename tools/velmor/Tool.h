// Pieces the velmor commands share: the options every command takes, an
// open camera session, its image geometry and messages for the user.
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

// Options every command takes, and the command's own arguments.
struct Options {
  int32_t camera = 0;
  int32_t depth = 8;
  // Readout window: start column, start row, width, height; width 0 keeps
  // the camera's stored window.
  int32_t window[4] = {0, 0, 0, 0};
  std::vector<std::string> args;
};

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
  // Opens the options' camera with their depth and window; prints why not
  // and returns false when it fails.
  bool Open(const Options &options) const { return Open(options.camera, options); }
  bool Open(int32_t number, const Options &options) const;
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

// True when standard output is a terminal: progress lines go there only.
bool Interactive();
// Prints `message` naming the wrong argument, then the usage; returns kUsage.
int UsageError(const std::string &message, const char *usage);
// An integer argument: decimal, or hexadecimal with 0x.
bool ParseInt(const std::string &text, int32_t &value);
// Streams `count` frames through the frame callback; the frames per second,
// or -1 when they did not all arrive.
double Stream(const Session &session, int count);

// One command: its name, a one-line summary, its usage text and its body.
struct Command {
  const char *name;
  const char *summary;
  const char *usage;
  int (*run)(const Options &options);
};
// The command table, in the order the help lists it.
const std::vector<Command> &Commands();

// Usage texts of the commands defined beside their bodies.
extern const char kSnapUsage[], kRecordUsage[], kStatsUsage[], kBenchUsage[];
extern const char kGetUsage[], kSetUsage[], kRegUsage[], kMaskUsage[];

// The file types of Velmor_SaveImage the tool writes (JPEG at quality 100).
enum FileType : int32_t {
  kFileBmp = VELMOR_FILE_BMP,
  kFileRaw = VELMOR_FILE_RAW,
  kFileJpeg = VELMOR_FILE_JPEG_100,
  kFilePng = VELMOR_FILE_PNG,
  kFileTiff = VELMOR_FILE_TIFF,
  kFileUnknown = -1,
};
// The file type a -f name or, without one, a file name's extension asks for.
FileType FileTypeOf(const std::string &format, const std::string &path);
// Saves the session's current image; prints why not and returns false when
// it fails.
bool SaveImage(const Session &session, const std::string &path, FileType type);

int RunDemo(const Options &options);
int RunList(const Options &options);
int RunInfo(const Options &options);
int RunSnap(const Options &options);
int RunRecord(const Options &options);
int RunStats(const Options &options);
int RunBench(const Options &options);
int RunGet(const Options &options);
int RunSet(const Options &options);
int RunReg(const Options &options);
int RunMask(const Options &options);

}  // namespace tool
