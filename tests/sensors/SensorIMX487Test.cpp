// The IMX487 driver: what each operation writes to the sensor and the FPGA,
// and what it reports back.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <vector>

#include "EmulatorRig.h"
#include "sensors/SensorIMX487.h"
#include "transport/VelmorCy3Cam.h"

namespace velmor {
namespace {

using test::EmulatorRig;
using test::FpgaWrites;
using test::Registers;
using test::RegisterWrite;
using test::SensorWrites;

class IMX487Test : public ::testing::Test {
 protected:
  EmulatorRig rig;
  CSensorIMX487 sensor{rig.controller()};

  std::vector<RegisterWrite> sensorWrites() { return SensorWrites(rig.log()); }
  // A register of several bytes, low byte first.
  uint32_t SensorValue(uint16_t first, int bytes) {
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = value << 8 | rig.sensor(uint16_t(first + i));
    return value;
  }
  uint32_t FrameLength() { return SensorValue(0x02D4, 3); }
  uint32_t LineLength() { return SensorValue(0x02D8, 2); }
  uint32_t Shutter() { return SensorValue(0x0440, 3); }
  int32_t ExposureLines() {
    int32_t lines = 0;
    EXPECT_EQ(sensor.GetExposureLines(&lines), 1);
    return lines;
  }
  struct Window {
    int32_t hStart, width, vStart, height, mode;
  };
  Window ReadWindow() {
    Window w{};
    EXPECT_EQ(sensor.GetReadoutWindow(&w.hStart, &w.width, &w.vStart, &w.height, &w.mode), 1);
    return w;
  }
};

TEST_F(IMX487Test, ConstructionWritesNothing) {
  EXPECT_TRUE(rig.log().empty());
  EXPECT_EQ(sensor.busAddress(), 0x48);
  EXPECT_EQ(sensor.modelCode(), 63);
  EXPECT_EQ(sensor.SupportsColorOutput(), 0);
  int32_t word = 0;
  EXPECT_EQ(sensor.GetColorGainMax(&word), 1);
  EXPECT_EQ(word, 0);
}

TEST_F(IMX487Test, InitializationProgramsTheDefaultsInOrderAndAwaitsTheFpga) {
  ASSERT_EQ(sensor.InitializeSensor(), 1);
  const std::vector<uint16_t> expected = {
      0x0702,                                  // initialisation control
      0x07B4, 0x07B5,                          // black level 240
      0x0714, 0x0715,                          // gain 0 (its range bit is already set)
      0x0440, 0x0441, 0x0442,                  // shutter for 1064 lines
      0x0404, 0x0404,                          // mirror H, mirror V
      0x0304, 0x023C, 0x02E2, 0x02E3, 0x02E5,  // full window, mode 0
      0x02E6, 0x0320, 0x0321, 0x0322, 0x0323, 0x0324, 0x0325,
      0x0326, 0x0327, 0x02D4, 0x02D5, 0x02D6, 0x02D8, 0x02D9};
  EXPECT_EQ(Registers(sensorWrites()), expected);
  EXPECT_EQ(SensorValue(0x07B4, 2), 240u);
  EXPECT_EQ(Shutter(), 2992u - 1064u);
  EXPECT_EQ(rig.sensor(0x0997) & 0x08, 0x08);
  EXPECT_EQ(FrameLength(), 2992u);
  EXPECT_EQ(LineLength(), 609u);
  EXPECT_EQ(rig.fpga(0x4C), 0);
}

TEST_F(IMX487Test, ReadoutWindowValidation) {
  struct Case {
    int32_t hStart, width, vStart, height, mode;
    bool accepted;
  };
  const Case cases[] = {
      {0, 2856, 0, 2848, 0, true},    // wider than the sensor, still accepted
      {0, 600, 0, 2848, 0, false},    // narrower than 608
      {0, 2840, 0, 2848, 0, false},   // not a multiple of 16
      {0, 2864, 0, 2848, 0, false},   // wider than 2856
      {8, 2048, 0, 2048, 0, false},   // start not a multiple of 16
      {-16, 608, 32, 16, 0, true},    // negative starts only need to divide evenly
      {0, 1024, 0, 2864, 0, false},   // taller than the sensor
      {0, 123, 0, 45, 1, true},       // skipping ignores the size
      {16, 2848, 0, 2848, 1, false},  // skipping reads from the corner only
      {0, 1000, 0, 1024, 17, false},  // binning needs multiples of 32
      {32, 1024, 64, 1024, 17, true}, {0, 0, 0, 1024, 17, false},  // an empty binned window
      {0, 1024, 0, -32, 17, false},                                // a negative binned window
      {0, 2848, 0, 2848, 2, false},                                // no such mode
  };
  for (const Case &c : cases) {
    rig.clearLog();
    EXPECT_EQ(sensor.SetReadoutWindow(c.hStart, c.width, c.vStart, c.height, c.mode), c.accepted)
        << "hStart " << c.hStart << " width " << c.width << " height " << c.height << " mode "
        << c.mode;
    if (!c.accepted) {
      EXPECT_TRUE(rig.log().empty()) << "a refused window writes nothing";
    }
  }
}

TEST_F(IMX487Test, CroppedWindowWritesOffsetsFromTheFarEdgesInOrder) {
  ASSERT_EQ(sensor.SetReadoutWindow(320, 1024, 160, 512, 0), 1);
  const std::vector<RegisterWrite> expected = {
      {0x0304, 3},    {0x023C, 1},    {0x02E2, 4},    {0x02E3, 24},   {0x02E5, 4},
      {0x02E6, 12},   {0x0320, 0xE0}, {0x0321, 0x05}, {0x0322, 0x80}, {0x0323, 0x08},
      {0x0324, 0x00}, {0x0325, 0x04}, {0x0326, 0x00}, {0x0327, 0x02}, {0x02D4, 0x90},
      {0x02D5, 0x02}, {0x02D6, 0x00}, {0x02D8, 0x61}, {0x02D9, 0x02}};
  EXPECT_EQ(sensorWrites(), expected);  // offsets 1504 and 2176, frame length 512 + 144
  const Window w = ReadWindow();
  EXPECT_EQ(w.hStart, 320);
  EXPECT_EQ(w.width, 1024);
  EXPECT_EQ(w.vStart, 160);
  EXPECT_EQ(w.height, 512);
  EXPECT_EQ(w.mode, 0);
}

TEST_F(IMX487Test, SubsampledModesReportHalfTheWindow) {
  ASSERT_EQ(sensor.SetReadoutWindow(0, 640, 0, 480, 1), 1);
  Window w = ReadWindow();
  EXPECT_EQ(w.width, 1424);
  EXPECT_EQ(w.height, 1424);
  EXPECT_EQ(w.mode, 1);
  EXPECT_EQ(rig.sensor(0x023C), 10);
  EXPECT_EQ(rig.sensor(0x0304), 0);
  EXPECT_EQ(SensorValue(0x0320, 2), 0u);
  EXPECT_EQ(SensorValue(0x0324, 2), 2848u);
  EXPECT_EQ(FrameLength(), 1576u);
  EXPECT_EQ(LineLength(), 342u);

  ASSERT_EQ(sensor.SetReadoutWindow(0, 1024, 0, 1024, 17), 1);
  w = ReadWindow();
  EXPECT_EQ(w.width, 512);
  EXPECT_EQ(w.height, 512);
  EXPECT_EQ(rig.sensor(0x023C), 18);
  EXPECT_EQ(rig.sensor(0x02E3), 48);
  EXPECT_EQ(SensorValue(0x0320, 2), 2848u - 1024u);
  EXPECT_EQ(SensorValue(0x0324, 2), 1024u);
}

TEST_F(IMX487Test, ExposureInLinesAtFullResolution8Bit) {
  ASSERT_EQ(sensor.SetReadoutWindow(0, 2848, 0, 2848, 0), 1);
  ASSERT_EQ(sensor.SetExposureTime(100), 1);  // 10 ms
  EXPECT_EQ(ExposureLines(), 1230);
  EXPECT_EQ(Shutter(), 1762u);
  EXPECT_EQ(FrameLength(), 2992u);
  double seconds = 0;
  EXPECT_EQ(sensor.GetRealExposure(&seconds), 1);
  EXPECT_DOUBLE_EQ(seconds, 0.01);

  // 2 s does not fit the nominal frame: the frame stretches to hold it.
  rig.clearLog();
  ASSERT_EQ(sensor.SetRealExposure(2.0), 1);
  EXPECT_EQ(ExposureLines(), 246252);
  EXPECT_EQ(FrameLength(), 246280u);
  EXPECT_EQ(Shutter(), 28u);
  int32_t units = 0;
  EXPECT_EQ(sensor.GetExposureTime(&units), 1);
  EXPECT_EQ(units, 20000);

  // A short exposure again brings the nominal frame length back.
  rig.clearLog();
  ASSERT_EQ(sensor.SetExposureTime(100), 1);
  EXPECT_EQ(FrameLength(), 2992u);
  EXPECT_EQ(Shutter(), 1762u);
  EXPECT_EQ(Registers(sensorWrites()),
            (std::vector<uint16_t>{0x02D4, 0x02D5, 0x02D6, 0x0440, 0x0441, 0x0442}));
}

TEST_F(IMX487Test, ExposureRequestsAreClampedNeverRefused) {
  ASSERT_EQ(sensor.SetExposureLines(0), 1);
  EXPECT_EQ(ExposureLines(), 1);
  ASSERT_EQ(sensor.SetExposureTime(0), 1);  // 100 microseconds at least
  EXPECT_EQ(ExposureLines(), 12);
  ASSERT_EQ(sensor.SetRealExposure(1e-9), 1);
  EXPECT_EQ(ExposureLines(), 1);
  EXPECT_EQ(sensor.SetRealExposure(std::nan("")), 0);
  EXPECT_EQ(ExposureLines(), 1);
  ASSERT_EQ(sensor.SetExposureTime(50000), 1);
  EXPECT_EQ(ExposureLines(), 246252);
}

TEST_F(IMX487Test, GainSwitchesTheRangeBitAbove120AndClampsAt480) {
  ASSERT_EQ(sensor.SetGain(121), 1);
  EXPECT_EQ(rig.sensor(0x0997) & 0x08, 0);
  ASSERT_EQ(sensor.SetGain(120), 1);
  EXPECT_EQ(rig.sensor(0x0997) & 0x08, 0x08);
  rig.clearLog();
  ASSERT_EQ(sensor.SetGain(100), 1);  // the bit is already right: 0x0997 is left alone
  EXPECT_EQ(Registers(sensorWrites()), (std::vector<uint16_t>{0x0714, 0x0715}));
  ASSERT_EQ(sensor.SetGain(600), 1);
  int32_t gain = 0;
  EXPECT_EQ(sensor.GetGain(&gain), 1);
  EXPECT_EQ(gain, 480);
  EXPECT_EQ(rig.sensor(0x0714), 0xE0);
  EXPECT_EQ(rig.sensor(0x0715), 0x01);
}

TEST_F(IMX487Test, BlackLevelOutOfRangeIsRefusedAndTwelveBitsAreWritten) {
  EXPECT_EQ(sensor.SetBlackLevel(4096), 0);
  EXPECT_TRUE(rig.log().empty());
  ASSERT_EQ(sensor.SetBlackLevel(4095), 1);
  EXPECT_EQ(sensorWrites(), (std::vector<RegisterWrite>{{0x07B4, 0xFF}, {0x07B5, 0x0F}}));
  int32_t level = 0;
  EXPECT_EQ(sensor.GetBlackLevel(&level), 1);
  EXPECT_EQ(level, 4095);
}

TEST_F(IMX487Test, MirrorsSetTheirDirectionBitsAndHorizontalFollowsInTheFpga) {
  ASSERT_EQ(sensor.SetReadoutWindow(0, 1024, 0, 2848, 0), 1);
  ASSERT_EQ(sensor.SetMirrorH(1), 1);
  EXPECT_EQ(rig.sensor(0x0404), 0x02);
  EXPECT_EQ(FpgaWrites(rig.log()).back(), (RegisterWrite{0x4C, 0}));  // cropped width

  ASSERT_EQ(sensor.SetReadoutWindow(0, 2848, 0, 2848, 0), 1);
  ASSERT_EQ(sensor.SetMirrorH(1), 1);
  EXPECT_EQ(rig.fpga(0x4C), 8);
  ASSERT_EQ(sensor.SetMirrorV(1), 1);
  EXPECT_EQ(rig.sensor(0x0404), 0x03);
  int32_t on = 0;
  EXPECT_EQ(sensor.GetMirrorV(&on), 1);
  EXPECT_EQ(on, 1);

  ASSERT_EQ(sensor.SetReadoutWindow(0, 0, 0, 0, 1), 1);
  ASSERT_EQ(sensor.SetMirrorH(1), 1);
  EXPECT_EQ(rig.fpga(0x4C), 4);
  ASSERT_EQ(sensor.SetMirrorH(0), 1);
  EXPECT_EQ(rig.fpga(0x4C), 0);
  EXPECT_EQ(rig.sensor(0x0404), 0x01);
}

TEST_F(IMX487Test, SixteenBitOutputDoublesTheLineAndKeepsTheWindow) {
  ASSERT_EQ(sensor.SetReadoutWindow(0, 2848, 0, 2848, 0), 1);
  ASSERT_EQ(sensor.SetBitDepth(1), 1);
  EXPECT_EQ(LineLength(), 1218u);
  double minimum = 0;
  sensor.GetRealExposureMin(&minimum);
  EXPECT_NEAR(minimum * 1e6, 18.71, 0.01);
  ASSERT_EQ(sensor.SetBitDepth(0), 1);
  EXPECT_EQ(LineLength(), 609u);
  sensor.GetRealExposureMin(&minimum);
  EXPECT_NEAR(minimum * 1e6, 10.59, 0.01);

  ASSERT_EQ(sensor.SetReadoutWindow(64, 1024, 32, 1024, 17), 1);
  ASSERT_EQ(sensor.SetBitDepth(1), 1);
  const Window w = ReadWindow();
  EXPECT_EQ(w.width, 512);
  EXPECT_EQ(w.height, 512);
  EXPECT_EQ(SensorValue(0x0324, 2), 1024u);
  EXPECT_EQ(LineLength(), 684u);
  ASSERT_EQ(sensor.SetExposureTime(100), 1);  // 16-bit binned lines are 9.12 microseconds
  EXPECT_EQ(ExposureLines(), 1095);
}

TEST(IMX487WithoutController, EveryRegisterOperationFailsAtOnce) {
  CSensorIMX487 sensor(nullptr);
  int32_t value = 0;
  EXPECT_EQ(sensor.WriteSensorRegister(0x0702, 8), 0);
  EXPECT_EQ(sensor.ReadSensorRegister(0x0702, &value), 0);
  EXPECT_EQ(sensor.WriteSensorRegisterVerified(0x0702, 8), 0);
  EXPECT_EQ(sensor.ReadSensorRegisterWhenIdle(0x0702, &value), 0);
  EXPECT_EQ(sensor.SetExposureLines(100), 0);
  EXPECT_EQ(sensor.SetExposureTime(100), 0);
  EXPECT_EQ(sensor.SetRealExposure(0.01), 0);
  EXPECT_EQ(sensor.SetGain(10), 0);
  EXPECT_EQ(sensor.SetBlackLevel(100), 0);
  EXPECT_EQ(sensor.GetBlackLevel(&value), 0);
  EXPECT_EQ(sensor.SetMirrorH(1), 0);
  EXPECT_EQ(sensor.SetMirrorV(1), 0);
  EXPECT_EQ(sensor.WriteFrameLength(2992), 0);
  EXPECT_EQ(sensor.WriteLineLength(609), 0);
  EXPECT_EQ(sensor.PulseCaptureRestart(), 0);
  EXPECT_EQ(sensor.WaitFpgaReady(), 0);
  // Nothing failed to reach the sensor was recorded as current.
  EXPECT_EQ(sensor.info().exposureLines.current, 1064);
  EXPECT_EQ(sensor.info().gain.current, 0);
  EXPECT_EQ(sensor.info().blackLevel.current, 240);
  EXPECT_EQ(sensor.info().mirrorH.current, 0);
}

// The emulated picture as the driver's registers shape it: 16-bit frames of a
// small window clear of the emulator's defect pixels, read through the
// controller's header and payload reads.
class IMX487Picture : public ::testing::Test {
 protected:
  static constexpr int kWidth = 608;
  static constexpr int kHeight = 16;

