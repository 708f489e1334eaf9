// The yardstick every benchmark compares with: one memcpy of `bytes` per
// iteration between two buffers made once, its bytes counted.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace velmor::bench {

inline void MemcpyBaseline(benchmark::State &state, std::size_t bytes) {
  std::vector<uint8_t> source(bytes, 0x5A), target(bytes);
  for (auto _ : state) {
    std::memcpy(target.data(), source.data(), bytes);
    benchmark::DoNotOptimize(target.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}

}  // namespace velmor::bench
