// The sensor driver interface: slot order, base answers, the FPGA handshakes
// and the register transfers with their idle checks and retries.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "../support/VirtualSlot.h"
#include "EmulatorRig.h"
#include "sensors/SensorBase.h"
#include "sensors/SensorIMX487.h"

namespace velmor {
namespace {

using test::EmulatorRig;
using test::FpgaReads;
using test::FpgaWrites;
using test::RegisterWrite;
using test::SensorWrites;

// A driver with nothing of its own: the base behaviour of every slot.
class BareSensor : public CSensorBase {
 public:
  explicit BareSensor(CControllerBase *controller, int32_t modelCode = 7)
      : CSensorBase(controller, 0x10, modelCode) {}
};

TEST(SensorSlots, EveryOperationSitsInItsSlot) {
#define SLOT(name) std::make_pair(std::string(#name), test::VirtualSlot(&CSensorBase::name))
  // clang-format off
  const std::vector<std::pair<std::string, int>> slots = {
      SLOT(SetModelCode), SLOT(SetOptionFlags), SLOT(GetOptionFlags), SLOT(DetectSensor),
      SLOT(InitializeSensor), SLOT(RecoverSensor), SLOT(RestartSensor), SLOT(SetReadoutWindow),
      SLOT(GetReadoutWindow), SLOT(SetTriggerMode), SLOT(GetTriggerMode), SLOT(SetLinkOption),
      SLOT(PulseLinkReset), SLOT(SupportsLinkReset), SLOT(SetBitDepth), SLOT(SetExposureLines),
      SLOT(GetExposureLines), SLOT(SetGain), SLOT(GetGain), SLOT(SetColorGainRed),
      SLOT(GetColorGainRed), SLOT(SetColorGainGreen1), SLOT(GetColorGainGreen1),
      SLOT(SetColorGainGreen2), SLOT(GetColorGainGreen2), SLOT(SetColorGainBlue),
      SLOT(GetColorGainBlue), SLOT(GetExposureLinesMin), SLOT(GetExposureLinesMax),
      SLOT(GetExposureLinesDefault), SLOT(GetGainMin), SLOT(GetGainMax), SLOT(GetGainDefault),
      SLOT(GetColorGainMin), SLOT(GetColorGainMax), SLOT(GetColorGainDefault), SLOT(SetChannelGain),
      SLOT(GetChannelGain), SLOT(GetChannelGainMin), SLOT(GetChannelGainMax),
      SLOT(GetChannelGainDefault), SLOT(SetChannelOffset), SLOT(GetChannelOffset),
      SLOT(GetChannelOffsetMin), SLOT(GetChannelOffsetMax), SLOT(GetChannelOffsetDefault),
      SLOT(SupportsBlackLevel), SLOT(SetBlackLevel), SLOT(GetBlackLevel), SLOT(GetBlackLevelMin),
      SLOT(GetBlackLevelMax), SLOT(GetBlackLevelDefault), SLOT(SupportsGainMultiplier),
      SLOT(GetGainMultiplierMin), SLOT(GetGainMultiplierMax), SLOT(GetGainMultiplierDefault),
      SLOT(GetGainMultiplierStored), SLOT(SetGainMultiplier), SLOT(GetGainMultiplier),
      SLOT(GetGainMultiplierLabel), SLOT(SetExposureTime), SLOT(GetExposureTime),
      SLOT(GetExposureTimeMin), SLOT(GetExposureTimeMax), SLOT(GetExposureTimeDefault),
      SLOT(SetMirrorV), SLOT(GetMirrorV), SLOT(SetMirrorH), SLOT(GetMirrorH),
      SLOT(GetMirrorVDefault), SLOT(GetMirrorHDefault), SLOT(SupportsMirrorV),
      SLOT(SupportsMirrorH), SLOT(SetFrameRate), SLOT(WriteSensorRegister),
      SLOT(ReadSensorRegister), SLOT(WriteSensorRegisterVerified), SLOT(ReadSensorRegisterWhenIdle),
      SLOT(Reserved1), SLOT(Reserved2), SLOT(Reserved3), SLOT(Reserved4), SLOT(Reserved5),
      SLOT(SetSamplingRate), SLOT(GetSamplingRate), SLOT(Reserved6), SLOT(Reserved7),
      SLOT(GetSensorInfo), SLOT(PrepareSensorStreaming), SLOT(SendSensorCommand),
      SLOT(SetReadoutSpeed), SLOT(GetReadoutSpeed), SLOT(SupportsCooling), SLOT(GetCooling),
      SLOT(SetCooling), SLOT(SupportsTemperature), SLOT(GetTemperature), SLOT(OnCaptureStart),
      SLOT(OnCaptureStop), SLOT(SupportsAuxSwitch), SLOT(GetAuxSwitch), SLOT(SetAuxSwitch),
      SLOT(ReadSerialText), SLOT(SendSerialText), SLOT(SupportsSensorTuning), SLOT(GetSensorTuning),
      SLOT(ApplySensorTuning), SLOT(SupportsThermalControl), SLOT(Reserved8), SLOT(Reserved9),
      SLOT(GetThermalReading), SLOT(SetThermalTarget), SLOT(SupportsRealExposure),
      SLOT(GetRealExposureMin), SLOT(GetRealExposureMax), SLOT(GetRealExposureDefault),
      SLOT(GetRealExposure), SLOT(SetRealExposure), SLOT(SupportsModeSwitch), SLOT(GetModeSwitch),
      SLOT(SetModeSwitch), SLOT(RefreshStatus), SLOT(GetStatus), SLOT(SupportsGainMode),
      SLOT(GetGainMode), SLOT(SetGainMode), SLOT(SupportsBinaryOption), SLOT(GetBinaryOption),
      SLOT(SetBinaryOption), SLOT(Supports8BitOutput), SLOT(Supports16BitOutput),
      SLOT(SupportsColorOutput)};
  // clang-format on
#undef SLOT
  ASSERT_EQ(slots.size(), 132u);
  for (std::size_t i = 0; i < slots.size(); ++i) {
    EXPECT_EQ(slots[i].second, int(i) + 1) << slots[i].first;
  }
}

TEST(SensorBase, ADriverThatSupportsNothingAnswersFromItsBlockAndTouchesNothing) {
  EmulatorRig rig;
  BareSensor sensor(rig.controller());
  int32_t word = 5;
  EXPECT_EQ(sensor.InitializeSensor(), 0);
  EXPECT_EQ(sensor.SetReadoutWindow(0, 2848, 0, 2848, 0), 0);
  EXPECT_EQ(sensor.WriteSensorRegisterVerified(0x0100, 1), 0);
  EXPECT_EQ(sensor.ReadSensorRegisterWhenIdle(0x0100, &word), 0);
  EXPECT_EQ(sensor.GetGainMode(), -1);
  EXPECT_EQ(sensor.GetBinaryOption(), -1);
  EXPECT_EQ(sensor.SupportsColorOutput(), 1);
  EXPECT_TRUE(rig.log().empty());

  // Block getters hand out the word and answer the supported word; the
  // real-exposure getters answer the supported flag, not 1.
  sensor.info().blackLevel = {1, 4000, 300, 200, 0};
  EXPECT_EQ(sensor.GetBlackLevelMax(&word), 0);
  EXPECT_EQ(word, 4000);
  EXPECT_EQ(sensor.GetBlackLevelDefault(nullptr), 0);
  sensor.info().realExposure = {1e-5, 2.0, 0.5, 0.25};
  sensor.info().realExposureSupported = 3;
  double seconds = 0;
  EXPECT_EQ(sensor.GetRealExposureMin(&seconds), 3.0);
  EXPECT_EQ(seconds, 1e-5);
  EXPECT_EQ(sensor.GetRealExposure(&seconds), 3);
  EXPECT_EQ(seconds, 0.5);
}

TEST(SensorBase, SensorInfoCopiesTheWholeBlockAndRefusesNull) {
  CSensorIMX487 sensor(nullptr);
  EXPECT_EQ(sensor.GetSensorInfo(nullptr), 0);
  SensorInfo copy;
  std::memset(&copy, 0xA5, sizeof copy);
  ASSERT_EQ(sensor.GetSensorInfo(&copy), 1);
  EXPECT_EQ(std::memcmp(&copy, &sensor.info(), sizeof copy), 0);
  const auto *words = reinterpret_cast<const int32_t *>(&copy);
  EXPECT_EQ(words[0], 2848);    // fullWidth
  EXPECT_EQ(words[12], 2856);   // maxWidth
  EXPECT_EQ(words[18], 480);    // gain maximum
  EXPECT_EQ(words[53], 4095);   // black-level maximum
  EXPECT_EQ(words[83], 54545);  // pixelClockKHz
  EXPECT_EQ(words[84], 4);      // readoutOrientation
}

TEST(FpgaHandshake, CaptureRestartPulsesTheModelsRegister) {
  EmulatorRig rig;
  BareSensor usual(rig.controller(), 63);
  EXPECT_EQ(usual.PulseCaptureRestart(), 1);
  BareSensor other(rig.controller(), 115);
  EXPECT_EQ(other.PulseCaptureRestart(), 1);
  EXPECT_EQ(FpgaWrites(rig.log()),
            (std::vector<RegisterWrite>{{0x6C, 1}, {0x6C, 0}, {0x96, 1}, {0x96, 0}}));
  EXPECT_EQ(BareSensor(nullptr).PulseCaptureRestart(), 0);
}

TEST(FpgaHandshake, ReadyFpgaIsLeftAlone) {
  EmulatorRig rig;
  BareSensor sensor(rig.controller());
  EXPECT_EQ(sensor.WaitFpgaReady(), 1);
  EXPECT_TRUE(FpgaWrites(rig.log()).empty());
  EXPECT_EQ(BareSensor(nullptr).WaitFpgaReady(), 0);
}

TEST(FpgaHandshake, UnreadyFpgaGetsARestartRequestAndIsAwaited) {
  EmulatorRig rig;
  rig.setFpgaNotReady();
  BareSensor sensor(rig.controller());
  EXPECT_EQ(sensor.WaitFpgaReady(), 1);
  EXPECT_EQ(FpgaWrites(rig.log()), (std::vector<RegisterWrite>{{0x81, 1}, {0x81, 0}}));
  EXPECT_NE(rig.fpga(0x81) & 0x02, 0);
}

TEST(SensorRegisters, VerifiedWriteChecksThePortAndReadsTheValueBack) {
  EmulatorRig rig;
  CSensorIMX487 sensor(rig.controller());
  ASSERT_EQ(sensor.WriteSensorRegisterVerified(0x0702, 0x08), 1);
  EXPECT_EQ(rig.sensor(0x0702), 0x08);
  // Port check, register write, port check, address phase, one-byte read.
  const std::vector<test::BusTransfer> log = rig.log();
  ASSERT_GE(log.size(), 7u);
  EXPECT_EQ(log[0].bytes, (std::vector<uint8_t>{0x02}));
  EXPECT_EQ(log[2].device, test::kSensorBus);
  EXPECT_EQ(log[2].bytes, (std::vector<uint8_t>{0x07, 0x02, 0x08}));
  EXPECT_EQ(log[3].bytes, (std::vector<uint8_t>{0x02}));
  EXPECT_EQ(log[5].bytes, (std::vector<uint8_t>{0x07, 0x02}));
  EXPECT_EQ(log[6].device, test::kSensorBus | 1);

  int32_t value = 0;
  EXPECT_EQ(sensor.ReadSensorRegisterWhenIdle(0x0702, &value), 1);
  EXPECT_EQ(value, 0x08);
}

TEST(SensorRegisters, BusySensorPortGivesUpAfterHundredAttemptsThreeMillisecondsApart) {
  EmulatorRig rig;
  rig.setSensorBusy(true);
  CSensorIMX487 sensor(rig.controller());
  int32_t value = 0;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(sensor.ReadSensorRegisterWhenIdle(0x0404, &value), 0);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(value, 0);
  EXPECT_EQ(FpgaReads(rig.log(), 0x02), 100);
  EXPECT_GE(elapsed, std::chrono::milliseconds(300));
  EXPECT_LT(elapsed, std::chrono::seconds(10)) << "the retries must stay bounded";

  rig.clearLog();
  EXPECT_EQ(sensor.WriteSensorRegisterVerified(0x0404, 1), 0);
  EXPECT_EQ(FpgaReads(rig.log(), 0x02), 100);
  EXPECT_TRUE(SensorWrites(rig.log()).empty());
}

TEST(SensorRegisters, ConcurrentReadsNeverSeeEachOthersRegister) {
  EmulatorRig rig;
  CSensorIMX487 sensor(rig.controller());
  ASSERT_EQ(sensor.WriteSensorRegister(0x07B4, 0x11), 1);
  ASSERT_EQ(sensor.WriteSensorRegister(0x0404, 0x22), 1);
  auto reader = [&](uint16_t reg, int32_t expected, int *wrong) {
    for (int i = 0; i < 300; ++i) {
      int32_t value = 0;
      if (!sensor.ReadSensorRegister(reg, &value) || value != expected) ++*wrong;
    }
  };
  int wrongA = 0;
  int wrongB = 0;
  std::thread a(reader, uint16_t(0x07B4), 0x11, &wrongA);
  std::thread b(reader, uint16_t(0x0404), 0x22, &wrongB);
  a.join();
  b.join();
  EXPECT_EQ(wrongA, 0);
  EXPECT_EQ(wrongB, 0);
}

}  // namespace
}  // namespace velmor
