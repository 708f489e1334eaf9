// velmor: command-line tool over the Velmor SDK.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Tool.h"

#if defined(_WIN32)
#include <process.h>
#else
#include <unistd.h>
#endif

namespace {

int PrintVersion() {
  const auto version = static_cast<uint32_t>(Velmor_GetDllVersion());
  std::printf("VelmorSdk_S10PX version 0x%04X.0x%04X (%u)\n", version >> 16, version & 0xFFFFu,
              version);
  return 0;
}

void PrintUsage(std::FILE *out) {
  std::fprintf(out,
               "usage: velmor <command> [options]   (velmor <command> --help for more)\n"
               "  version              print the library version (the default)\n"
               "  demo                 stream 100 frames and take a snapshot\n"
               "  list                 list the connected cameras\n"
               "  info [N]             information and serial number of camera N\n"
               "  snap [--count N] [--bits 8|16]\n"
               "                       take snapshots and print their statistics\n");
}

// The demo runs on an emulated camera when no real one is attached. The
// library reads the emulator's variable once, so the tool starts itself
// again with it set.
int RunDemoWithCamera(int argc, char **argv) {
  if (std::getenv("VELMOR_EMULATED_CAMERAS") == nullptr) {
    bool attached = false;
    {
      tool::Session probe;
      attached = !probe.Cameras().empty();
    }
    if (!attached) {
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
  }
  return tool::RunDemo(argc - 1, argv + 1);
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 2 || std::strcmp(argv[1], "version") == 0) return PrintVersion();
  const char *command = argv[1];
  if (std::strcmp(command, "--help") == 0 || std::strcmp(command, "-h") == 0) {
    PrintUsage(stdout);
    return tool::kOk;
  }
  if (std::strcmp(command, "demo") == 0) return RunDemoWithCamera(argc, argv);
  if (std::strcmp(command, "list") == 0) return tool::RunList(argc - 1, argv + 1);
  if (std::strcmp(command, "info") == 0) return tool::RunInfo(argc - 1, argv + 1);
  if (std::strcmp(command, "snap") == 0) return tool::RunSnap(argc - 1, argv + 1);
  std::fprintf(stderr, "velmor: unknown command '%s'\n", command);
  PrintUsage(stderr);
  return tool::kUsage;
}
