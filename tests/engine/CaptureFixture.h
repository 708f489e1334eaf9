// An engine with one emulated camera opened, for the capture tests: the
// camera's knobs and registers, its serial-bus log, and bounded waits for
// what the transfer thread delivers.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "../sensors/WireLog.h"
#include "EngineFixture.h"

namespace velmor {

class CaptureFixture : public EngineFixture {
 protected:
  using Clock = std::chrono::steady_clock;
  static constexpr int32_t kFull = 2848;

  void SetUp() override {
    EngineFixture::SetUp();
    ASSERT_TRUE(Hub().Configure("1"));
    ASSERT_EQ(StartUp(), 1);
    ASSERT_EQ(engine.OpenDevice(0), 1);
    ClearLog();
  }

  emulator::EmulatedCamera &camera() { return *Hub().Camera(0); }
  void Knob(const char *key, int value) { ASSERT_TRUE(camera().Set(key, value)) << key; }
  int Counter(const char *key) {
    int value = -1;
    EXPECT_TRUE(camera().Get(key, &value)) << key;
    return value;
  }
  int Peek(const char *format, unsigned address) {
    char key[16];
    std::snprintf(key, sizeof key, format, address);
    return Counter(key);
  }
  uint32_t SensorValue(uint16_t first, int bytes) {
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = value << 8 | Peek("sensor:%04x", first + i);
    return value;
  }
  void ClearLog() { camera().log().Clear(); }
  std::vector<test::BusTransfer> Bus() { return test::BusLog(Log(0)); }
  std::vector<test::RegisterWrite> FpgaWrites() { return test::FpgaWrites(Bus()); }
  // Header reads armed (vendor request 0xC2) since the log was cleared.
  int HeaderArms() {
    int arms = 0;
    for (const emulator::LoggedRequest &entry : Log(0))
      arms += entry.kind == emulator::RequestKind::Control && entry.request() == 0xC2;
    return arms;
  }

  // Calls WaitForFrame until it answers `answer`, for at most `limitMs`.
  bool WaitForAnswer(int32_t answer, int limitMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(limitMs);
    while (Clock::now() < end) {
      if (engine.WaitForFrame(100) == answer) return true;
    }
    return false;
  }
  // Polls `done` until it holds, for at most `limitMs`.
  template <class Done>
  static bool Eventually(Done done, int limitMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(limitMs);
    while (!done()) {
      if (Clock::now() >= end) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));  // a poll, not a wait for an event
    }
    return true;
  }
};

}  // namespace velmor