  void SetUp() override {
    ASSERT_EQ(rig.fx3().PrepareStaging(), 1);
    ASSERT_EQ(sensor.InitializeSensor(), 1);
    ASSERT_EQ(sensor.SetBitDepth(1), 1);
    ASSERT_EQ(sensor.SetReadoutWindow(1600, kWidth, 1040, kHeight, 0), 1);
    const RegisterWrite output[] = {{0x44, uint8_t(kWidth)},
                                    {0x45, uint8_t(kWidth >> 8)},
                                    {0x40, uint8_t(kHeight)},
                                    {0x41, 0},
                                    {0x3C, 2}};
    for (const RegisterWrite &write : output) {
      ASSERT_EQ(rig.controller()->WriteFpgaRegister(uint8_t(write.reg), write.value), 1);
    }
  }

  // Mean 12-bit sample of the next frame.
  std::optional<double> MeanSample() {
    std::vector<uint8_t> payload(kWidth * kHeight * 2);
    TransferDescriptor descriptor{};
    descriptor.buffer = payload.data();
    descriptor.capacity = uint32_t(payload.size());
    if (!rig.fx3().ReadFrameHeader(&descriptor, 0) ||
        descriptor.payloadLength() != payload.size() ||
        !rig.fx3().ReadFramePayload(&descriptor, 2000)) {
      return std::nullopt;
    }
    double sum = 0;
    for (std::size_t i = 0; i < payload.size(); i += 2) sum += payload[i] | payload[i + 1] << 8;
    return sum / (kWidth * kHeight);
  }
  double Signal() {
    const std::optional<double> mean = MeanSample();
    EXPECT_TRUE(mean.has_value()) << "no frame from the emulated camera";
    return mean.value_or(0) - sensor.info().blackLevel.current;
  }

