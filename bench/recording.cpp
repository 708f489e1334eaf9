// Recording. A full frame turned into a bottom-up 24-bit frame and appended
// to an AVI file in the page cache (a tmpfs), beside a memcpy of the 24-bit
// frame: the conversion alone, conversion and append (the kernel allocates
// a page for every 4 KiB appended), and conversion and a write over pages
// already in the cache. Then the recorder taking every frame the preview of
// an emulated camera at its sensor timing processes, for a 1024 x 1024
// window recorded to a tmpfs.
//
// Files go to $VELMOR_BENCH_DIR, else /dev/shm, else the temporary folder.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "MemcpyBaseline.h"
#include "api/SdkChain.h"
#include "emulator/EmulatorHub.h"
#include "files/AviWriter.h"
#include "files/FileHolder.h"
#include "imaging/DibImage.h"
#include "imaging/GreyToBgr.h"
#include "platform/SharedMemory.h"
#include "session/Velmor.h"
#include "transport/DeviceTable.h"
#include "velmor/velmor.h"

namespace {

using velmor::imaging::DibImage;

constexpr int32_t kFull = 2848;
// Frames per file before it is started again, so the file stays in memory.
constexpr int kFramesPerFile = 16;

std::string BenchPath(const char *name) {
  std::filesystem::path folder = std::filesystem::temp_directory_path();
  if (const char *chosen = std::getenv("VELMOR_BENCH_DIR"))
    folder = chosen;
  else if (std::filesystem::is_directory("/dev/shm"))
    folder = "/dev/shm";
  return (folder / name).string();
}

void Memcpy24(benchmark::State &state) {
  velmor::bench::MemcpyBaseline(state, std::size_t(kFull) * kFull * 3);
}
BENCHMARK(Memcpy24)->Unit(benchmark::kMillisecond);

// A grey frame of `bits` with a ramp in it.
void MakeGrey(DibImage &grey, int32_t bits) {
  grey.Create(kFull, kFull, bits);
  for (std::size_t i = 0; i < grey.sizeBytes(); ++i) grey.bits()[i] = uint8_t(i * 13);
  if (bits == 16)
    for (std::size_t i = 0; i < grey.sizeBytes() / 2; ++i)
      reinterpret_cast<uint16_t *>(grey.bits())[i] &= 0x0FFF;
}

velmor::imaging::PixelRoutine Routine(int32_t bits) {
  return bits == 8 ? velmor::imaging::GreyToBgrFlipped : velmor::imaging::Grey16ToBgrFlipped;
}

void Convert(benchmark::State &state) {
  const int32_t bits = int32_t(state.range(0));
  DibImage grey, bgr;
  MakeGrey(grey, bits);
  bgr.Create(kFull, kFull, 24);
  for (auto _ : state) {
    DibImage::Convert(bgr, Routine(bits), grey);
    benchmark::DoNotOptimize(bgr.bits());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bgr.sizeBytes()));
}
BENCHMARK(Convert)->Arg(8)->Arg(16)->ArgName("bits")->Unit(benchmark::kMillisecond);

void ConvertAndAppend(benchmark::State &state) {
  const int32_t bits = int32_t(state.range(0));
  DibImage grey, bgr;
  MakeGrey(grey, bits);
  bgr.Create(kFull, kFull, 24);
  const std::string path = BenchPath("velmor-bench-recording.avi");
  velmor::files::AviWriter writer;
  if (!writer.Open(path.c_str(), kFull, kFull)) {
    state.SkipWithError("the file cannot be opened");
    return;
  }
  int frames = 0;
  for (auto _ : state) {
    if (frames++ == kFramesPerFile) {
      state.PauseTiming();
      writer.Finish(3000);
      writer.Open(path.c_str(), kFull, kFull);
      frames = 1;
      state.ResumeTiming();
    }
    DibImage::Convert(bgr, Routine(bits), grey);
    if (!writer.AppendFrame(bgr.bits())) {
      state.SkipWithError("a frame could not be written");
      break;
    }
  }
  writer.Finish(3000);
  std::remove(path.c_str());
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bgr.sizeBytes()));
}
BENCHMARK(ConvertAndAppend)
    ->Arg(8)
    ->Arg(16)
    ->ArgName("bits")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The same frames written over a file region whose pages are already in the
// page cache: what appending costs less the kernel's page allocation.
void ConvertAndRewrite(benchmark::State &state) {
  const int32_t bits = int32_t(state.range(0));
  DibImage grey, bgr;
  MakeGrey(grey, bits);
  bgr.Create(kFull, kFull, 24);
  const std::string path = BenchPath("velmor-bench-rewrite.avi");
  velmor::files::FileHolder file;
  if (!file.OpenForWrite(path.c_str()) || !file.Write(bgr.bits(), bgr.sizeBytes())) {
    state.SkipWithError("the file cannot be written");
    return;
  }
  for (auto _ : state) {
    DibImage::Convert(bgr, Routine(bits), grey);
    if (!file.WriteAt(0, bgr.bits(), bgr.sizeBytes())) {
      state.SkipWithError("a frame could not be written");
      break;
    }
  }
  file.Close();
  std::remove(path.c_str());
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bgr.sizeBytes()));
}
BENCHMARK(ConvertAndRewrite)
    ->Arg(8)
    ->Arg(16)
    ->ArgName("bits")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// A 1024 x 1024 preview at the emulated sensor's own timing recorded for
// two seconds: the counters say how many frames the recorder took and how
// many the preview processed that it never took.
void RecorderKeepsUp(benchmark::State &state) {
  constexpr int32_t kSide = 1024;
  const std::string mapName =
      "U3K7-MemMap-bench-" +
      std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
  velmor::DeviceTable::Process().SetMapName(mapName);
  auto &hub = velmor::emulator::EmulatorHub::Instance();
  hub.SetDefaults(velmor::emulator::Pattern::Scene, -1);
  hub.Clear();
  hub.Add(velmor::emulator::kDefaultProductId);
  const int32_t handle = Velmor_Initialize(nullptr);
  velmor::CVelmor *session = velmor::SdkChain().SessionOf(handle);
  const std::string path = BenchPath("velmor-bench-recorder.avi");
  int32_t recorded = 0, skipped = 0;
  double fps = 0;
  if (session == nullptr) {
    state.SkipWithError("no emulated camera");
  } else {
    velmor::CaptureGeometry geometry;
    geometry.EH = geometry.EV = kSide;
    geometry.EHS = geometry.EVS = (kFull - kSide) / 2;
    session->SetGeometry(geometry);
    Velmor_SetPreviewWindow(handle, nullptr, 0, 0, 0, 0);
    for (auto _ : state) {
      if (!Velmor_Record(handle, path.c_str(), 2000, 0)) {
        state.SkipWithError("the recording did not start");
        break;
      }
      session->recorder().WaitUntilDone(30000);
      recorded += session->recorder().framesRecorded();
      skipped += session->recorder().framesSkipped();
      fps = session->frameRecord().fpsTimesTen / 10.0;
      Velmor_StopPreview(handle);
    }
  }
  state.counters["frames_recorded"] = recorded;
  state.counters["frames_skipped"] = skipped;
  state.counters["preview_fps"] = fps;
  Velmor_Release(handle);
  std::remove(path.c_str());
  hub.Clear();
  velmor::platform::SharedMemory::Remove(mapName);
  velmor::DeviceTable::Process().SetMapName(velmor::DeviceTable::kDefaultMapName);
}
BENCHMARK(RecorderKeepsUp)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
