// The camera engine: its slot order, its answers before a camera is open,
// and opening cameras through the emulator: selection by device number, the
// sensor driver for the product ID, the bring-up on the wire, FPGA and
// EEPROM access.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "../support/VirtualSlot.h"
#include "EngineFixture.h"
#include "sensors/SensorGeneric.h"
#include "sensors/SensorIMX487.h"

namespace velmor {
namespace {

using emulator::LoggedRequest;
using emulator::RequestKind;

TEST(EngineSlots, EveryOperationSitsInItsSlot) {
#define SLOT(name) std::make_pair(std::string(#name), test::VirtualSlot(&CVelmorU3K7Base::name))
  // clang-format off
  const std::vector<std::pair<std::string, int>> slots = {
      SLOT(CreateController), SLOT(InitializeDevice), SLOT(CloseDevice), SLOT(ReadInfoBlock),
      SLOT(GetSensorInfo), SLOT(ReadInfoBlock2), SLOT(ReopenDevice), SLOT(OpenDevice),
      SLOT(NoOperation9), SLOT(IsDevicePresent), SLOT(EnumerateDevices), SLOT(GetDeviceName),
      SLOT(SetProductId), SLOT(GetProductId), SLOT(GetVendorIdAt), SLOT(GetProductIdAt),
      SLOT(GetDeviceNumberAt), SLOT(UsesPortResetPath), SLOT(GetDeviceNumber), SLOT(StartCapture),
      SLOT(StopCapture), SLOT(CopyFrame), SLOT(SetCaptureMode), SLOT(StopStreaming),
      SLOT(TransferLoop), SLOT(TransferLoopPortReset), SLOT(TransferLoopOtherModels),
      SLOT(PrepareFrameBuffers), SLOT(GetMaxDevices), SLOT(SyncFrameCounter),
      SLOT(CaptureSingleFrame), SLOT(NoOperation32), SLOT(GetLatestImage), SLOT(SetTransferTimeout),
      SLOT(WaitForFrame), SLOT(GetNextImage), SLOT(NoOperation37), SLOT(SetBitDepth),
      SLOT(SetSamplingRate), SLOT(GetSamplingRate), SLOT(SetCaptureWindow), SLOT(GetCaptureWindow),
      SLOT(SetMirrorH), SLOT(SetMirrorV), SLOT(GetMirrorH), SLOT(GetMirrorV),
      SLOT(GetMirrorVDefault), SLOT(GetMirrorHDefault), SLOT(SupportsMirrorV),
      SLOT(SupportsMirrorH), SLOT(SetTriggerMode), SLOT(GetTriggerMode), SLOT(WriteEeprom),
      SLOT(ReadEeprom), SLOT(GetHWindowAdjustable), SLOT(GetVWindowAdjustable), SLOT(GetFullWidth),
      SLOT(GetFullHeight), SLOT(GetDefaultWidth), SLOT(GetDefaultHeight), SLOT(GetDefaultHStart),
      SLOT(GetDefaultVStart), SLOT(SetGain), SLOT(GetGain), SLOT(GetGainMin), SLOT(GetGainMax),
      SLOT(GetGainDefault), SLOT(SetExposureTime), SLOT(GetExposureTime), SLOT(GetExposureTimeMin),
      SLOT(GetExposureTimeMax), SLOT(GetExposureTimeDefault), SLOT(SetExposureLines),
      SLOT(GetExposureLines), SLOT(GetExposureLinesMin), SLOT(GetExposureLinesMax),
      SLOT(GetExposureLinesDefault), SLOT(SupportsRealExposure), SLOT(SetRealExposure),
      SLOT(GetRealExposure), SLOT(GetRealExposureMin), SLOT(GetRealExposureMax),
      SLOT(GetRealExposureDefault), SLOT(SetChannelGain), SLOT(GetChannelGain),
      SLOT(GetChannelGainMin), SLOT(GetChannelGainMax), SLOT(GetChannelGainDefault),
      SLOT(SetChannelOffset), SLOT(GetChannelOffset), SLOT(GetChannelOffsetMin),
      SLOT(GetChannelOffsetMax), SLOT(GetChannelOffsetDefault), SLOT(SetColorGainRed),
      SLOT(GetColorGainRed), SLOT(SetColorGainGreen1), SLOT(GetColorGainGreen1),
      SLOT(SetColorGainGreen2), SLOT(GetColorGainGreen2), SLOT(SetColorGainBlue),
      SLOT(GetColorGainBlue), SLOT(GetColorGainMin), SLOT(GetColorGainMax),
      SLOT(GetColorGainDefault), SLOT(SupportsBlackLevel), SLOT(SetBlackLevel), SLOT(GetBlackLevel),
      SLOT(GetBlackLevelMin), SLOT(GetBlackLevelMax), SLOT(GetBlackLevelDefault),
      SLOT(WriteSensorRegister), SLOT(ReadSensorRegister), SLOT(WriteFpgaRegister),
      SLOT(ReadFpgaRegister), SLOT(NoOperation115), SLOT(NoOperation116),
      SLOT(PrepareSensorStreaming), SLOT(SendSensorCommand), SLOT(SetFrameRate),
      SLOT(SupportsGainMode), SLOT(SetGainMode), SLOT(GetGainMode), SLOT(WriteUserByte),
      SLOT(ReadUserByte), SLOT(OtherModel125), SLOT(OtherModel126), SLOT(OtherModel127),
      SLOT(OtherModel128), SLOT(OtherModel129), SLOT(OtherModel130), SLOT(OtherModel131),
      SLOT(OtherModel132), SLOT(ReadSerialText), SLOT(SendSerialText), SLOT(SupportsCooling),
      SLOT(GetCooling), SLOT(SetCooling), SLOT(SupportsTemperature), SLOT(GetTemperature),
      SLOT(SupportsAuxSwitch), SLOT(GetAuxSwitch), SLOT(SetAuxSwitch), SLOT(SupportsSensorTuning),
      SLOT(GetSensorTuning), SLOT(ApplySensorTuning), SLOT(SupportsThermalControl), SLOT(Reserved8),
      SLOT(Reserved9), SLOT(GetThermalReading), SLOT(SetThermalTarget), SLOT(RefreshStatus),
      SLOT(GetStatus), SLOT(SetLinkOption), SLOT(PulseLinkReset), SLOT(SupportsLinkReset),
      SLOT(SupportsModeSwitch), SLOT(GetModeSwitch), SLOT(SetModeSwitch),
      SLOT(SupportsGainMultiplier), SLOT(GetGainMultiplierMin), SLOT(GetGainMultiplierMax),
      SLOT(GetGainMultiplierDefault), SLOT(GetGainMultiplier), SLOT(SetGainMultiplier),
      SLOT(GetGainMultiplierLabel), SLOT(SupportsBinaryOption), SLOT(SetBinaryOption),
      SLOT(GetBinaryOption), SLOT(Supports8BitOutput), SLOT(Supports16BitOutput),
      SLOT(SupportsColorOutput)};
  // clang-format on
#undef SLOT
  ASSERT_EQ(slots.size(), 171u);
  for (std::size_t i = 0; i < slots.size(); ++i) {
    EXPECT_EQ(slots[i].second, int(i) + 1) << slots[i].first;
  }
}

TEST(EngineWithoutCamera, ForwardersAnswerTheirValuesForAMissingSensor) {
  CVelmorUSB3K7SimpleSdk engine;
  int32_t word = 7;
  double seconds = 0;
  SensorInfo info{};
  EXPECT_EQ(engine.GetSensorInfo(&info), 0);
  EXPECT_EQ(engine.SetGain(10), 0);
  EXPECT_EQ(engine.GetGain(), 0);
  EXPECT_EQ(engine.GetChannelGain(1), 0);
  EXPECT_EQ(engine.SetExposureTime(100), 0);
  EXPECT_EQ(engine.SetRealExposure(0.01), 0);
  EXPECT_EQ(engine.GetRealExposureMax(&seconds), 0);
  EXPECT_EQ(engine.SetMirrorH(1), 0);
  EXPECT_EQ(engine.SupportsMirrorV(), 0);
  EXPECT_EQ(engine.GetBlackLevelMax(), 0);
  EXPECT_EQ(engine.GetFullWidth(), 0);
  EXPECT_EQ(engine.ReadSensorRegister(0x0702, &word), 0);
  EXPECT_EQ(word, 0);
  EXPECT_EQ(engine.GetGainMultiplier(&word), 0);
  EXPECT_EQ(engine.GetGainMultiplierMin(), 0);
  EXPECT_EQ(engine.PrepareSensorStreaming(), 0);
  EXPECT_EQ(engine.GetTemperature(&seconds), 0);
  EXPECT_EQ(engine.GetGainMode(), -1);
  EXPECT_EQ(engine.GetBinaryOption(), -1);
  EXPECT_EQ(engine.Supports8BitOutput(), 1);
  EXPECT_EQ(engine.Supports16BitOutput(), 1);
  EXPECT_EQ(engine.SupportsColorOutput(), 1);
  EXPECT_EQ(engine.SetCaptureWindow(0, 0, 2848, 2848, 0), 0);

  EXPECT_EQ(engine.NoOperation9(), 0);
  EXPECT_EQ(engine.NoOperation32(), -1);
  EXPECT_EQ(engine.GetMaxDevices(), 32);
  EXPECT_EQ(engine.GetProductId(), -1);
  EXPECT_EQ(engine.GetDeviceNumberAt(0), -1);
  EXPECT_EQ(engine.GetVendorIdAt(0), 0);
  EXPECT_EQ(engine.WriteFpgaRegister(0x07, 1), 0);
  EXPECT_EQ(engine.ReadFpgaRegister(0x07, &word), 0);
  EXPECT_EQ(word, 0);
  EXPECT_EQ(engine.WriteUserByte(1), 0);
  EXPECT_EQ(engine.OpenDevice(0), 0);
  EXPECT_EQ(engine.ReopenDevice(0), -1);
  EXPECT_EQ(engine.CloseDevice(), 1);
}

TEST(EngineWithoutCamera, PortResetPathBelongsToAnotherModelOnly) {
  CVelmorUSB3K7SimpleSdk engine;
  engine.SetProductId(0x32F0);
  EXPECT_EQ(engine.UsesPortResetPath(), 0);
  engine.SetProductId(0x3042);
  EXPECT_EQ(engine.UsesPortResetPath(), 1);
}

using DeviceOpen = EngineFixture;

TEST_F(DeviceOpen, NothingReachesTheWireBeforeTheProductIdIsSet) {
  ASSERT_TRUE(Hub().Configure("1"));
  engine.CreateController(nullptr, nullptr);
  EXPECT_EQ(engine.OpenDevice(0), 0);
  EXPECT_TRUE(Log(0).empty());
  EXPECT_EQ(engine.GetDeviceNumberAt(32), -1);
}

TEST_F(DeviceOpen, DeviceNumbersOpenTheCamerasInEnumerationOrder) {
  ASSERT_TRUE(Hub().Configure("2"));
  ASSERT_EQ(StartUp(), 2);
  EXPECT_EQ(engine.IsDevicePresent(1), 1);
  EXPECT_EQ(engine.IsDevicePresent(2), 0);
  EXPECT_TRUE(Log(0).empty() && Log(1).empty()) << "enumeration opens nothing by itself";

  ASSERT_EQ(engine.OpenDevice(1), 1);
  EXPECT_EQ(engine.GetDeviceNumber(), 1);
  EXPECT_TRUE(Log(0).empty());
  EXPECT_FALSE(Log(1).empty());
  ASSERT_NE(dynamic_cast<CSensorIMX487 *>(engine.sensor()), nullptr);
  EXPECT_EQ(engine.sensor()->busAddress(), 0x48);
  EXPECT_EQ(engine.GetFullWidth(), 2848);

  EXPECT_EQ(engine.ReopenDevice(0), 0);
  EXPECT_EQ(engine.GetDeviceNumber(), 0);
  EXPECT_FALSE(Log(0).empty());
  EXPECT_EQ(engine.ReopenDevice(2), -1);
}

TEST_F(DeviceOpen, CamerasOfOtherProductIdsAreNotCountedNorOpened) {
  ASSERT_TRUE(Hub().Configure("0x3020,0x32F0"));
  ASSERT_EQ(StartUp(), 1);
  EXPECT_EQ(engine.EnumerateDevices(0), 2);
  EXPECT_EQ(engine.GetProductIdAt(0), 0x3020);
  EXPECT_EQ(engine.OpenDevice(1), 0);
  ASSERT_EQ(engine.OpenDevice(0), 1);
  EXPECT_TRUE(Log(0).empty());

  // An engine for the other model opens it, with the family's generic driver.
  CVelmorUSB3K7SimpleSdk other;
  other.SetProductId(0x3020);
  other.CreateController(nullptr, nullptr);
  ASSERT_EQ(other.OpenDevice(0), 0) << "the generic driver detects no sensor";
  EXPECT_NE(dynamic_cast<CSensorGeneric *>(other.sensor()), nullptr);
}

TEST_F(DeviceOpen, BringUpOrderOnTheWire) {
  ASSERT_TRUE(Hub().Configure("1"));
  ASSERT_EQ(StartUp(), 1);
  ASSERT_EQ(engine.OpenDevice(0), 1);
  const std::vector<LoggedRequest> log = Log(0);
  auto position = [&](auto matches) {
    return std::find_if(log.begin(), log.end(), matches) - log.begin();
  };
  const auto portReset =
      position([](const LoggedRequest &r) { return r.kind == RequestKind::ResetPort; });
  const auto infoBlock = position(
      [](const LoggedRequest &r) { return r.kind == RequestKind::Control && r.request() == 0xB0; });
  const auto firstSensorWrite = position([](const LoggedRequest &r) {
    return r.kind == RequestKind::Control && r.request() == 0x30 && r.record.index() == 0x48 &&
           r.data.size() >= 3 && r.data[0] == 0x07 && r.data[1] == 0x02 && r.data[2] == 0x08;
  });
  const auto readyCheck = log.rend() -
                          std::find_if(log.rbegin(), log.rend(),
                                       [](const LoggedRequest &r) {
                                         return r.kind == RequestKind::Control &&
                                                r.request() == 0x30 && r.record.index() == 0x40 &&
                                                r.record.value() == 1 && !r.data.empty() &&
                                                r.data[0] == 0x81;
                                       }) -
                          1;
  ASSERT_LT(portReset, std::ptrdiff_t(log.size()));
  EXPECT_LT(portReset, infoBlock);
  EXPECT_LT(infoBlock, firstSensorWrite);
  ASSERT_LT(firstSensorWrite, std::ptrdiff_t(log.size()));
  EXPECT_LT(firstSensorWrite, readyCheck) << "the FPGA's readiness is checked last";
  EXPECT_EQ(engine.infoBlock()[24] | engine.infoBlock()[25] << 8, 0x1100);
}

TEST_F(DeviceOpen, UnpluggedCameraIsAbsentAndReturnsUnderItsOldNumber) {
  ASSERT_TRUE(Hub().Configure("1"));
  ASSERT_EQ(StartUp(), 1);
  ASSERT_TRUE(Hub().Camera(0)->Set("unplug", 1));
  EXPECT_EQ(engine.IsDevicePresent(0), 0);
  EXPECT_EQ(engine.OpenDevice(0), 0);
  ASSERT_TRUE(Hub().Camera(0)->Set("unplug", 0));
  EXPECT_EQ(engine.EnumerateDevices(kProductId), 1);
  EXPECT_EQ(engine.OpenDevice(0), 1);
  EXPECT_EQ(engine.GetDeviceNumberAt(0), 0);
}

TEST_F(DeviceOpen, FpgaRegistersAreCutToEightBitsAndTheUserByteLivesInTheEeprom) {
  ASSERT_TRUE(Hub().Configure("1"));
  ASSERT_EQ(StartUp(), 1);
  ASSERT_EQ(engine.OpenDevice(0), 1);
  EXPECT_EQ(engine.WriteFpgaRegister(0x107, 0x1A5), 1);
  int value = 0;
  ASSERT_TRUE(Hub().Camera(0)->Get("fpga:07", &value));
  EXPECT_EQ(value, 0xA5);
  int32_t ok = 0;
  EXPECT_EQ(engine.ReadFpgaRegister(0x07, &ok), 0xA5);
  EXPECT_EQ(ok, 1);

  // The model that resets its port instead gets no FPGA access at all.
  engine.SetProductId(0x3042);
  Hub().Camera(0)->log().Clear();
  EXPECT_EQ(engine.WriteFpgaRegister(0x07, 1), 0);
  EXPECT_EQ(engine.ReadFpgaRegister(0x07, &ok), 0);
  EXPECT_EQ(ok, 0);
  EXPECT_TRUE(Log(0).empty());
  engine.SetProductId(kProductId);

  ASSERT_EQ(engine.WriteUserByte(0x5C), 1);
  ASSERT_TRUE(Hub().Camera(0)->Get("eeprom:1080", &value));
  EXPECT_EQ(value, 0x5C);
  uint8_t byte = 0;
  EXPECT_EQ(engine.ReadUserByte(&byte), 1);
  EXPECT_EQ(byte, 0x5C);
}

}  // namespace
}  // namespace velmor
