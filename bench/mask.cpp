// Mask correction and the dot filter on full 2848 x 2848 frames at 8 and 16
// bits, beside a plain memcpy of the same frame. The references look like a
// calibration of the emulated sensor (black level with small offsets, a
// vignetted flat light, a few hot and dead pixels) and the frame like a
// flat light with a little noise, so the dot filter repairs only the
// mapped pixels. Both corrections work in place, on the frame the previous
// iteration left.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "MemcpyBaseline.h"
#include "imaging/MaskCorrection.h"

namespace {

using velmor::imaging::DibImage;
using velmor::imaging::kMaskSide;
using velmor::imaging::MaskCorrection;
using velmor::imaging::ReferenceBlocks;

constexpr std::size_t kPixels = std::size_t(kMaskSide) * kMaskSide;

// Vignetting: 1 in the middle, 0.7 in the corners.
double Shade(int32_t x, int32_t y) {
  const double c = (kMaskSide - 1) / 2.0, dx = x - c, dy = y - c;
  return 1.0 - 0.3 * (dx * dx + dy * dy) / (2 * c * c);
}

MaskCorrection &Calibrated() {
  static MaskCorrection correction;
  static const bool loaded = [] {
    std::mt19937 random(7);
    std::uniform_int_distribution<int32_t> offset(0, 6);
    std::vector<uint8_t> dark8(kPixels), bright8(kPixels);
    std::vector<uint16_t> dark16(kPixels), bright16(kPixels);
    for (int32_t y = 0; y < kMaskSide; ++y)
      for (int32_t x = 0; x < kMaskSide; ++x) {
        const std::size_t i = std::size_t(y) * kMaskSide + x;
        dark16[i] = uint16_t(240 + offset(random));
        bright16[i] = uint16_t(dark16[i] + 3400 * Shade(x, y));
        dark8[i] = uint8_t(dark16[i] >> 4);
        bright8[i] = uint8_t(bright16[i] >> 4);
      }
    for (std::size_t i = 1000; i < kPixels; i += kPixels / 16) {
      dark8[i] = 255;
      dark16[i] = 4095;
      bright8[i + 1] = 0;
      bright16[i + 1] = 0;
    }
    correction.Load({dark8.data(), bright8.data(), reinterpret_cast<const uint8_t *>(dark16.data()),
                     reinterpret_cast<const uint8_t *>(bright16.data())});
    return true;
  }();
  benchmark::DoNotOptimize(loaded);
  return correction;
}

void FlatFrame(DibImage &frame, int32_t bits) {
  frame.Create(kMaskSide, kMaskSide, bits);
  std::mt19937 random(11);
  std::uniform_int_distribution<int32_t> noise(-3, 3);
  for (int32_t y = 0; y < kMaskSide; ++y)
    for (int32_t x = 0; x < kMaskSide; ++x) {
      const int32_t v = 240 + int32_t(2300 * Shade(x, y)) + noise(random) * 4;
      uint8_t *row = frame.bits() + std::ptrdiff_t(y) * frame.stride();
      if (bits == 8)
        row[x] = uint8_t(v >> 4);
      else
        reinterpret_cast<uint16_t *>(row)[x] = uint16_t(v);
    }
}

void Correction(benchmark::State &state, bool mask, bool dot) {
  const int32_t bits = int32_t(state.range(0));
  MaskCorrection &correction = Calibrated();
  DibImage frame;
  FlatFrame(frame, bits);
  for (auto _ : state) {
    correction.Apply(frame, {}, mask, dot);
    benchmark::DoNotOptimize(frame.bits());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(frame.sizeBytes()));
}

void MaskFilter(benchmark::State &state) { Correction(state, true, false); }
BENCHMARK(MaskFilter)->Arg(8)->Arg(16)->ArgName("bits")->Unit(benchmark::kMillisecond);

void DotFilter(benchmark::State &state) { Correction(state, false, true); }
BENCHMARK(DotFilter)->Arg(8)->Arg(16)->ArgName("bits")->Unit(benchmark::kMillisecond);

void Memcpy(benchmark::State &state) {
  velmor::bench::MemcpyBaseline(state, kPixels * std::size_t(state.range(0) / 8));
}
BENCHMARK(Memcpy)->Arg(8)->Arg(16)->ArgName("bits")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
