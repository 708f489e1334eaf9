// velmor: command-line tool over the Velmor SDK.
#include <cstdio>
#include <cstring>

#include "velmor/velmor.h"

namespace {

int PrintVersion() {
  const auto version = static_cast<uint32_t>(Velmor_GetDllVersion());
  std::printf("VelmorSdk_S10PX version 0x%04X.0x%04X (%u)\n", version >> 16, version & 0xFFFFu,
              version);
  return 0;
}

void PrintUsage(std::FILE *out) {
  std::fprintf(out,
               "usage: velmor [version]\n"
               "  version   print the library version (the default)\n");
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 2 || std::strcmp(argv[1], "version") == 0) return PrintVersion();
  if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    PrintUsage(stdout);
    return 0;
  }
  std::fprintf(stderr, "velmor: unknown command '%s'\n", argv[1]);
  PrintUsage(stderr);
  return 2;
}
