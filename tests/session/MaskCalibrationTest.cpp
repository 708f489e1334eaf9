// Mask calibration through the exports against an emulated sensor with
// fixed-pattern faults: references captured with the lens capped and under a
// flat light flatten another flat light and repair the defect pixels; mask
// files round-trip and bad ones change nothing; configuration files.
#include <cmath>
#include <filesystem>
#include <fstream>

#include "SessionFixture.h"
#include "emulator/Scene.h"

namespace velmor {
namespace {

namespace fs = std::filesystem;

constexpr int32_t kSide = 2848;
constexpr int kCapped = 2, kFlat = 3;

class MaskCalibrationTest : public SessionFixture {
 protected:
  void SetUp() override {
    SessionFixture::SetUp();
    dir_ = fs::temp_directory_path() /
           ("velmor-mask-" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    SessionFixture::TearDown();
    fs::remove_all(dir_);
  }
  std::string PathOf(const char *name) const { return (dir_ / name).string(); }
  static std::vector<uint8_t> Bytes(const std::string &path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::vector<uint8_t> bytes(in ? std::size_t(in.tellg()) : 0);
    in.seekg(0);
    in.read(reinterpret_cast<char *>(bytes.data()), std::streamsize(bytes.size()));
    return bytes;
  }
  static void Write(const std::string &path, const std::vector<uint8_t> &bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
  }

  // A session on one emulated camera at `bits` per pixel.
  int32_t StartSession(int32_t bits) {
    Hub().SetDefaults(emulator::Pattern::Scene, 0);
    AddCameras(1);
    const int32_t handle = Open();
    EXPECT_EQ(Velmor_SetColorMode(handle, bits), 1);
    return handle;
  }
  static void Show(int pattern, int level = 2000) {
    ASSERT_EQ(Velmor_EmulatorSet(0, "pattern", pattern), 1);
    ASSERT_EQ(Velmor_EmulatorSet(0, "level", level), 1);
  }
  // One frame, top row first, as samples.
  static std::vector<int32_t> Shoot(int32_t handle, int32_t bits, int32_t side = kSide) {
    std::vector<uint8_t> buffer(std::size_t(side) * side * (bits / 8));
    EXPECT_EQ(Velmor_SnapShot(handle, buffer.data(), int32_t(buffer.size()), 1), 1)
        << Velmor_GetLastError(handle);
    std::vector<int32_t> samples(std::size_t(side) * side);
    for (std::size_t i = 0; i < samples.size(); ++i)
      samples[i] = bits == 8 ? buffer[i] : buffer[2 * i] | buffer[2 * i + 1] << 8;
    return samples;
  }
  // Standard deviation over mean, eight pixels in from the edges.
  static double NonUniformity(const std::vector<int32_t> &frame) {
    double sum = 0, squares = 0, count = 0;
    for (int32_t y = 8; y < kSide - 8; ++y)
      for (int32_t x = 8; x < kSide - 8; ++x) {
        const double v = frame[std::size_t(y) * kSide + x];
        sum += v;
        squares += v * v;
        ++count;
      }
    const double mean = sum / count;
    return std::sqrt(squares / count - mean * mean) / mean;
  }

  fs::path dir_;
};

class Calibration : public MaskCalibrationTest, public ::testing::WithParamInterface<int32_t> {};

TEST_P(Calibration, FlattensAnotherFlatLightAndRepairsEveryDefectPixel) {
  const int32_t bits = GetParam();
  const int32_t handle = StartSession(bits);
  Show(kCapped);
  Shoot(handle, bits);
  ASSERT_EQ(Velmor_UpdateMaskData(handle, 0), 1) << Velmor_GetLastError(handle);
  Show(kFlat, 3400);
  Shoot(handle, bits);
  ASSERT_EQ(Velmor_UpdateMaskData(handle, 1), 1) << Velmor_GetLastError(handle);

  Show(kFlat, 2300);
  const double before = NonUniformity(Shoot(handle, bits));
  EXPECT_GT(before, 0.05);
  ASSERT_EQ(Session(handle).SetMaskFilter(1), 1);
  ASSERT_EQ(Session(handle).SetDotFilter(1), 1);
  const std::vector<int32_t> frame = Shoot(handle, bits);
  const double after = NonUniformity(frame);
  EXPECT_LT(after, 0.005) << "before " << before;

  const auto at = [&](int32_t x, int32_t y) { return frame[std::size_t(y) * kSide + x]; };
  const int32_t level = at(kSide / 2, kSide / 2);
  for (const auto &pixels : {emulator::kHotPixels, emulator::kDeadPixels})
    for (const emulator::PixelAt &p : pixels) {
      EXPECT_NE(Session(handle).maskCorrection().DefectAt(bits, p.x, p.y), 0);
      EXPECT_NEAR(at(p.x, p.y), level, level * 0.02) << p.x << "," << p.y;
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, Calibration, ::testing::Values(8, 16));

TEST_F(MaskCalibrationTest, OnlyFullSizeFramesOfKnownKindsAreCaptured) {
  const int32_t handle = StartSession(8);
  Show(kCapped);
  Shoot(handle, 8);
  EXPECT_EQ(Velmor_UpdateMaskData(handle, 2), 0);
  EXPECT_EQ(Errors(handle), std::vector<int32_t>{VELMOR_ERROR_CONVERSION});
  ASSERT_EQ(Velmor_UpdateMaskData(handle, 0), 1);
  const imaging::MaskCorrection &mask = Session(handle).maskCorrection();
  EXPECT_EQ(mask.DefectAt(8, 100, 200), imaging::mask::kHotBit);

  // A flat light through the skipping readout: a capture would clear the
  // hot map, but nothing is captured.
  Show(kFlat);
  ASSERT_EQ(Velmor_SetSubSample(handle, 1), 1);
  Shoot(handle, 8, kSide / 2);
  EXPECT_EQ(Velmor_UpdateMaskData(handle, 0), 0);
  EXPECT_EQ(Errors(handle), std::vector<int32_t>{VELMOR_ERROR_CONVERSION});
  EXPECT_EQ(mask.DefectAt(8, 100, 200), imaging::mask::kHotBit);
}

TEST_F(MaskCalibrationTest, MaskFilesRoundTripAndBadOnesChangeNothing) {
  const std::string saved = PathOf("saved.msk");
  {
    const int32_t handle = StartSession(8);
    Show(kCapped);
    Shoot(handle, 8);
    ASSERT_EQ(Velmor_UpdateMaskData(handle, 0), 1);
    Write(saved, {});
    fs::resize_file(saved, 50'000'000);  // longer than a mask file
    ASSERT_EQ(Velmor_SaveMaskFile(handle, saved.c_str()), 1);
    Velmor_Release(handle);
  }
  const std::vector<uint8_t> original = Bytes(saved);
  ASSERT_EQ(original.size(), 48'666'664u);

  // A new session loads it, maps and all, and writes the same bytes.
  const int32_t handle = Open();
  ASSERT_EQ(Velmor_LoadMaskFile(handle, saved.c_str()), 1) << Velmor_GetLastError(handle);
  EXPECT_EQ(Session(handle).maskCorrection().DefectAt(8, 100, 200), imaging::mask::kHotBit);
  const std::string again = PathOf("again.msk");
  ASSERT_EQ(Velmor_SaveMaskFileW(handle, fs::path(again).wstring().c_str()), 1);
  EXPECT_TRUE(Bytes(again) == original);

  // Foreign and short files (the reader's own tests go through every field).
  std::vector<uint8_t> foreign = original;
  foreign[14] = '1';  // "BREVAN MASK1001"
  Write(PathOf("foreign"), foreign);
  Write(PathOf("short"), std::vector<uint8_t>(original.begin(), original.begin() + 4096));
  EXPECT_EQ(Velmor_LoadMaskFile(handle, PathOf("foreign").c_str()), 0);
  EXPECT_EQ(Velmor_LoadMaskFile(handle, PathOf("short").c_str()), 0);
  EXPECT_EQ(Velmor_LoadMaskFile(handle, PathOf("missing").c_str()), 0);
  EXPECT_EQ(Velmor_LoadMaskFile(handle, std::string(5000, 'a').c_str()), 0);
  EXPECT_EQ(Velmor_LoadMaskFileW(handle, std::wstring(5000, L'a').c_str()), 0);
  EXPECT_EQ(Velmor_SaveMaskFile(handle, (dir_ / "no" / "such.msk").string().c_str()), 0);
  EXPECT_EQ(Errors(handle), std::vector<int32_t>(6, VELMOR_ERROR_MASK_FILE));
  EXPECT_EQ(Velmor_LoadMaskFileW(handle, L"\x4E2D.msk"), 0);
  EXPECT_EQ(Velmor_LoadMaskFileW(handle, nullptr), 0);
  EXPECT_EQ(Errors(handle), std::vector<int32_t>(2, VELMOR_ERROR_CONVERSION));

  ASSERT_EQ(Velmor_SaveMaskFile(handle, again.c_str()), 1);
  EXPECT_TRUE(Bytes(again) == original) << "the references stayed as they were";
}

TEST_F(MaskCalibrationTest, ConfigurationFilesReplaceTheListWithWholeRecords) {
  const int32_t handle = Open();
  const std::string twenty = PathOf("twenty.cfg"), empty = PathOf("empty.cfg");
  Write(twenty,
        {1, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF, 0x78, 0x56, 0x34, 0x12, 9, 0, 0, 0, 5, 5, 5, 5});
  Write(empty, {});
  ASSERT_EQ(Velmor_LoadConfigFileA(handle, twenty.c_str()), 1);
  const std::vector<ConfigPair> pairs = {{1, -2}, {0x12345678, 9}};
  EXPECT_EQ(Session(handle).configList(), pairs);
  EXPECT_EQ(Velmor_LoadConfigFileA(handle, PathOf("missing").c_str()), 0);
  EXPECT_EQ(Session(handle).configList(), pairs);
  ASSERT_EQ(Velmor_LoadConfigFileW(handle, fs::path(empty).wstring().c_str()), 1);
  EXPECT_TRUE(Session(handle).configList().empty());
  EXPECT_TRUE(Errors(handle).empty());
}

}  // namespace
}  // namespace velmor
