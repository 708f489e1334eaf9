// The commands: demo, list, info and snap.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Tool.h"

namespace tool {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kDemoFrames = 100;
constexpr int32_t kFrameWaitMs = 10000;

// Opens camera 0 (or `number`) of a new session; prints why not.
bool OpenCamera(Session &session, int32_t number) {
  if (session.handle() == 0) {
    std::fprintf(stderr, "velmor: the library could not make a session\n");
    return false;
  }
  if (session.Cameras().empty()) {
    std::fprintf(stderr, "velmor: no camera connected\n");
    return false;
  }
  return session.Select(number);
}

// Streams `count` frames into `buffer` through the callback preview,
// showing progress; the measured frames per second, or -1 on failure.
double Stream(const Session &session, std::vector<uint8_t> &buffer, int count) {
  VELMOR_HWND window = Velmor_CreateMessageWindow();
  const int32_t handle = session.handle();
  double fps = -1;
  if (Velmor_CallBackPreview(handle, window, buffer.data(), int32_t(buffer.size()), 1)) {
    const Clock::time_point start = Clock::now();
    int frames = 0;
    VELMOR_MSG message{};
    while (frames < count && Velmor_WaitMessage(window, &message, kFrameWaitMs)) {
      if (message.message != VELMOR_WM_FRAME) continue;
      if (message.wParam == 0) {
        std::fprintf(stderr, "\nvelmor: frame failed with code %ld\n", long(message.lParam));
        break;
      }
      ++frames;
      const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
      std::printf("\r  frame %3d/%d  %6.1f fps", frames, count, frames / seconds);
      std::fflush(stdout);
    }
    std::printf("\n");
    if (frames == count)
      fps = count / std::chrono::duration<double>(Clock::now() - start).count();
    else
      std::fprintf(stderr, "velmor: only %d of %d frames arrived\n", frames, count);
    Velmor_StopPreview(handle);
  } else {
    std::fprintf(stderr, "velmor: preview did not start: %s\n", session.LastError().c_str());
  }
  Velmor_DestroyMessageWindow(window);
  return fps;
}

void PrintStats(const char *label, const std::vector<uint8_t> &image, int32_t width, int32_t height,
                int32_t bits) {
  const Stats stats = Measure(image.data(), width, height, bits);
  std::printf("%s %d x %d, %d bits: mean %.2f, min %u, max %u\n", label, width, height, bits,
              stats.mean, stats.min, stats.max);
}

bool ParseInt(const char *text, int32_t &value) {
  char *end = nullptr;
  const long parsed = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || parsed < 0 || parsed > 1000000) return false;
  value = int32_t(parsed);
  return true;
}

}  // namespace

int RunDemo(int argc, char **argv) {
  if (WantsHelp(argc, argv,
                "usage: velmor demo\n"
                "  Lists the cameras, prints the first one's information, streams 100 frames\n"
                "  into a buffer, takes one snapshot and prints its statistics. Without a\n"
                "  real camera it runs on an emulated one.\n"))
    return kOk;
  Session session;
  if (!OpenCamera(session, 0)) return kNoCamera;
  const std::vector<std::string> cameras = session.Cameras();
  std::printf("%zu camera(s):\n", cameras.size());
  for (const std::string &name : cameras) std::printf("  %s\n", name.c_str());
  std::printf("%s:\n", cameras.front().c_str());
  session.PrintInfo();

  const int32_t handle = session.handle();
  // 8-bit frames as fast as the camera gives them, with no window.
  if (!Velmor_SetColorMode(handle, 8) || !Velmor_SetWaitTime(handle, 0) ||
      !Velmor_SetPreviewWindow(handle, nullptr, 0, 0, 0, 0)) {
    std::fprintf(stderr, "velmor: cannot set the output format: %s\n", session.LastError().c_str());
    return kFailed;
  }
  int32_t width = 0, height = 0, bytes = 0;
  session.ImageSize(8, width, height, bytes);
  std::vector<uint8_t> image(static_cast<std::size_t>(bytes));
  std::printf("streaming %d frames of %d x %d:\n", kDemoFrames, width, height);
  const double fps = Stream(session, image, kDemoFrames);
  if (fps < 0) return kFailed;
  std::printf("  %.1f frames per second\n", fps);
  if (!Velmor_SnapShot(handle, image.data(), bytes, 1)) {
    std::fprintf(stderr, "velmor: snapshot failed: %s\n", session.LastError().c_str());
    return kFailed;
  }
  PrintStats("last frame", image, width, height, 8);
  return kOk;
}

