// velmor: command-line tool over the Velmor SDK.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Tool.h"

#if defined(_WIN32)
#include <process.h>
#else
#include <unistd.h>
#endif

namespace {

constexpr char kGlobalUsage[] =
    "usage: velmor [--camera N] [--depth 8|16] <command> [arguments]\n"
    "       velmor --version | --help | <command> --help\n"
    "options:\n"
    "  --camera N    the camera to use (default 0)\n"
    "  --depth 8|16  bits per pixel of the images (default 8)\n"
    "  --window X,Y,W,H  readout window: start column and row, width, height\n"
    "commands:\n";

void PrintUsage(std::FILE *out) {
  std::fputs(kGlobalUsage, out);
  for (const tool::Command &command : tool::Commands())
    std::fprintf(out, "  %-8s %s\n", command.name, command.summary);
}

int PrintVersion() {
  const auto version = static_cast<uint32_t>(Velmor_GetDllVersion());
  std::printf("VelmorSdk_S10PX version 0x%04X.0x%04X (%u)\n", version >> 16, version & 0xFFFFu,
              version);
  return tool::kOk;
}

// The demo runs on an emulated camera when no real one is attached. The
// library reads the emulator's variable once, so the tool starts itself
// again with it set.
int RestartWithEmulatedCamera(char **argv) {
  std::printf("no camera attached: using an emulated one\n");
  std::fflush(stdout);
#if defined(_WIN32)
  _putenv("VELMOR_EMULATED_CAMERAS=1");
  return int(_spawnv(_P_WAIT, argv[0], argv));
#else
  setenv("VELMOR_EMULATED_CAMERAS", "1", 1);
  execv("/proc/self/exe", argv);
  std::perror("velmor: cannot restart with an emulated camera");
  return tool::kFailed;
#endif
}

bool NoCameraAttached() {
  if (std::getenv("VELMOR_EMULATED_CAMERAS") != nullptr) return false;
  tool::Session probe;
  return probe.Cameras().empty();
}

}  // namespace

int main(int argc, char **argv) {
  tool::Options options;
  const tool::Command *command = nullptr;
  bool help = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      help = true;
    } else if (arg == "--version") {
      return PrintVersion();
    } else if (arg == "--camera" || arg == "--depth") {
      int32_t value = 0;
      if (i + 1 >= argc || !tool::ParseInt(argv[i + 1], value) || value < 0 ||
          (arg == "--depth" && value != 8 && value != 16)) {
        std::fprintf(stderr, "velmor: %s needs %s\n", arg.c_str(),
                     arg == "--camera" ? "a camera number" : "8 or 16");
        return tool::kUsage;
      }
      (arg == "--camera" ? options.camera : options.depth) = value;
      ++i;
    } else if (arg == "--window") {
      int32_t *window = options.window;
      char tail = 0;
      if (i + 1 >= argc ||
          std::sscanf(argv[i + 1], "%d,%d,%d,%d%c", &window[0], &window[1], &window[2],
                      &window[3], &tail) != 4 ||
          window[2] <= 0 || window[3] <= 0) {
        std::fprintf(stderr, "velmor: --window needs X,Y,W,H\n");
        return tool::kUsage;
      }
      ++i;
    } else if (command == nullptr) {
      for (const tool::Command &candidate : tool::Commands())
        if (arg == candidate.name) command = &candidate;
      if (command == nullptr) {
        std::fprintf(stderr, "velmor: unknown command '%s'\n", arg.c_str());
        PrintUsage(stderr);
        return tool::kUsage;
      }
    } else {
      options.args.push_back(arg);
    }
  }
  if (command == nullptr) {
    PrintUsage(help ? stdout : stderr);
    return help ? tool::kOk : tool::kUsage;
  }
  if (help) {
    std::fputs(command->usage, stdout);
    return tool::kOk;
  }
  if (command->run == tool::RunDemo && NoCameraAttached()) return RestartWithEmulatedCamera(argv);
  return command->run(options);
}
