// The per-frame filters on full 2848 x 2848 frames beside a memcpy of the
// same frame, and beside OpenCV's equivalents when OpenCV is present: one
// cv::LUT for the table stages, cv::blur 4 x 4 + cv::addWeighted (+ one LUT)
// for sharpness. OpenCV runs on one thread (Arg 1) and on its pool (Arg 0);
// the chain always runs on one.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

#include "imaging/DibImage.h"
#include "imaging/FilterChain.h"
#include "session/AutoIrisController.h"

#ifdef VELMOR_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/core/utility.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

using namespace velmor;
using namespace velmor::imaging;

constexpr int32_t kSide = 2848;

// A frame of samples that fit the depth (12 bits in 16-bit frames).
std::unique_ptr<DibImage> Frame(int32_t bits) {
  auto image = std::make_unique<DibImage>();
  if (!image->Create(kSide, kSide, bits)) std::abort();
  for (std::size_t i = 0; i < image->sizeBytes(); ++i)
    image->bits()[i] = uint8_t((i * 2654435761u) >> 13) & (bits == 16 && i % 2 ? 0x0F : 0xFF);
  return image;
}

void Memcpy(benchmark::State &state) {
  const std::size_t bytes = std::size_t(kSide) * kSide * std::size_t(state.range(0)) / 8;
  std::vector<uint8_t> from(bytes, 1), to(bytes);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}

FilterValues Defaults() {
  FilterValues values;
  values.byId[kFilterGamma] = kNeutralGamma;
  values.byId[kFilterBayerMode] = 3;
  for (int32_t id = kFilterGrayGainR; id <= kFilterGrayOffsetB; ++id) values.byId[id] = 128;
  return values;
}

// Arg: bits per pixel. The chain's filters as named, over the frame in place.
void Chain(benchmark::State &state, int32_t gamma, int32_t contrast, int32_t sharpness,
           int32_t brightness) {
  const auto frame = Frame(int32_t(state.range(0)));
  FilterValues values = Defaults();
  values.byId[kFilterGamma] = gamma;
  values.byId[kFilterContrast] = contrast;
  values.byId[kFilterSharpness] = sharpness;
  values.byId[kFilterBrightness] = brightness;
  FilterChain chain;
  for (auto _ : state) {
    chain.Finish(*frame, values);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(frame->sizeBytes()));
}
void ChainDefaults(benchmark::State &s) { Chain(s, kNeutralGamma, 0, 0, 0); }
void ChainGammaContrastBrightness(benchmark::State &s) { Chain(s, 60, 20, 0, 30); }
void ChainSharpness(benchmark::State &s) { Chain(s, kNeutralGamma, 0, 12, 0); }
void ChainAllFour(benchmark::State &s) { Chain(s, 60, 20, 12, 30); }

void AutoExposureMeasurement(benchmark::State &state) {
  const auto frame = Frame(int32_t(state.range(0)));
  double factor = 0;
  for (auto _ : state) {
    factor += AutoIrisController::Correction(*frame);
    benchmark::DoNotOptimize(factor);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(frame->sizeBytes()));
}

BENCHMARK(Memcpy)->Arg(8)->Arg(16)->Unit(benchmark::kMillisecond);
BENCHMARK(ChainDefaults)->Arg(8)->Arg(16)->Unit(benchmark::kMicrosecond);
BENCHMARK(ChainGammaContrastBrightness)->Arg(8)->Arg(16)->Unit(benchmark::kMillisecond);
BENCHMARK(ChainSharpness)->Arg(8)->Arg(16)->Unit(benchmark::kMillisecond);
BENCHMARK(ChainAllFour)->Arg(8)->Arg(16)->Unit(benchmark::kMillisecond);
BENCHMARK(AutoExposureMeasurement)->Arg(8)->Arg(16)->Unit(benchmark::kMicrosecond);

#ifdef VELMOR_HAVE_OPENCV
// Arg: OpenCV threads (1, or 0 for its default pool).
void UseThreads(benchmark::State &state) { cv::setNumThreads(state.range(0) == 1 ? 1 : -1); }

cv::Mat Table() {
  cv::Mat table(1, 256, CV_8U);
  for (int i = 0; i < 256; ++i) table.at<uint8_t>(i) = uint8_t(255 - i);
  return table;
}

void OpenCvLut8(benchmark::State &state) {
  UseThreads(state);
  cv::Mat frame(kSide, kSide, CV_8U), out;
  cv::randu(frame, 0, 255);
  const cv::Mat table = Table();
  for (auto _ : state) {
    cv::LUT(frame, table, out);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(frame.total()));
}

// Unsharp mask as OpenCV writes it: blur, orig + s (orig - blur) by
// addWeighted, then the brightness table.
void OpenCvSharpen(benchmark::State &state, int depth) {
  UseThreads(state);
  cv::Mat frame(kSide, kSide, depth), blurred, sharpened, out;
  cv::randu(frame, 0, depth == CV_8U ? 255 : 4095);
  const cv::Mat table = Table();
  for (auto _ : state) {
    cv::blur(frame, blurred, cv::Size(4, 4));
    cv::addWeighted(frame, 2.2, blurred, -1.2, 0, sharpened);
    if (depth == CV_8U) cv::LUT(sharpened, table, out);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(frame.total() * frame.elemSize()));
}
void OpenCvBlurAddWeightedLut8(benchmark::State &s) { OpenCvSharpen(s, CV_8U); }
void OpenCvBlurAddWeighted16(benchmark::State &s) { OpenCvSharpen(s, CV_16U); }

BENCHMARK(OpenCvLut8)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(OpenCvBlurAddWeightedLut8)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(OpenCvBlurAddWeighted16)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
#endif

}  // namespace

BENCHMARK_MAIN();
