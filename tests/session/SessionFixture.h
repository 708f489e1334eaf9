// Sessions made through the exports over a private shared camera table and
// a fresh set of emulated cameras per test, with a message window for each
// kind of message.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "api/SdkChain.h"
#include "emulator/EmulatorHub.h"
#include "platform/SharedMemory.h"
#include "session/Velmor.h"
#include "transport/DeviceTable.h"
#include "velmor/velmor.h"

namespace velmor {

class SessionFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    mapName_ = "U3K7-MemMap-session-" +
               std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
    DeviceTable::Process().SetMapName(mapName_);
    Hub().SetDefaults(emulator::Pattern::Ramp, -1);
    Hub().Clear();
    notices = Velmor_CreateMessageWindow();
    frames = Velmor_CreateMessageWindow();
  }
  void TearDown() override {
    for (int32_t handle : handles_) Velmor_Release(handle);
    Velmor_DestroyMessageWindow(notices);
    Velmor_DestroyMessageWindow(frames);
    Hub().Clear();
    platform::SharedMemory::Remove(mapName_);
    DeviceTable::Process().SetMapName(DeviceTable::kDefaultMapName);
  }
  static emulator::EmulatorHub &Hub() { return emulator::EmulatorHub::Instance(); }

  void AddCameras(int count) {
    for (int i = 0; i < count; ++i) Hub().Add(emulator::kDefaultProductId);
  }
  // A session released at the end of the test.
  int32_t Open(VELMOR_HWND window = nullptr) {
    const int32_t handle = Velmor_Initialize(window);
    EXPECT_NE(handle, 0);
    handles_.push_back(handle);
    return handle;
  }
  static CVelmor &Session(int32_t handle) { return *SdkChain().SessionOf(handle); }

  // One camera sending `fps` frames a second (0: one per request, -1: its
  // own rate), opened by a session that draws no preview window, in the
  // colour mode of `bits`.
  int32_t OpenCamera(int32_t bits = 8, int fps = 0) {
    Hub().SetDefaults(emulator::Pattern::Ramp, fps);
    AddCameras(1);
    const int32_t handle = Open(notices);
    EXPECT_EQ(Velmor_SetPreviewWindow(handle, nullptr, 0, 0, 0, 0), 1);
    EXPECT_EQ(Velmor_SetColorMode(handle, bits), 1);
    return handle;
  }
  // One camera at `fps`, opened by a session whose readout window is the
  // centred `side` x `side`.
  int32_t OpenCentred(int fps, int32_t side) {
    Hub().SetDefaults(emulator::Pattern::Ramp, fps);
    AddCameras(1);
    const int32_t handle = Open(notices);
    Centre(handle, side);
    return handle;
  }
  // The session's readout window becomes the centred `side` x `side`.
  static void Centre(int32_t handle, int32_t side) {
    CaptureGeometry geometry;
    geometry.EH = geometry.EV = side;
    geometry.EHS = geometry.EVS = (2848 - side) / 2;
    Session(handle).SetGeometry(geometry);
  }

  // Every code of the history, newest first, emptying it.
  static std::vector<int32_t> Errors(int32_t handle) {
    std::vector<int32_t> codes;
    for (int32_t code; (code = Velmor_GetLastError(handle)) != 0;) codes.push_back(code);
    return codes;
  }

  // The next message of `window` within `timeoutMs`; fails the test when
  // none arrives.
  static VELMOR_MSG Next(VELMOR_HWND window, int32_t timeoutMs = 5000) {
    VELMOR_MSG message{};
    EXPECT_EQ(Velmor_WaitMessage(window, &message, timeoutMs), 1)
        << "no message within " << timeoutMs << " ms";
    return message;
  }

  VELMOR_HWND notices = nullptr;
  VELMOR_HWND frames = nullptr;

 private:
  std::string mapName_;
  std::vector<int32_t> handles_;
};

}  // namespace velmor