  EmulatorRig rig;
  CSensorIMX487 sensor{rig.controller()};
};

TEST_F(IMX487Picture, DoublingTheExposureDoublesTheSignal) {
  ASSERT_EQ(sensor.SetExposureLines(300), 1);
  const double single = Signal();
  ASSERT_EQ(sensor.SetExposureLines(600), 1);
  const double doubled = Signal();
  EXPECT_GT(single, 50);
  EXPECT_NEAR(doubled / single, 2.0, 0.03);
}

TEST_F(IMX487Picture, GainCode60DoublesTheSignal) {
  ASSERT_EQ(sensor.SetExposureLines(300), 1);
  const double plain = Signal();
  ASSERT_EQ(sensor.SetGain(60), 1);
  EXPECT_NEAR(Signal() / plain, 2.0, 0.03);
}

TEST_F(IMX487Picture, BlackLevelMovesTheFloor) {
  ASSERT_EQ(sensor.SetExposureLines(300), 1);
  const std::optional<double> low = MeanSample();
  ASSERT_EQ(sensor.SetBlackLevel(500), 1);
  const std::optional<double> high = MeanSample();
  ASSERT_TRUE(low && high);
  EXPECT_NEAR(*high - *low, 500 - 240, 1.0);
}

}  // namespace
}  // namespace velmor
