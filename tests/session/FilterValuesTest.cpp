// The filter-value table through the exports on an emulated camera: ranges
// and codes, the packed and set-only rows, the engine's gains and exposure,
// camera functions, and the chain applied to the frames that reach the host.
#include <algorithm>
#include <cstdio>

#include "SessionFixture.h"
#include "imaging/ToneCurves.h"

namespace velmor {
namespace {

class FilterValuesTest : public SessionFixture {
 protected:
  static int32_t Value(int32_t handle, int32_t id, int32_t expectedOk = 1) {
    int32_t ok = -1;
    const int32_t value = Velmor_GetFilterValue(handle, id, &ok);
    EXPECT_EQ(ok, expectedOk) << "id " << id;
    return value;
  }
  static int32_t SensorByte(int address) {
    char key[16];
    std::snprintf(key, sizeof key, "sensor:%04x", address);
    int value = -1;
    EXPECT_TRUE(Hub().Camera(0)->Get(key, &value));
    return value;
  }
  // The newest entries of the error history, newest first, without popping.
  static std::vector<int32_t> Newest(int32_t handle, std::size_t count) {
    const auto entries = Session(handle).errorHistory().Entries();
    return {entries.begin(), entries.begin() + std::ptrdiff_t(count)};
  }
};

TEST_F(FilterValuesTest, StoredValuesTakeTheirRangesAndRefuseBeyondWithCode9) {
  const int32_t handle = OpenCamera();
  struct Row {
    int32_t id, min, max;
  };
  const Row rows[] = {
      {1, -255, 255}, {2, -127, 127},  {3, -360, 360},  {4, -255, 255}, {5, 0, 30}, {7, 0, 400},
      {8, 0, 400},    {9, 0, 400},     {11, 0, 200},    {12, 0, 3},     {19, 0, 2}, {20, 0, 255},
      {23, 0, 255},   {24, -255, 255}, {27, -255, 255}, {102, 0, 1},    {103, 0, 1}};
  for (const Row &row : rows) {
    SCOPED_TRACE(row.id);
    EXPECT_EQ(Velmor_SetFilterValue(handle, row.id, row.min), 1);
    EXPECT_EQ(Value(handle, row.id), row.min);
    EXPECT_EQ(Velmor_SetFilterValue(handle, row.id, row.max), 1);
    for (int32_t outside : {row.min - 1, row.max + 1}) {
      EXPECT_EQ(Velmor_SetFilterValue(handle, row.id, outside), 0);
      EXPECT_EQ(Errors(handle), std::vector<int32_t>{VELMOR_ERROR_ARGUMENT});
    }
    EXPECT_EQ(Value(handle, row.id), row.max) << "a refused value changes nothing";
  }
  EXPECT_EQ(Velmor_SetGamma(handle, 201), 0);
  EXPECT_EQ(Errors(handle), std::vector<int32_t>{VELMOR_ERROR_ARGUMENT});
}

TEST_F(FilterValuesTest, EveryWrapperAddressesItsIdentifier) {
  const int32_t handle = OpenCamera();
  struct Wrapper {
    int32_t id;
    int32_t (*set)(int32_t, int32_t);
    int32_t (*get)(int32_t, int32_t *);
  };
  const Wrapper wrappers[] = {
      {1, Velmor_SetBrightness, Velmor_GetBrightness},
      {2, Velmor_SetContrast, Velmor_GetContrast},
      {3, Velmor_SetHue, Velmor_GetHue},
      {4, Velmor_SetSaturation, Velmor_GetSaturation},
      {5, Velmor_SetSharpness, Velmor_GetSharpness},
      {7, Velmor_SetBayerGainRed, Velmor_GetBayerGainRed},
      {8, Velmor_SetBayerGainGreen, Velmor_GetBayerGainGreen},
      {9, Velmor_SetBayerGainBlue, Velmor_GetBayerGainBlue},
      {10, Velmor_SetBayerGainAuto, Velmor_GetBayerGainAuto},
      {11, Velmor_SetGamma, Velmor_GetGamma},
      {12, Velmor_SetBayerMode, Velmor_GetBayerMode},
      {19, Velmor_SetGrayMode, Velmor_GetGrayMode},
      {20, Velmor_SetGrayGainR, Velmor_GetGrayGainR},
      {21, Velmor_SetGrayGainG1, Velmor_GetGrayGainG1},
      {22, Velmor_SetGrayGainG2, Velmor_GetGrayGainG2},
      {23, Velmor_SetGrayGainB, Velmor_GetGrayGainB},
      {24, Velmor_SetGrayOffsetR, Velmor_GetGrayOffsetR},
      {25, Velmor_SetGrayOffsetG1, Velmor_GetGrayOffsetG1},
      {26, Velmor_SetGrayOffsetG2, Velmor_GetGrayOffsetG2},
      {27, Velmor_SetGrayOffsetB, Velmor_GetGrayOffsetB},
      {102, Velmor_SetDotFilter, Velmor_GetDotFilter},
      {103, Velmor_SetMaskFilter, Velmor_GetMaskFilter},
  };
  for (const Wrapper &w : wrappers) {
    EXPECT_EQ(w.set(handle, 1), 1) << w.id;
    EXPECT_EQ(Value(handle, w.id), 1) << w.id;
    EXPECT_EQ(Velmor_SetFilterValue(handle, w.id, 0), 1);
    int32_t ok = 0;
    EXPECT_EQ(w.get(handle, &ok), 0) << w.id;
    EXPECT_EQ(ok, 1);
  }
  EXPECT_EQ(Velmor_SetExposureTime(handle, 123), 1);
  EXPECT_EQ(Velmor_GetExposureTime(handle, nullptr), 123);
  EXPECT_EQ(Velmor_SetGlobalGain(handle, 7), 1);
  EXPECT_EQ(Velmor_GetGlobalGain(handle, nullptr), 7);
  EXPECT_EQ(Errors(handle), std::vector<int32_t>{});
  EXPECT_EQ(Velmor_GetBrightness(handle + 1000, nullptr), 0) << "unknown handle";
}

TEST_F(FilterValuesTest, PackedGainsFlagsAndSetOnlyRows) {
  const int32_t handle = OpenCamera();
  EXPECT_EQ(Velmor_SetBayerGainRGB(handle, int32_t(0x7F3C2A11)), 1);
  EXPECT_EQ(Value(handle, 7), 0x11);
  EXPECT_EQ(Value(handle, 8), 0x2A);
  EXPECT_EQ(Value(handle, 9), 0x3C);
  EXPECT_EQ(Velmor_SetBayerGainRed(handle, 300), 1);
  EXPECT_EQ(Value(handle, 6), 0x3C2A2C) << "each gain by its low eight bits";

  EXPECT_EQ(Velmor_SetBayerGainAuto(handle, -5), 1);
  EXPECT_EQ(Value(handle, 10), 1);

  EXPECT_EQ(Velmor_SetFilterValue(handle, 28, 1), 1);
  EXPECT_EQ(Velmor_SetFilterValue(handle, 28, 2), 0);
  EXPECT_EQ(Errors(handle), std::vector<int32_t>{VELMOR_ERROR_ARGUMENT});
  EXPECT_EQ(Value(handle, 28, 0), 0);
  EXPECT_EQ(Errors(handle), std::vector<int32_t>{VELMOR_ERROR_ARGUMENT}) << "set only";
}

TEST_F(FilterValuesTest, ChannelCallsTemperatureAndUnknownIdentifiers) {
  const int32_t handle = OpenCamera();
  for (int32_t channel = 1; channel <= 4; ++channel) {
    int32_t ok = -1;
    EXPECT_EQ(Velmor_SetChannelGain(handle, channel, 1), 0);
    EXPECT_EQ(Velmor_SetChannelOffset(handle, channel, 1), 0);
    EXPECT_EQ(Velmor_GetChannelGain(handle, channel, &ok), 0);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(Velmor_GetChannelOffset(handle, channel, &ok), 0);
    EXPECT_EQ(Errors(handle), std::vector<int32_t>(4, VELMOR_ERROR_ARGUMENT)) << channel;
  }
  for (int32_t channel : {0, 5, -1}) {
    int32_t ok = -1;
    EXPECT_EQ(Velmor_SetChannelGain(handle, channel, 1), 0);
    EXPECT_EQ(Velmor_GetChannelOffset(handle, channel, &ok), 0);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(Errors(handle), std::vector<int32_t>{}) << "channel " << channel;
  }
  int32_t ok = -1;
  EXPECT_EQ(Velmor_GetTemperature(handle, &ok), -1);
  EXPECT_EQ(ok, 0);
  EXPECT_EQ(Velmor_SetFilterValue(handle, 101, 20), 0);
  EXPECT_EQ(Errors(handle),
            (std::vector<int32_t>{VELMOR_ERROR_ARGUMENT, VELMOR_ERROR_NOT_SUPPORTED}));
  for (int32_t id : {0, -1, 37, 99, 107}) {
    EXPECT_EQ(Velmor_SetFilterValue(handle, id, 0), 0);
    EXPECT_EQ(Value(handle, id, 0), 0);
    EXPECT_EQ(Errors(handle), std::vector<int32_t>(2, VELMOR_ERROR_ARGUMENT)) << id;
  }
}

TEST_F(FilterValuesTest, CameraFunctionsOfACameraWithoutCoolingOrModes) {
  const int32_t handle = OpenCamera();
  EXPECT_EQ(Velmor_SetPeltier(handle, 1), 0);
  EXPECT_EQ(Value(handle, 100, 0), -1);
  EXPECT_EQ(Errors(handle), std::vector<int32_t>(2, VELMOR_ERROR_NOT_SUPPORTED));
  EXPECT_EQ(Velmor_SetFilterValue(handle, 104, 1), 0) << "the engine's answer";
  EXPECT_EQ(Value(handle, 104), -1);
  EXPECT_EQ(Velmor_SetFilterValue(handle, 105, 1), 0);
  EXPECT_EQ(Value(handle, 105, 0), 0);
  EXPECT_EQ(Errors(handle), std::vector<int32_t>(2, VELMOR_ERROR_NOT_SUPPORTED));

  // The black level reaches the sensor's 12-bit register, low byte first,
  // and both directions record the success marker 0.
  Session(handle).ReportError(VELMOR_ERROR_ARGUMENT);
  EXPECT_EQ(Velmor_SetFilterValue(handle, 106, 0x123), 1);
  EXPECT_EQ(Newest(handle, 2), (std::vector<int32_t>{0, VELMOR_ERROR_ARGUMENT}));
  EXPECT_EQ(SensorByte(0x07B4) | SensorByte(0x07B5) << 8, 0x123);
  EXPECT_EQ(Session(handle).analog().blackLevel, 0x123);
  Session(handle).ReportError(VELMOR_ERROR_ARGUMENT);
  EXPECT_EQ(Value(handle, 106), 0x123);
  EXPECT_EQ(Newest(handle, 2), (std::vector<int32_t>{0, VELMOR_ERROR_ARGUMENT}));
}

TEST_F(FilterValuesTest, GainAndExposureGoThroughTheEngineWithinItsLimits) {
  const int32_t handle = OpenCamera();
  const AnalogValues &analog = Session(handle).analog();
  EXPECT_EQ(Velmor_SetGlobalGain(handle, 200), 1);
  EXPECT_EQ(Value(handle, 13), 200);
  for (int32_t stored : {analog.gain, analog.colourGainRed, analog.colourGainGreen1,
                         analog.colourGainGreen2, analog.colourGainBlue})
    EXPECT_EQ(stored, 200);
  EXPECT_EQ(Velmor_SetGlobalGain(handle, 481), 0);
  EXPECT_EQ(Velmor_SetGlobalGain(handle, -1), 0);
  EXPECT_EQ(Errors(handle), std::vector<int32_t>(2, VELMOR_ERROR_ARGUMENT));
  EXPECT_EQ(Value(handle, 13), 200);

  // This sensor has no colour gains: its range is 0 ... 0.
  EXPECT_EQ(Velmor_SetColorGainRed(handle, 0), 1);
  EXPECT_EQ(Velmor_SetColorGainBlue(handle, 1), 0);
  EXPECT_EQ(Errors(handle), std::vector<int32_t>{VELMOR_ERROR_ARGUMENT});
  EXPECT_EQ(Value(handle, 16), 0);

  EXPECT_EQ(Velmor_SetExposureTime(handle, 100), 1);
  EXPECT_EQ(Value(handle, 18), 100);
  EXPECT_EQ(analog.exposure, 100);
  EXPECT_NEAR(analog.realExposure, 0.01, 1e-5) << "the seconds follow the units";
  for (int32_t outside : {0, 20001}) EXPECT_EQ(Velmor_SetExposureTime(handle, outside), 0);
  EXPECT_EQ(Errors(handle), std::vector<int32_t>(2, VELMOR_ERROR_ARGUMENT));
  EXPECT_EQ(Value(handle, 18), 100);
}

// A small readout window keeps the frames quick.
constexpr int32_t kWidth = 640, kHeight = 480;

// Ramp sample (x, y) of the sensor, 12 bits.
int32_t Ramp(int32_t x, int32_t y) { return (x + 16 * y) % 4096; }

TEST_F(FilterValuesTest, SnapshotsOfBothDepthsGoThroughTheChain) {
  for (int32_t bits : {8, 16}) {
    SCOPED_TRACE(bits);
    const int32_t handle = OpenCamera(bits);
    const int32_t max = bits == 8 ? 255 : 4095;
    ASSERT_EQ(Velmor_SetCaptureWindowEx(handle, 2848, 0, kWidth, 2848, 0, kHeight), 1);
    ASSERT_EQ(Velmor_SetContrast(handle, 127), 1);
    ASSERT_EQ(Velmor_SetGamma(handle, 50), 1);
    std::vector<uint8_t> image(std::size_t(kWidth * kHeight * bits / 8));
    ASSERT_EQ(Velmor_SnapShot(handle, image.data(), int32_t(image.size()), 1), 1);
    for (int32_t y = 0; y < kHeight; ++y)
      for (int32_t x = 0; x < kWidth; ++x) {
        const int32_t sample = bits == 8 ? Ramp(x, y) >> 4 : Ramp(x, y);
        const std::size_t at = std::size_t(y * kWidth + x) * std::size_t(bits / 8);
        const int32_t got = bits == 8 ? image[at] : image[at] | image[at + 1] << 8;
        const int32_t expected =
            imaging::ContrastCurve(imaging::GammaCurve(sample, 50, max), 127, max);
        ASSERT_EQ(got, expected) << "at " << x << "," << y;
      }
    Hub().Clear();
  }
}

TEST_F(FilterValuesTest, PreviewFramesReachTheHostFiltered) {
  const int32_t handle = OpenCamera();
  ASSERT_EQ(Velmor_SetCaptureWindowEx(handle, 2848, 0, kWidth, 2848, 0, kHeight), 1);
  ASSERT_EQ(Velmor_SetBrightness(handle, -255), 1);
  std::vector<uint8_t> image(kWidth * kHeight, 0xAA);
  ASSERT_EQ(Velmor_CallBackPreview(handle, frames, image.data(), int32_t(image.size()), 1), 1);
  const VELMOR_MSG message = Next(frames);
  EXPECT_EQ(message.message, uint32_t(VELMOR_WM_FRAME));
  EXPECT_NE(message.wParam, 0u) << "a frame, not a failure";
  EXPECT_EQ(Velmor_StopPreview(handle), 1);
  EXPECT_EQ(std::count(image.begin(), image.end(), 0), std::ptrdiff_t(image.size()))
      << "brightness -255 blacks out every pixel";
}

}  // namespace
}  // namespace velmor
