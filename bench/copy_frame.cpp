// The engine's upright copy of full frames (a frame turned by 180 degrees, as
// this camera's sensor reads out) beside a plain memcpy of the same bytes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "MemcpyBaseline.h"
#include "engine/OrientedCopy.h"

namespace {

using velmor::FrameGeometry;

constexpr int32_t kFull = 2848;

void Prepare(benchmark::State &state, const FrameGeometry &geometry) {
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(geometry.frameSize()));
}

void TurnedCopy(benchmark::State &state) {
  const FrameGeometry geometry{kFull, kFull, int32_t(state.range(0))};
  std::vector<uint8_t> source(geometry.frameSize(), 0x5A), target(geometry.frameSize());
  for (std::size_t i = 0; i < source.size(); ++i) source[i] = uint8_t(i * 7);
  for (auto _ : state) {
    velmor::CopyOriented(target.data(), source.data(), geometry, {true, true});
    benchmark::DoNotOptimize(target.data());
    benchmark::ClobberMemory();
  }
  Prepare(state, geometry);
}
BENCHMARK(TurnedCopy)->Arg(1)->Arg(2)->ArgName("bytes")->Unit(benchmark::kMillisecond);

void Memcpy(benchmark::State &state) {
  const FrameGeometry geometry{kFull, kFull, int32_t(state.range(0))};
  velmor::bench::MemcpyBaseline(state, geometry.frameSize());
}
BENCHMARK(Memcpy)->Arg(1)->Arg(2)->ArgName("bytes")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
