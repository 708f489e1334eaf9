// Exposure in seconds and microseconds, temperature and sampling through the
// exports: what the sensor registers of the emulated camera receive and what
// the calls report.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "SessionFixture.h"

namespace velmor {
namespace {

class ExposureExportsTest : public SessionFixture {
 protected:
  void SetUp() override {
    SessionFixture::SetUp();
    AddCameras(1);
    handle = Open(notices);
  }

  // A sensor register of several bytes, low byte first.
  static uint32_t SensorValue(uint16_t first, int bytes) {
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) {
      char key[16];
      std::snprintf(key, sizeof key, "sensor:%04X", first + i);
      int byte = 0;
      EXPECT_EQ(Velmor_EmulatorGet(0, key, &byte), 1) << key;
      value = value << 8 | uint32_t(byte);
    }
    return value;
  }
  // Exposure lines as the sensor applies them: frame length minus shutter,
  // whether or not the exposure stretched the frame.
  static uint32_t ProgrammedLines() { return SensorValue(0x02D4, 3) - SensorValue(0x0440, 3); }
  int32_t TransferTimeout() { return Session(handle).engine()->transferTimeout(); }

  int32_t handle = 0;
};

TEST_F(ExposureExportsTest, SecondsProgramTheSensorAndReadBackInEveryUnit) {
  ASSERT_EQ(Velmor_SetExposureTimeEx(handle, 0.01), 1);
  EXPECT_EQ(ProgrammedLines(), 1230u) << "(10000 us - 2.47 us) / 8.1217 us per line";
  int32_t ok = -1;
  EXPECT_DOUBLE_EQ(Velmor_GetExposureTimeEx(handle, &ok), 0.01);
  EXPECT_EQ(ok, 1);
  EXPECT_EQ(Session(handle).engine()->GetExposureTime(), 100);
  ok = -1;
  EXPECT_EQ(Velmor_GetRealExposureTime(handle, &ok), 10000) << "100 units of 100 us";
  EXPECT_EQ(ok, 1);
  EXPECT_EQ(TransferTimeout(), 5000) << "short exposures leave the time-out";
  EXPECT_EQ(Velmor_SetExposureTimeEx(handle, std::nan("")), 0) << "refused by the camera";
  EXPECT_EQ(Velmor_GetRealExposureTime(handle, nullptr), 10000);
  EXPECT_EQ(Errors(handle), std::vector<int32_t>{}) << "a refusal records nothing";
}

TEST_F(ExposureExportsTest, MicrosecondsWithinTheRangeAreApplied) {
  struct Case {
    int32_t microseconds;
    int32_t units;
    uint32_t lines;
  };
  // 8-bit full resolution: one line is 8.1217 us; 6156 lines stretch the frame.
  for (const Case &c : {Case{100, 1, 12}, Case{199, 1, 12}, Case{50000, 500, 6156}}) {
    ASSERT_EQ(Velmor_SetRealExposureTime(handle, c.microseconds), 1) << c.microseconds;
    EXPECT_EQ(Session(handle).engine()->GetExposureTime(), c.units) << c.microseconds;
    EXPECT_EQ(ProgrammedLines(), c.lines) << c.microseconds;
    EXPECT_EQ(Velmor_GetRealExposureTime(handle, nullptr), c.units * 100) << c.microseconds;
    EXPECT_DOUBLE_EQ(Velmor_GetExposureTimeEx(handle, nullptr), c.units / 10000.0);
  }
  EXPECT_EQ(Errors(handle), std::vector<int32_t>{});
}

TEST_F(ExposureExportsTest, MicrosecondsOutsideTheRangeChangeNothing) {
  ASSERT_EQ(Velmor_SetRealExposureTime(handle, 10000), 1);
  const uint32_t frameLength = SensorValue(0x02D4, 3), shutter = SensorValue(0x0440, 3);
  // Below 100 us the units truncate to 0; 2000100 us are 20001 units.
  for (int32_t microseconds : {99, 0, -100, 2000100, INT32_MAX, INT32_MIN}) {
    EXPECT_EQ(Velmor_SetRealExposureTime(handle, microseconds), 0) << microseconds;
    EXPECT_EQ(Errors(handle), std::vector<int32_t>{VELMOR_ERROR_ARGUMENT}) << microseconds;
    EXPECT_EQ(Next(notices).lParam, VELMOR_ERROR_ARGUMENT);
  }
  EXPECT_EQ(SensorValue(0x02D4, 3), frameLength);
  EXPECT_EQ(SensorValue(0x0440, 3), shutter);
  EXPECT_EQ(Velmor_GetRealExposureTime(handle, nullptr), 10000);
  EXPECT_EQ(Session(handle).engine()->GetExposureTime(), 100);
  ASSERT_EQ(Velmor_SetRealExposureTime(handle, 2000000), 1) << "2 s is the longest";
  EXPECT_EQ(Velmor_GetRealExposureTime(handle, nullptr), 2000000);
}

TEST_F(ExposureExportsTest, LongExposuresSetTheTransferTimeOut) {
  struct Case {
    double seconds;
    int32_t timeoutMs;
  };
  // Up to 2 s the time-out stays; beyond it becomes the seconds plus one.
  for (const Case &c : {Case{2.0, 5000}, Case{3.0, 4000}, Case{0.5, 4000}, Case{7.5, 8500}}) {
    ASSERT_EQ(Velmor_SetExposureTimeEx(handle, c.seconds), 1) << c.seconds;
    EXPECT_EQ(TransferTimeout(), c.timeoutMs) << c.seconds;
  }
  // The sensor holds at most 2 s: 246252 lines at 8-bit full resolution.
  ASSERT_EQ(Velmor_SetExposureTimeEx(handle, 3.0), 1);
  EXPECT_EQ(ProgrammedLines(), 246252u);
  EXPECT_DOUBLE_EQ(Velmor_GetExposureTimeEx(handle, nullptr), 2.0);
  EXPECT_EQ(Velmor_GetRealExposureTime(handle, nullptr), 3000000)
      << "the session keeps the request";

  // A start re-applies the exposure with its time-out, and frames come.
  ASSERT_EQ(Velmor_EmulatorSet(0, "fps", 0), 1);
  ASSERT_EQ(Velmor_SetPreviewWindow(handle, nullptr, 0, 0, 0, 0), 1);
  ASSERT_EQ(Velmor_SetColorMode(handle, 8), 1);
  ASSERT_EQ(Velmor_CallBackPreview(handle, frames, nullptr, 0, 1), 1);
  const VELMOR_MSG frame = Next(frames);
  EXPECT_EQ(frame.message, VELMOR_WM_FRAME);
  EXPECT_NE(frame.wParam, 0u) << "a delivered frame, not a failure";
  EXPECT_EQ(TransferTimeout(), 4000);
  EXPECT_EQ(Velmor_StopPreview(handle), 1);
  EXPECT_EQ(Errors(handle), std::vector<int32_t>{});
}

TEST_F(ExposureExportsTest, TemperatureAndSamplingAnswerAsThisCameraHasNone) {
  int32_t ok = -1;
  EXPECT_EQ(Velmor_GetTemperatureEx(handle, &ok), 0.0);
  EXPECT_EQ(ok, 0);
  EXPECT_EQ(Errors(handle), std::vector<int32_t>{VELMOR_ERROR_NOT_SUPPORTED});

  EXPECT_EQ(Velmor_SetSamplingRate(handle, 30), 0);
  for (auto *get : {&Velmor_GetSamplingRate, &Velmor_GetVideoFormat}) {
    int32_t out = 7;
    EXPECT_EQ(get(handle, &out), 0);
    EXPECT_EQ(out, 0);
    EXPECT_EQ(get(handle, nullptr), 0);
  }
  EXPECT_EQ(Errors(handle), std::vector<int32_t>{}) << "the sampling calls record nothing";
}

TEST_F(ExposureExportsTest, UnknownHandlesTouchNothing) {
  const int32_t unknown = handle + 1;
  const int32_t units = Session(handle).engine()->GetExposureTime();
  int32_t ok = -1;
  EXPECT_EQ(Velmor_GetExposureTimeEx(unknown, &ok), 0.0);
  EXPECT_EQ(Velmor_GetTemperatureEx(unknown, &ok), 0.0);
  EXPECT_EQ(Velmor_GetRealExposureTime(unknown, &ok), 0);
  EXPECT_EQ(Velmor_GetSamplingRate(unknown, &ok), 0);
  EXPECT_EQ(ok, -1);
  EXPECT_EQ(Velmor_SetExposureTimeEx(unknown, 0.01), 0);
  EXPECT_EQ(Velmor_SetRealExposureTime(unknown, 10000), 0);
  EXPECT_EQ(Session(handle).engine()->GetExposureTime(), units);
  EXPECT_EQ(Errors(handle), std::vector<int32_t>{});
}

}  // namespace
}  // namespace velmor