int RunList(int argc, char **argv) {
  if (WantsHelp(argc, argv, "usage: velmor list\n  Prints the names of the connected cameras.\n"))
    return kOk;
  Session session;
  const std::vector<std::string> cameras = session.Cameras();
  if (cameras.empty()) {
    std::fprintf(stderr, "velmor: no camera connected\n");
    return kNoCamera;
  }
  for (std::size_t i = 0; i < cameras.size(); ++i) std::printf("%zu  %s\n", i, cameras[i].c_str());
  return kOk;
}

int RunInfo(int argc, char **argv) {
  static const char usage[] =
      "usage: velmor info [N]\n"
      "  Prints the information and serial number of camera N (default 0).\n";
  if (WantsHelp(argc, argv, usage)) return kOk;
  int32_t number = 0;
  if (argc > 2 || (argc == 2 && !ParseInt(argv[1], number))) {
    std::fputs(usage, stderr);
    return kUsage;
  }
  Session session;
  if (!OpenCamera(session, number)) return kNoCamera;
  // The names are listed in device-number order.
  const std::vector<std::string> cameras = session.Cameras();
  if (std::size_t(number) < cameras.size())
    std::printf("%s:\n", cameras[std::size_t(number)].c_str());
  session.PrintInfo();
  return kOk;
}

int RunSnap(int argc, char **argv) {
  static const char usage[] =
      "usage: velmor snap [--count N] [--bits 8|16]\n"
      "  Takes N snapshots (default 1) of 8 or 16 bits per pixel (default 8) and\n"
      "  prints the statistics of each.\n";
  if (WantsHelp(argc, argv, usage)) return kOk;
  int32_t count = 1, bits = 8;
  for (int i = 1; i < argc; ++i) {
    int32_t *target = std::strcmp(argv[i], "--count") == 0  ? &count
                      : std::strcmp(argv[i], "--bits") == 0 ? &bits
                                                            : nullptr;
    if (target == nullptr || i + 1 >= argc || !ParseInt(argv[++i], *target)) {
      std::fputs(usage, stderr);
      return kUsage;
    }
  }
  if (count < 1 || (bits != 8 && bits != 16)) {
    std::fputs(usage, stderr);
    return kUsage;
  }
  Session session;
  if (!OpenCamera(session, 0)) return kNoCamera;
  const int32_t handle = session.handle();
  if (!Velmor_SetColorMode(handle, bits) || !Velmor_Capture(handle)) {
    std::fprintf(stderr, "velmor: cannot prepare the camera: %s\n", session.LastError().c_str());
    return kFailed;
  }
  int32_t width = 0, height = 0, bytes = 0;
  session.ImageSize(bits, width, height, bytes);
  std::vector<uint8_t> image(static_cast<std::size_t>(bytes));
  for (int32_t shot = 1; shot <= count; ++shot) {
    if (!Velmor_SnapShot(handle, image.data(), bytes, 1)) {
      std::fprintf(stderr, "velmor: snapshot %d failed: %s\n", shot, session.LastError().c_str());
      return kFailed;
    }
    PrintStats(("snapshot " + std::to_string(shot)).c_str(), image, width, height, bits);
  }
  Velmor_StopPreview(handle);
  return kOk;
}

}  // namespace tool
