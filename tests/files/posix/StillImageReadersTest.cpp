// Still image files on POSIX: a full device fails every format, and an
// independent reader (Python's Pillow, where installed) opens one file of
// each format the way the codec decoders do.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "files/StillImage.h"
#include "imaging/DibImage.h"

namespace velmor::files {
namespace {

constexpr int32_t kWidth = 41;
constexpr int32_t kHeight = 17;

// 12-bit samples, (x * 97 + y * 13) mod 4096: first and last pixels differ.
void FillGrey(imaging::DibImage &image, int32_t bits) {
  ASSERT_TRUE(image.Create(kWidth, kHeight, bits));
  for (int32_t y = 0; y < kHeight; ++y)
    for (int32_t x = 0; x < kWidth; ++x) {
      const uint16_t v = uint16_t((x * 97 + y * 13) % 4096);
      uint8_t *at = image.bits() + std::size_t(y) * image.stride() + std::size_t(x) * bits / 8;
      if (bits == 8) {
        at[0] = uint8_t(v >> 4);
      } else {
        at[0] = uint8_t(v);
        at[1] = uint8_t(v >> 8);
      }
    }
}

TEST(StillImageFullDiskTest, EveryFormatFailsOnAFullDevice) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  imaging::DibImage image;
  FillGrey(image, 16);
  for (int32_t type = 0; type <= 6; ++type)
    EXPECT_EQ(SaveImageFile("/dev/full", image, type, 12), 0) << "file type " << type;
}

struct PipeCloser {
  void operator()(std::FILE *pipe) const { pclose(pipe); }
};

// Runs `script` with `arguments` in Debian's python3 (where python3-pil puts
// Pillow) or else the first python3 on the path; what it printed, or nothing
// when neither has Pillow.
std::string RunPillow(const std::string &script, const std::string &arguments) {
  for (const char *python : {"/usr/bin/python3", "python3"}) {
    const std::string command =
        std::string(python) + " -c '" + script + "' " + arguments + " 2>/dev/null";
    std::unique_ptr<std::FILE, PipeCloser> pipe(popen(command.c_str(), "r"));
    if (!pipe) continue;
    std::string output;
    char chunk[256];
    while (std::fgets(chunk, sizeof chunk, pipe.get()) != nullptr) output += chunk;
    if (!output.empty() && output != "missing\n") return output;
  }
  return {};
}

TEST(StillImageIndependentReaderTest, PillowOpensOneFileOfEachFormat) {
  const auto dir = std::filesystem::temp_directory_path() / "velmor-pillow";
  std::filesystem::create_directories(dir);
  imaging::DibImage grey8, grey16;
  FillGrey(grey8, 8);
  FillGrey(grey16, 16);
  const std::string bmp = (dir / "a.bmp").string(), jpeg = (dir / "a.jpg").string(),
                    png = (dir / "a.png").string(), tiff = (dir / "a.tif").string();
  ASSERT_EQ(SaveImageFile(bmp.c_str(), grey8, int32_t(StillImageType::kBmp), 12), 1);
  ASSERT_EQ(SaveImageFile(jpeg.c_str(), grey16, int32_t(StillImageType::kJpegQuality100), 12), 1);
  ASSERT_EQ(SaveImageFile(png.c_str(), grey16, int32_t(StillImageType::kPng), 12), 1);
  ASSERT_EQ(SaveImageFile(tiff.c_str(), grey16, int32_t(StillImageType::kTiff), 12), 1);

  // Format, mode (a grey-ramp BMP reads as grey), size, the first and the last pixel, and the progressive
  // flag, one file a line.
  const std::string script =
      "import sys\n"
      "try:\n"
      "  from PIL import Image\n"
      "except ImportError:\n"
      "  print(\"missing\"); sys.exit()\n"
      "for p in sys.argv[1:]:\n"
      "  im = Image.open(p)\n"
      "  w, h = im.size\n"
      "  print(im.format, im.mode, w, h, im.getpixel((0, 0)), im.getpixel((w - 1, h - 1)),"
      " int(bool(im.info.get(\"progressive\"))))\n";
  const std::string output =
      RunPillow(script, "'" + bmp + "' '" + jpeg + "' '" + png + "' '" + tiff + "'");
  if (output.empty()) GTEST_SKIP() << "python3 with Pillow not installed";

  const uint32_t first = 0, last = ((kWidth - 1) * 97 + (kHeight - 1) * 13) % 4096;
  char expected[512];
  std::snprintf(expected, sizeof expected,
                "BMP L %d %d %u %u 0\n"
                "JPEG L %d %d %u %u 1\n"
                "PNG I %d %d %u %u 0\n"
                "TIFF I;16 %d %d %u %u 0\n",
                kWidth, kHeight, first >> 4, last >> 4, kWidth, kHeight, first >> 4, last >> 4,
                kWidth, kHeight, first, last, kWidth, kHeight, first, last);
  EXPECT_EQ(output, expected);
}

}  // namespace
}  // namespace velmor::files
