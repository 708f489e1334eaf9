// Full 8-bit frames from an emulated camera at fps 0, read through the driver
// layer the way the controller does (armed header, then 512 KiB chunks),
// beside a plain copy of one frame for scale.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "MemcpyBaseline.h"
#include "emulator/EmulatorHub.h"
#include "transport/Fx3Api.h"

namespace {

using velmor::CFx3Api;
using velmor::DeviceHandle;
using velmor::Overlapped;

constexpr uint32_t kFrameBytes = 2848u * 2848u;
constexpr uint32_t kChunk = 512u * 1024u;

bool Arm(CFx3Api &api, velmor::platform::UsbDevice *device) {
  uint8_t buffer[CFx3Api::kControlBufferSize] = {};
  velmor::platform::SingleTransfer record;
  record.setSetup(0x42, 0xC2, 0, 0, 102);
  record.setTimeoutSeconds(3);
  record.setBuffer(38, 64);
  record.WriteTo(buffer);
  return api.ControlTransfer(device, buffer, nullptr) == 1;
}

bool Read(CFx3Api &api, velmor::platform::UsbDevice *device, uint8_t *data, uint32_t length) {
  Overlapped overlapped{device->NewIo()};
  auto record = api.SubmitDirect(device, data, length, 0x81, &overlapped);
  if (!api.WaitSubmitted(&overlapped, 5000)) {
    CFx3Api::DrainAbandoned(device, 0x81, *overlapped.io);
    return false;
  }
  uint32_t transferred = 0;
  return api.CompleteDirect(device, &overlapped, std::move(record), &transferred) == 1 &&
         transferred == length;
}

void FramesThroughDriverLayer(benchmark::State &state) {
  auto &hub = velmor::emulator::EmulatorHub::Instance();
  hub.SetDefaults(velmor::emulator::Pattern::Scene, 0);
  hub.Configure("1");
  CFx3Api api;
  const velmor::platform::UsbGuid guid = velmor::platform::kCameraInterfaceGuid;
  api.SetInterfaceGuid(&guid);
  api.EnumerateDevices();
  DeviceHandle device;
  if (!api.OpenDevicePath(&device, 0, true)) {
    state.SkipWithError("no emulated camera");
    return;
  }
  std::vector<uint8_t> frame(kFrameBytes);
  uint8_t header[64];
  for (auto _ : state) {
    bool ok = Arm(api, device.get()) && Read(api, device.get(), header, 64);
    for (uint32_t at = 0; ok && at < kFrameBytes; at += kChunk)
      ok = Read(api, device.get(), frame.data() + at, std::min(kChunk, kFrameBytes - at));
    if (!ok) {
      state.SkipWithError("frame read failed");
      break;
    }
    benchmark::DoNotOptimize(frame.data());
  }
  int sent = 0;
  hub.Camera(0)->Get("frames_sent", &sent);
  state.counters["frames_sent"] = sent;
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(int64_t(state.iterations()) * kFrameBytes);
  hub.Clear();
}
BENCHMARK(FramesThroughDriverLayer)->Unit(benchmark::kMillisecond)->UseRealTime();

void MemcpyOneFrame(benchmark::State &state) {
  velmor::bench::MemcpyBaseline(state, kFrameBytes);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(MemcpyOneFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
