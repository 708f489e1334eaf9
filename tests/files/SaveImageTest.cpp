// Velmor_SaveImage(W) through emulated cameras with the ramp picture, where
// sample (x, y) of the sensor is (x + 16 y) mod 4096: what the session
// refuses, the camera's frame in every format, and saving while the preview
// runs.
#include <filesystem>
#include <string>

#include "../session/SessionFixture.h"
#include "Decoders.h"

namespace velmor {
namespace {

constexpr int32_t kSide = 640;  // a small centred readout window keeps frames cheap
constexpr int32_t kStart = (2848 - kSide) / 2;

uint32_t Ramp(int32_t x, int32_t y) { return uint32_t((x + 16 * y) % 4096); }

std::string TempPath(const std::string &name) {
  const auto dir = std::filesystem::temp_directory_path() / "velmor-save-image";
  std::filesystem::create_directories(dir);
  return (dir / name).string();
}

class SaveImageTest : public SessionFixture {
 protected:
  int32_t OpenCamera(int32_t bits, int fps = 0) {
    const int32_t handle = SessionFixture::OpenCamera(bits, fps);
    Centre(handle, kSide);
    return handle;
  }
};

TEST_F(SaveImageTest, NothingIsSavedWithoutACameraOrBeforeTheFirstFrame) {
  const std::string path = TempPath("refused.png");
  std::filesystem::remove(path);
  EXPECT_EQ(Velmor_SaveImage(12345, path.c_str(), VELMOR_FILE_PNG), 0) << "unknown handle";
  const int32_t alone = Open();
  EXPECT_EQ(Velmor_SaveImage(alone, path.c_str(), VELMOR_FILE_PNG), 0);
  EXPECT_EQ(Errors(alone), std::vector<int32_t>{VELMOR_ERROR_NO_CAMERA});

  const int32_t handle = OpenCamera(8);
  EXPECT_EQ(Velmor_SaveImage(handle, path.c_str(), VELMOR_FILE_PNG), 0);
  EXPECT_EQ(Errors(handle), std::vector<int32_t>{VELMOR_ERROR_NO_CAMERA});
  ASSERT_EQ(Velmor_SnapShot(handle, nullptr, 0, 1), 1);
  ASSERT_EQ(Velmor_Close(handle), 1);
  EXPECT_EQ(Velmor_SaveImage(handle, path.c_str(), VELMOR_FILE_PNG), 0) << "Close forgets it";
  EXPECT_EQ(Errors(handle), std::vector<int32_t>{VELMOR_ERROR_NO_CAMERA});
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(SaveImageTest, TheCamerasTwelveBitFrameInEveryFormat) {
  const int32_t handle = OpenCamera(16);
  ASSERT_EQ(Velmor_SnapShot(handle, nullptr, 0, 1), 1);
  for (int32_t type = VELMOR_FILE_BMP; type <= VELMOR_FILE_TIFF; ++type) {
    const std::string path = TempPath("frame." + std::to_string(type));
    EXPECT_EQ(Velmor_SaveImage(handle, path.c_str(), type), 1) << type;
  }
  EXPECT_EQ(Velmor_SaveImage(handle, TempPath("frame.7").c_str(), 7), 0);
  EXPECT_FALSE(std::filesystem::exists(TempPath("frame.7")));
  EXPECT_EQ(Errors(handle), std::vector<int32_t>{}) << "file failures record nothing";

  // PNG and TIFF keep the delivered samples; JPEG takes their top eight bits
  // (the ramp's steps of 16 per row are edges JPEG smooths, so only rows
  // without a wrap are compared).
  const auto png = files::readback::DecodePng(TempPath("frame.5"));
  const auto tiff = files::readback::DecodeTiff(TempPath("frame.6"));
  const auto jpeg = files::readback::DecodeJpeg(TempPath("frame.2"));
  for (const auto *file : {&png, &tiff, &jpeg}) {
    ASSERT_TRUE(file->ok);
    EXPECT_EQ(file->width, kSide);
    EXPECT_EQ(file->height, kSide);
    EXPECT_EQ(file->channels, 1);
  }
  EXPECT_EQ(png.bitsPerSample, 16);
  EXPECT_EQ(tiff.bitsPerSample, 16);
  EXPECT_TRUE(jpeg.jpegProgressive);
  for (int32_t y = 0; y < kSide; ++y)
    for (int32_t x = 0; x < kSide; ++x) {
      const std::size_t i = std::size_t(y) * kSide + x;
      const uint32_t sample = Ramp(kStart + x, kStart + y);
      ASSERT_EQ(png.samples[i], sample) << x << ", " << y;
      ASSERT_EQ(tiff.samples[i], sample) << x << ", " << y;
    }
  const uint32_t jpegFirst = jpeg.samples[std::size_t(kSide) / 2];
  EXPECT_NEAR(jpegFirst, Ramp(kStart + kSide / 2, kStart) >> 4, 3) << "the first row is first";
}

TEST_F(SaveImageTest, WidePathsConvertOrRecordCodeTwelve) {
  const int32_t handle = OpenCamera(8);
  ASSERT_EQ(Velmor_SnapShot(handle, nullptr, 0, 1), 1);
  const std::string path = TempPath("wide.bmp");
  std::filesystem::remove(path);
  const std::wstring wide(path.begin(), path.end());
  EXPECT_EQ(Velmor_SaveImageW(handle, wide.c_str(), VELMOR_FILE_BMP), 1);
  EXPECT_EQ(std::filesystem::file_size(path), 1078u + kSide * kSide);

  EXPECT_EQ(Velmor_SaveImageW(handle, nullptr, VELMOR_FILE_BMP), 0);
  EXPECT_EQ(Velmor_SaveImageW(handle, std::wstring(1024, L'a').c_str(), VELMOR_FILE_BMP), 0)
      << "longer than the path buffer";
  EXPECT_EQ(Errors(handle),
            (std::vector<int32_t>{VELMOR_ERROR_CONVERSION, VELMOR_ERROR_CONVERSION}));
}

TEST_F(SaveImageTest, SavingDuringThePreviewKeepsTheFramesComing) {
  const int32_t handle = OpenCamera(16, 50);
  Session(handle).SetFrameTarget(frames, nullptr, 0, 0);
  ASSERT_EQ(Velmor_StartPreview(handle), 1);
  EXPECT_EQ(Next(frames).message, VELMOR_WM_FRAME);
  for (int32_t type : {VELMOR_FILE_JPEG_100, VELMOR_FILE_PNG, VELMOR_FILE_TIFF}) {
    EXPECT_EQ(Velmor_SaveImage(handle, TempPath("running").c_str(), type), 1) << type;
    for (int i = 0; i < 2; ++i) EXPECT_EQ(Next(frames).message, VELMOR_WM_FRAME) << type;
  }
  EXPECT_EQ(Velmor_StopPreview(handle), 1);
  EXPECT_EQ(Errors(handle), std::vector<int32_t>{});
}

}  // namespace
}  // namespace velmor
