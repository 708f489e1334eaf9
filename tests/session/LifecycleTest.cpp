// Session lifecycle through the exports: what initialisation opens, camera
// selection and its re-applied settings, close.
#include "SessionFixture.h"

namespace velmor {
namespace {

using LifecycleTest = SessionFixture;

TEST_F(LifecycleTest, OneCameraIsOpenedAtInitialisation) {
  AddCameras(1);
  const int32_t handle = Open(notices);
  CVelmor &session = Session(handle);
  ASSERT_NE(session.engine(), nullptr);
  EXPECT_NE(session.engine()->sensor(), nullptr) << "the only camera is open";
  EXPECT_EQ(session.deviceNumber(), 0);
  EXPECT_EQ(Velmor_GetLastError(handle), 0);
  VELMOR_MSG message;
  EXPECT_EQ(Velmor_WaitMessage(notices, &message, 0), 0) << "nothing failed, nothing posted";
}

TEST_F(LifecycleTest, TwoCamerasWaitForASelection) {
  AddCameras(2);
  const int32_t handle = Open();
  CVelmor &session = Session(handle);
  EXPECT_EQ(session.engine()->sensor(), nullptr) << "no camera open before a selection";
  ASSERT_EQ(Velmor_SetDeviceNumber(handle, 1), 1);
  EXPECT_NE(session.engine()->sensor(), nullptr);
  EXPECT_EQ(session.deviceNumber(), 1);
  EXPECT_EQ(session.engine()->GetDeviceNumber(), 1);
}

TEST_F(LifecycleTest, AFreshProfileTakesTheCamerasOwnValues) {
  AddCameras(1);
  CVelmor &session = Session(Open());
  CVelmorUSB3K7SimpleSdk &engine = *session.engine();
  const AnalogValues &analog = session.analog();
  EXPECT_EQ(analog.gain, engine.GetGain());
  EXPECT_EQ(analog.exposure, engine.GetExposureTime());
  EXPECT_EQ(analog.colourGainRed, engine.GetColorGainDefault());
  EXPECT_EQ(analog.colourGainGreen2, engine.GetColorGainDefault());
  EXPECT_EQ(analog.blackLevel, engine.GetBlackLevel());
  EXPECT_EQ(session.colourMode(), 1) << "a monochrome camera starts with 16-bit frames";
  EXPECT_EQ(session.waitTime(), 1) << "the wait time of a first run's keys";
  const FilterValues &filters = session.filters();
  EXPECT_EQ(filters.byId[7], 100);
  EXPECT_EQ(filters.byId[11], 100);
  EXPECT_EQ(filters.byId[12], 3);
  EXPECT_EQ(filters.byId[20], 128);
  EXPECT_EQ(filters.byId[27], 128);
  EXPECT_EQ(filters.byId[1], 0);
  EXPECT_EQ(session.geometry().EH, 2848);
  EXPECT_EQ(session.geometry().Buf, 4);
}

TEST_F(LifecycleTest, ColourModesAreBroughtIntoTheCamerasCapabilities) {
  EXPECT_EQ(FitColourMode(2, true, true, false), 1);
  EXPECT_EQ(FitColourMode(2, true, false, false), 0);
  EXPECT_EQ(FitColourMode(2, true, true, true), 2);
  EXPECT_EQ(FitColourMode(0, false, true, false), 1);
  EXPECT_EQ(FitColourMode(3, false, false, true), 2);
  EXPECT_EQ(FitColourMode(1, true, false, true), 2);
  EXPECT_EQ(FitColourMode(1, true, false, false), 0);
}

TEST_F(LifecycleTest, SelectingAnAbsentCameraRecords2) {
  AddCameras(2);
  const int32_t handle = Open(notices);
  EXPECT_EQ(Velmor_SetDeviceNumber(handle, 5), 0);
  EXPECT_EQ(Velmor_SetDeviceNumber(handle, -1), 0);
  EXPECT_EQ(Errors(handle), (std::vector<int32_t>{2, 2}));
  const VELMOR_MSG message = Next(notices);
  EXPECT_EQ(message.message, VELMOR_WM_ERROR);
  EXPECT_EQ(message.lParam, 2);
}

TEST_F(LifecycleTest, CloseTwiceAndTheSessionStaysUsable) {
  AddCameras(1);
  const int32_t handle = Open();
  EXPECT_EQ(Velmor_Close(handle), 1);
  EXPECT_EQ(Velmor_Close(handle), 1);
  EXPECT_EQ(Velmor_GetLastError(handle), 0);
  EXPECT_NE(Session(handle).engine()->sensor(), nullptr) << "the camera stays open";
  EXPECT_EQ(Session(handle).imageReady(), 0);
}

TEST_F(LifecycleTest, UnknownHandlesAnswer0AndRecordNothing) {
  char names[10][256];
  char text[64];
  VELMOR_CAMERA_INFO info{};
  info.size = sizeof info;
  EXPECT_EQ(Velmor_SetDeviceNumber(12345, 0), 0);
  EXPECT_EQ(Velmor_Close(12345), 0);
  EXPECT_EQ(Velmor_EnumDevice(12345, names), 0);
  EXPECT_EQ(Velmor_GetDeviceName(12345, 0, text, 64), 0);
  EXPECT_EQ(Velmor_ReadSerialNumberA(12345, text, 64), 0);
  EXPECT_EQ(Velmor_GetCameraInfo(12345, &info), 0);
  EXPECT_EQ(Velmor_StartPreview(12345), 0);
  EXPECT_EQ(Velmor_StopPreview(12345), 0);
}

}  // namespace
}  // namespace velmor
