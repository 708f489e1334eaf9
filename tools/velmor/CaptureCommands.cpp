// The commands that take frames: snap, record, stats and bench.
#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Tool.h"

namespace tool {

const char kSnapUsage[] =
    "usage: velmor snap [-n N] [-f bmp|raw|jpeg|png|tiff] -o FILE\n"
    "  Takes N snapshots (default 1), prints the statistics of each and saves them:\n"
    "  the last one as FILE, or with N > 1 each as FILE with its number before the\n"
    "  extension. Without -f the extension chooses the format.\n";
const char kRecordUsage[] =
    "usage: velmor record -t SECONDS -o FILE.avi\n"
    "  Records the live image for SECONDS into an uncompressed AVI file.\n";
const char kStatsUsage[] =
    "usage: velmor stats [-n FRAMES]\n"
    "  Streams FRAMES frames (default 50) and prints the frame statistics: frames\n"
    "  delivered, failed or lost by cause, and the frame rate.\n";
const char kBenchUsage[] =
    "usage: velmor bench [-n FRAMES]\n"
    "  Streams FRAMES frames (default 100) as fast as the camera gives them and\n"
    "  prints the frame rate and the time one image copy takes.\n";

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kFrameWait = std::chrono::seconds(10);

// The frame count of the running stream; the callback runs on the library's
// acquisition thread.
struct FrameCounter {
  std::mutex lock;
  std::condition_variable arrived;
  int frames = 0;
};

void CountFrame(int32_t, const VELMOR_FRAME_INFO *, void *user) {
  auto *counter = static_cast<FrameCounter *>(user);
  {
    std::lock_guard<std::mutex> hold(counter->lock);
    ++counter->frames;
  }
  counter->arrived.notify_all();
}

// -n N, or the default when absent; false when the option is wrong.
bool CountOption(const Options &options, int32_t &count, const char *usage, int &status) {
  for (std::size_t i = 0; i < options.args.size(); ++i) {
    const std::string &arg = options.args[i];
    if (arg == "-n" && i + 1 < options.args.size() && ParseInt(options.args[i + 1], count) &&
        count > 0) {
      ++i;
      continue;
    }
    status = UsageError("'" + arg + "' is not a valid argument here", usage);
    return false;
  }
  return true;
}

std::string Numbered(const std::string &path, int32_t number) {
  const std::size_t dot = path.find_last_of('.');
  const std::size_t slash = path.find_last_of("/\\");
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, "-%03d", number);
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
    return path + suffix;
  return path.substr(0, dot) + suffix + path.substr(dot);
}

}  // namespace

FileType FileTypeOf(const std::string &format, const std::string &path) {
  static const struct {
    const char *name;
    FileType type;
  } kNames[] = {{"bmp", kFileBmp},   {"raw", kFileRaw},  {"jpeg", kFileJpeg}, {"jpg", kFileJpeg},
                {"png", kFilePng},   {"tiff", kFileTiff}, {"tif", kFileTiff}};
  std::string name = format;
  if (name.empty()) {
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos) return kFileUnknown;
    name = path.substr(dot + 1);
  }
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  for (const auto &entry : kNames)
    if (name == entry.name) return entry.type;
  return kFileUnknown;
}

bool SaveImage(const Session &session, const std::string &path, FileType type) {
  if (Velmor_SaveImage(session.handle(), path.c_str(), type)) return true;
  std::fprintf(stderr, "velmor: cannot write %s: %s\n", path.c_str(), session.LastError().c_str());
  return false;
}

double Stream(const Session &session, int count) {
  FrameCounter counter;
  const int32_t handle = session.handle();
  if (!Velmor_SetFrameCallback(handle, CountFrame, &counter) ||
      !Velmor_CallBackPreview(handle, nullptr, nullptr, 0, 1)) {
    std::fprintf(stderr, "velmor: preview did not start: %s\n", session.LastError().c_str());
    Velmor_SetFrameCallback(handle, nullptr, nullptr);
    return -1;
  }
  const Clock::time_point start = Clock::now();
  int seen = 0;
  {
    std::unique_lock<std::mutex> hold(counter.lock);
    while (seen < count &&
           counter.arrived.wait_for(hold, kFrameWait, [&] { return counter.frames > seen; })) {
      seen = std::min(counter.frames, count);
      if (Interactive()) {
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        std::printf("\r  frame %3d/%d  %6.1f fps", seen, count, seen / seconds);
        std::fflush(stdout);
      }
    }
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  Velmor_StopPreview(handle);
  Velmor_SetFrameCallback(handle, nullptr, nullptr);
  if (Interactive()) std::printf("\n");
  if (seen < count) {
    std::fprintf(stderr, "velmor: only %d of %d frames arrived\n", seen, count);
    return -1;
  }
  return count / seconds;
}

int RunSnap(const Options &options) {
  int32_t count = 1;
  std::string format, output;
  const auto &args = options.args;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const bool hasValue = i + 1 < args.size();
    if (args[i] == "-n" && hasValue && ParseInt(args[i + 1], count) && count > 0)
      ++i;
    else if (args[i] == "-f" && hasValue && FileTypeOf(args[i + 1], "") != kFileUnknown)
      format = args[++i];
    else if (args[i] == "-o" && hasValue)
      output = args[++i];
    else
      return UsageError("'" + args[i] + "' is not a valid snap argument", kSnapUsage);
  }
  if (output.empty()) return UsageError("snap needs -o FILE", kSnapUsage);
  const FileType type = FileTypeOf(format, output);
  if (type == kFileUnknown)
    return UsageError("no format for '" + output + "': give -f bmp|raw|jpeg|png|tiff", kSnapUsage);

  Session session;
  if (!session.Open(options)) return kNoCamera;
  const int32_t handle = session.handle();
  if (!Velmor_Capture(handle)) {
    std::fprintf(stderr, "velmor: cannot prepare the camera: %s\n", session.LastError().c_str());
    return kFailed;
  }
  int32_t width = 0, height = 0, bytes = 0;
  session.ImageSize(options.depth, width, height, bytes);
  std::vector<uint8_t> image(static_cast<std::size_t>(bytes));
  for (int32_t shot = 1; shot <= count; ++shot) {
    if (!Velmor_SnapShot(handle, image.data(), bytes, 1)) {
      std::fprintf(stderr, "velmor: snapshot %d failed: %s\n", shot, session.LastError().c_str());
      return kFailed;
    }
    const Stats stats = Measure(image.data(), width, height, options.depth);
    const std::string path = count > 1 ? Numbered(output, shot) : output;
    std::printf("%s: %d x %d, %d bits: mean %.2f, min %u, max %u\n", path.c_str(), width, height,
                options.depth, stats.mean, stats.min, stats.max);
    if (!SaveImage(session, path, type)) return kFailed;
  }
  Velmor_StopPreview(handle);
  return kOk;
}

