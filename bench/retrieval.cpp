// Full 8-bit frames through the callback preview into a host buffer, with
// the emulated camera sending on demand and no wait between frames, beside a
// plain copy of one frame.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "MemcpyBaseline.h"
#include "emulator/EmulatorHub.h"
#include "velmor/velmor.h"

namespace {

constexpr std::size_t kFrameBytes = std::size_t(2848) * 2848;

void BM_CallBackPreview8(benchmark::State &state) {
  auto &hub = velmor::emulator::EmulatorHub::Instance();
  hub.SetDefaults(velmor::emulator::Pattern::Ramp, 0);
  hub.Clear();
  hub.Add(velmor::emulator::kDefaultProductId);
  const int32_t handle = Velmor_Initialize(nullptr);
  VELMOR_HWND window = Velmor_CreateMessageWindow();
  std::vector<uint8_t> buffer(kFrameBytes);
  Velmor_SetPreviewWindow(handle, nullptr, 0, 0, 0, 0);
  Velmor_SetColorMode(handle, 8);
  Velmor_SetWaitTime(handle, 0);
  if (!Velmor_CallBackPreview(handle, window, buffer.data(), int32_t(buffer.size()), 1)) {
    state.SkipWithError("preview did not start");
  } else {
    VELMOR_MSG message{};
    for (auto _ : state) {
      do {
        if (!Velmor_WaitMessage(window, &message, 10000)) {
          state.SkipWithError("no frame within 10 s");
          break;
        }
      } while (message.message != VELMOR_WM_FRAME || message.wParam == 0);
      benchmark::DoNotOptimize(buffer.data());
    }
    Velmor_StopPreview(handle);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kFrameBytes));
  state.counters["fps"] =
      benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
  Velmor_DestroyMessageWindow(window);
  Velmor_Release(handle);
  hub.Clear();
}
BENCHMARK(BM_CallBackPreview8)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void BM_MemcpyOneFrame(benchmark::State &state) {
  velmor::bench::MemcpyBaseline(state, kFrameBytes);
}
BENCHMARK(BM_MemcpyOneFrame)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
