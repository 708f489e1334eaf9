// Continuous capture of full 8-bit frames from an emulated camera at fps 0
// (a new frame as soon as one is asked for), taken by a caller that waits for
// every frame and copies it upright, as the session's acquisition does.
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>
#include <vector>

#include "emulator/EmulatorHub.h"
#include "engine/VelmorUSB3K7SimpleSdk.h"
#include "platform/SharedMemory.h"
#include "transport/DeviceTable.h"

namespace {

constexpr int32_t kProductId = 0x32F0;
constexpr std::size_t kFrameBytes = std::size_t(2848) * 2848;

void ContinuousCapture(benchmark::State &state) {
  // A camera table of this run's own, so that no other process's rows count.
  const std::string mapName =
      "U3K7-MemMap-bench-" +
      std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
  velmor::DeviceTable::Process().SetMapName(mapName);
  auto &hub = velmor::emulator::EmulatorHub::Instance();
  hub.SetDefaults(velmor::emulator::Pattern::Scene, 0);
  hub.Configure("1");
  velmor::CVelmorUSB3K7SimpleSdk engine;
  engine.SetProductId(kProductId);
  engine.CreateController(nullptr, nullptr);
  if (engine.EnumerateDevices(kProductId) < 1 || !engine.OpenDevice(0) || !engine.StartCapture(0)) {
    state.SkipWithError("no emulated camera");
    return;
  }
  std::vector<uint8_t> frame(kFrameBytes);
  int64_t frames = 0;
  for (auto _ : state) {
    // 2 also answers a signal whose frame an earlier take already copied.
    int32_t answer = 2;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (answer == 2 && std::chrono::steady_clock::now() < end)
      answer = engine.WaitForFrame(1000);
    if (answer != 3) {
      state.SkipWithError(answer == 1 ? "the transfer failed" : "no frame within 5 s");
      break;
    }
    engine.GetNextImage(frame.data(), 0, 0, 0, 1);
    ++frames;
  }
  engine.StopCapture();
  engine.CloseDevice();
  state.counters["frames_per_second"] =
      benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
  state.SetBytesProcessed(frames * int64_t(kFrameBytes));
  hub.Clear();
  velmor::platform::SharedMemory::Remove(mapName);
  velmor::DeviceTable::Process().SetMapName(velmor::DeviceTable::kDefaultMapName);
}
BENCHMARK(ContinuousCapture)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