int RunRecord(const Options &options) {
  int32_t seconds = 0;
  std::string output;
  const auto &args = options.args;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const bool hasValue = i + 1 < args.size();
    if (args[i] == "-t" && hasValue && ParseInt(args[i + 1], seconds) && seconds > 0 &&
        seconds <= 24 * 3600)
      ++i;
    else if (args[i] == "-o" && hasValue)
      output = args[++i];
    else
      return UsageError("'" + args[i] + "' is not a valid record argument", kRecordUsage);
  }
  if (seconds == 0 || output.empty())
    return UsageError("record needs -t SECONDS and -o FILE.avi", kRecordUsage);
  Session session;
  if (!session.Open(options)) return kNoCamera;
  const int32_t handle = session.handle();
  Velmor_SetPreviewWindow(handle, nullptr, 0, 0, 0, 0);
  if (!Velmor_Record(handle, output.c_str(), seconds * 1000, 0)) {
    std::fprintf(stderr, "velmor: recording did not start: %s\n", session.LastError().c_str());
    return kFailed;
  }
  const Clock::time_point end = Clock::now() + std::chrono::seconds(seconds);
  while (Clock::now() < end) {
    if (Interactive()) {
      const auto left = std::chrono::duration_cast<std::chrono::seconds>(end - Clock::now());
      std::printf("\r  recording, %3lld s left", static_cast<long long>(left.count()));
      std::fflush(stdout);
    }
    std::this_thread::sleep_until(std::min(end, Clock::now() + std::chrono::seconds(1)));
  }
  // The recording ends itself at its time; the stop waits for it to finish
  // the file.
  Velmor_StopPreview(handle);
  if (Interactive()) std::printf("\n");
  std::printf("wrote %s\n", output.c_str());
  return kOk;
}

int RunStats(const Options &options) {
  int32_t count = 50;
  int status = kOk;
  if (!CountOption(options, count, kStatsUsage, status)) return status;
  Session session;
  if (!session.Open(options)) return kNoCamera;
  Velmor_SetPreviewWindow(session.handle(), nullptr, 0, 0, 0, 0);
  const double fps = Stream(session, count);
  VELMOR_STATISTICS stats{};
  stats.size = sizeof stats;
  if (!Velmor_GetStatistics(session.handle(), &stats)) {
    std::fprintf(stderr, "velmor: no statistics: %s\n", session.LastError().c_str());
    return kFailed;
  }
  std::printf("frames delivered   %llu\n", static_cast<unsigned long long>(stats.framesDelivered));
  std::printf("frames failed      %llu (header %llu, payload %llu, time-out %llu)\n",
              static_cast<unsigned long long>(stats.framesFailed),
              static_cast<unsigned long long>(stats.headerFailures),
              static_cast<unsigned long long>(stats.payloadFailures),
              static_cast<unsigned long long>(stats.timeouts));
  std::printf("host fell behind   %llu\n", static_cast<unsigned long long>(stats.framesBehind));
  std::printf("frame rate         %.1f fps\n", stats.fps);
  return fps < 0 ? kFailed : kOk;
}

int RunBench(const Options &options) {
  int32_t count = 100;
  int status = kOk;
  if (!CountOption(options, count, kBenchUsage, status)) return status;
  Session session;
  if (!session.Open(options)) return kNoCamera;
  const int32_t handle = session.handle();
  Velmor_SetWaitTime(handle, 0);
  Velmor_SetPreviewWindow(handle, nullptr, 0, 0, 0, 0);
  const double fps = Stream(session, count);
  if (fps < 0) return kFailed;
  int32_t width = 0, height = 0, bytes = 0;
  session.ImageSize(options.depth, width, height, bytes);
  std::vector<uint8_t> image(static_cast<std::size_t>(bytes));
  const Clock::time_point start = Clock::now();
  constexpr int kCopies = 10;
  for (int i = 0; i < kCopies; ++i)
    if (!Velmor_GetImage(handle, image.data(), bytes, 1)) {
      std::fprintf(stderr, "velmor: image copy failed: %s\n", session.LastError().c_str());
      return kFailed;
    }
  const double copyMs =
      std::chrono::duration<double, std::milli>(Clock::now() - start).count() / kCopies;
  std::printf("%d frames of %d x %d, %d bits: %.1f fps; one image copy %.2f ms\n", count, width,
              height, options.depth, fps, copyMs);
  return kOk;
}

}  // namespace tool
