// The command table and the commands that look at cameras: list, info and
// the demo.
#include <cstdio>
#include <string>
#include <vector>

#include "Tool.h"

namespace tool {
namespace {

constexpr int kDemoFrames = 100;
constexpr char kDemoImage[] = "velmor-demo.png";

constexpr char kListUsage[] =
    "usage: velmor list\n"
    "  Prints the number and name of every connected camera.\n";
constexpr char kInfoUsage[] =
    "usage: velmor info [N]\n"
    "  Prints the name, information and serial number of camera N (default: --camera).\n";
constexpr char kDemoUsage[] =
    "usage: velmor demo [-o FILE.png]\n"
    "  Lists the cameras, prints the first one's information, streams 100 frames,\n"
    "  takes one snapshot and writes it as a PNG (default velmor-demo.png). Without\n"
    "  a real camera it runs on an emulated one.\n";

}  // namespace

const std::vector<Command> &Commands() {
  static const std::vector<Command> table = {
      {"list", "list the connected cameras", kListUsage, RunList},
      {"info", "information and serial number of a camera", kInfoUsage, RunInfo},
      {"snap", "take snapshots and save them", kSnapUsage, RunSnap},
      {"record", "record an AVI file", kRecordUsage, RunRecord},
      {"get", "read a setting", kGetUsage, RunGet},
      {"set", "change a setting", kSetUsage, RunSet},
      {"reg", "read or write an FPGA, sensor or EEPROM register", kRegUsage, RunReg},
      {"mask", "capture, save and load the flat-field references", kMaskUsage, RunMask},
      {"stats", "stream frames and print the frame statistics", kStatsUsage, RunStats},
      {"bench", "measure the frame rate and the cost of a copy", kBenchUsage, RunBench},
      {"demo", "stream, snap and save a PNG (the default job)", kDemoUsage, RunDemo},
  };
  return table;
}

int RunList(const Options &options) {
  if (!options.args.empty()) return UsageError("list takes no arguments", kListUsage);
  Session session;
  const std::vector<std::string> cameras = session.Cameras();
  if (cameras.empty()) {
    std::fprintf(stderr, "velmor: no camera connected\n");
    return kNoCamera;
  }
  for (std::size_t i = 0; i < cameras.size(); ++i) std::printf("%zu  %s\n", i, cameras[i].c_str());
  return kOk;
}

int RunInfo(const Options &options) {
  int32_t number = options.camera;
  if (options.args.size() > 1) return UsageError("info takes one camera number", kInfoUsage);
  if (options.args.size() == 1 && (!ParseInt(options.args[0], number) || number < 0))
    return UsageError("'" + options.args[0] + "' is not a camera number", kInfoUsage);
  Session session;
  if (!session.Open(number, options)) return kNoCamera;
  std::printf("camera %d: %s\n", number, session.Cameras().at(std::size_t(number)).c_str());
  session.PrintInfo();
  return kOk;
}

int RunDemo(const Options &options) {
  std::string output = kDemoImage;
  if (options.args.size() == 2 && options.args[0] == "-o")
    output = options.args[1];
  else if (!options.args.empty())
    return UsageError("'" + options.args[0] + "' is not a demo argument", kDemoUsage);
  Session session;
  if (!session.Open(options)) return kNoCamera;
  const std::vector<std::string> cameras = session.Cameras();
  std::printf("%zu camera(s):\n", cameras.size());
  for (const std::string &name : cameras) std::printf("  %s\n", name.c_str());
  std::printf("%s:\n", cameras.at(std::size_t(options.camera)).c_str());
  session.PrintInfo();

  const int32_t handle = session.handle();
  // Frames as fast as the camera gives them, with no window.
  if (!Velmor_SetWaitTime(handle, 0) || !Velmor_SetPreviewWindow(handle, nullptr, 0, 0, 0, 0)) {
    std::fprintf(stderr, "velmor: cannot set the output format: %s\n", session.LastError().c_str());
    return kFailed;
  }
  int32_t width = 0, height = 0, bytes = 0;
  session.ImageSize(options.depth, width, height, bytes);
  std::printf("streaming %d frames of %d x %d:\n", kDemoFrames, width, height);
  const double fps = Stream(session, kDemoFrames);
  if (fps < 0) return kFailed;
  std::printf("  %.1f frames per second\n", fps);
  std::vector<uint8_t> image(static_cast<std::size_t>(bytes));
  if (!Velmor_SnapShot(handle, image.data(), bytes, 1)) {
    std::fprintf(stderr, "velmor: snapshot failed: %s\n", session.LastError().c_str());
    return kFailed;
  }
  const Stats stats = Measure(image.data(), width, height, options.depth);
  std::printf("snapshot %d x %d, %d bits: mean %.2f, min %u, max %u\n", width, height,
              options.depth, stats.mean, stats.min, stats.max);
  if (!SaveImage(session, output, kFilePng)) return kFailed;
  std::printf("wrote %s\n", output.c_str());
  return kOk;
}

}  // namespace tool
