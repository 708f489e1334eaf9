// Exposure, clock and readout geometry through the engine: the transfer
// time-out that long exposures raise, what reaches the sensor, and when the
// FPGA's output registers are rewritten.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "CaptureFixture.h"

namespace velmor {
namespace {

using emulator::RequestKind;
using test::RegisterWrite;

using Exposure = CaptureFixture;

TEST_F(Exposure, LongExposuresRaiseTheTransferTimeoutBeforeTheSensorClamps) {
  EXPECT_EQ(engine.SetExposureTime(60000), 1);
  EXPECT_EQ(engine.transferTimeout(), 12000);
  EXPECT_EQ(engine.GetExposureTime(), 20000);
  EXPECT_EQ(engine.SetExposureTime(50000), 1);
  EXPECT_EQ(engine.transferTimeout(), 5000);

  EXPECT_EQ(engine.SetRealExposure(3.0), 1);
  EXPECT_EQ(engine.transferTimeout(), 4000);
  double seconds = 0;
  engine.GetRealExposure(&seconds);
  EXPECT_DOUBLE_EQ(seconds, 2.0);
}

TEST_F(Exposure, ShortRealExposureProgramsLinesAndKeepsTheTimeout) {
  ASSERT_EQ(engine.SetRealExposure(3.0), 1);
  ASSERT_EQ(engine.SetRealExposure(0.01), 1);
  EXPECT_EQ(engine.transferTimeout(), 4000);
  EXPECT_EQ(engine.GetExposureLines(), 1230);
  double seconds = 0;
  engine.GetRealExposure(&seconds);
  EXPECT_DOUBLE_EQ(seconds, 0.01);
  EXPECT_EQ(engine.GetExposureTime(), 100);
}

TEST_F(Exposure, OnlyTheHighSamplingRateAsksForTheConnectionSpeed) {
  const auto speedQueries = [&] {
    const std::vector<emulator::LoggedRequest> log = Log(0);
    return std::count_if(log.begin(), log.end(), [](const emulator::LoggedRequest &r) {
      return r.kind == RequestKind::Speed;
    });
  };
  EXPECT_EQ(engine.SetSamplingRate(1), 0) << "the IMX487 has one readout clock";
  EXPECT_EQ(speedQueries(), 0);
  EXPECT_EQ(engine.SetSamplingRate(2), 0);
  EXPECT_EQ(speedQueries(), 1);
}

class Geometry : public CaptureFixture {
 protected:
  // FPGA writes to the output geometry registers 0x40-0x4D.
  int GeometryWrites() {
    const std::vector<RegisterWrite> writes = FpgaWrites();
    return int(std::count_if(writes.begin(), writes.end(), [](const RegisterWrite &w) {
      return w.reg >= 0x40 && w.reg <= 0x4D;
    }));
  }
};

TEST_F(Geometry, CroppedWindowReachesTheSensorAndTheFpgaAtTheNextStart) {
  ASSERT_EQ(engine.SetCaptureWindow(512, 512, 1024, 1024, 0), 1);
  EXPECT_EQ(SensorValue(0x0320, 2), 1312u) << "horizontal offset from the right";
  EXPECT_EQ(SensorValue(0x0322, 2), 1312u) << "vertical offset from the bottom";
  EXPECT_EQ(SensorValue(0x0304, 1), 3u);
  EXPECT_EQ(SensorValue(0x02D4, 3), 1168u);
  int32_t window[5] = {};
  ASSERT_EQ(engine.GetCaptureWindow(&window[0], &window[1], &window[2], &window[3], &window[4]), 1);
  EXPECT_EQ(std::vector<int32_t>(window, window + 5),
            (std::vector<int32_t>{512, 512, 1024, 1024, 0}));
  EXPECT_EQ(GeometryWrites(), 0) << "the window alone leaves the FPGA's output size";

  ASSERT_EQ(engine.StartCapture(1), 1);
  ASSERT_EQ(engine.WaitForFrame(5000), 3);
  const std::vector<RegisterWrite> writes = FpgaWrites();
  const std::vector<RegisterWrite> geometry = {{0x44, 0x00}, {0x45, 0x04}, {0x40, 0x00},
                                               {0x41, 0x04}, {0x48, 68},   {0x49, 0},
                                               {0x4C, 4},    {0x4D, 0}};
  EXPECT_NE(std::search(writes.begin(), writes.end(), geometry.begin(), geometry.end()),
            writes.end());
  EXPECT_EQ(engine.StopCapture(), 1);

  ClearLog();
  ASSERT_EQ(engine.StartCapture(1), 1);
  ASSERT_EQ(engine.WaitForFrame(5000), 3);
  EXPECT_EQ(GeometryWrites(), 0) << "unchanged buffers are not prepared again";
  EXPECT_EQ(engine.StopCapture(), 1);
}

TEST_F(Geometry, OnlyAFullResolutionWindowIsRecognisedAsUnchanged) {
  ASSERT_EQ(engine.SetCaptureWindow(512, 512, 1024, 1024, 0), 1);
  ClearLog();
  EXPECT_EQ(engine.SetCaptureWindow(512, 512, 1024, 1024, 0), 1);
  EXPECT_TRUE(Log(0).empty());

  ASSERT_EQ(engine.SetCaptureWindow(0, 0, 2848, 2848, 17), 1);
  ClearLog();
  EXPECT_EQ(engine.SetCaptureWindow(0, 0, 2848, 2848, 17), 1);
  EXPECT_FALSE(test::SensorWrites(Bus()).empty()) << "the binned window is stored halved";

  EXPECT_EQ(engine.SetCaptureWindow(8, 0, 1024, 1024, 0), 0) << "misaligned";
  int32_t window[5] = {};
  engine.GetCaptureWindow(&window[0], &window[1], &window[2], &window[3], &window[4]);
  EXPECT_EQ(window[2], 1424) << "the previous geometry stays";
}

TEST_F(Geometry, DepthGoesToTheSensorThenTheFpgaAndRebuildsBuffersOnlyWhenItChanges) {
  ASSERT_EQ(engine.SetBitDepth(1), 1);
  std::vector<test::BusTransfer> bus = Bus();
  const auto depthWrite = std::find_if(bus.begin(), bus.end(), [](const test::BusTransfer &t) {
    return t.device == test::kFpgaBus && t.bytes.size() == 3 && t.bytes[0] == 0x3C;
  });
  ASSERT_NE(depthWrite, bus.end());
  EXPECT_EQ(depthWrite->bytes[2], 2);
  EXPECT_FALSE(test::SensorWrites({bus.begin(), depthWrite}).empty()) << "the sensor first";
  EXPECT_EQ(GeometryWrites(), 8) << "a new depth makes new buffers at once";

  ClearLog();
  ASSERT_EQ(engine.SetBitDepth(1), 1);
  EXPECT_EQ(FpgaWrites().back(), (RegisterWrite{0x3C, 2}));
  EXPECT_EQ(GeometryWrites(), 0);
  ASSERT_EQ(engine.SetBitDepth(0), 1);
  EXPECT_EQ(Peek("fpga:%02x", 0x3C), 1);
}

TEST_F(Geometry, MirrorsAreForwardedToTheSensor) {
  ASSERT_EQ(engine.SetMirrorH(1), 1);
  EXPECT_EQ(Peek("sensor:%04x", 0x0404) & 2, 2);
  EXPECT_EQ(engine.GetMirrorH(), 1);
  ASSERT_EQ(engine.SetMirrorV(1), 1);
  EXPECT_EQ(Peek("sensor:%04x", 0x0404) & 1, 1);
}

}  // namespace
}  // namespace velmor
