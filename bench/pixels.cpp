// Pixel routines on full 2848 x 2848 frames, each beside a memcpy of the same
// number of bytes (the larger of what the routine reads and writes), and the
// demosaic beside OpenCV's bilinear Bayer conversion when OpenCV is present.
#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "imaging/Demosaic.h"
#include "imaging/DibImage.h"
#include "imaging/Mirror.h"
#include "imaging/PreviewScaler.h"
#include "imaging/Reductions.h"

#ifdef VELMOR_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/core/utility.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

using namespace velmor::imaging;

constexpr int32_t kSide = 2848;

// One image per geometry, made once and filled with a repeatable pattern of
// samples that fit the depth (12 bits for 16-bit images).
DibImage &Image(int32_t bits, int32_t width = kSide, int32_t height = kSide) {
  static std::map<std::vector<int32_t>, std::unique_ptr<DibImage>> images;
  auto &slot = images[{bits, width, height}];
  if (!slot) {
    slot = std::make_unique<DibImage>();
    if (!slot->Create(width, height, bits)) std::abort();
    for (std::size_t i = 0; i < slot->sizeBytes(); ++i)
      slot->bits()[i] = uint8_t((i * 2654435761u) >> 13) & (bits == 16 && i % 2 ? 0x0F : 0xFF);
  }
  return *slot;
}

void Memcpy(benchmark::State &state) {
  const std::size_t bytes = std::size_t(state.range(0)) << 20;
  std::vector<uint8_t> from(bytes, 1), to(bytes);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}

// Megabytes of a 2848 x 2848 frame at a depth, rounded up.
constexpr int64_t FrameMb(int32_t bits) {
  return (int64_t(kSide) * kSide * bits / 8 + (1 << 20) - 1) >> 20;
}

void Convert(benchmark::State &state, PixelRoutine routine, int32_t dstBits, int32_t srcBits,
             const void *params) {
  DibImage &dst = Image(dstBits);
  const DibImage &src = Image(srcBits);
  for (auto _ : state) {
    if (DibImage::Convert(dst, routine, src, nullptr, nullptr, params) != 1)
      state.SkipWithError("routine refused the images");
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) *
                          int64_t(std::max(dst.sizeBytes(), src.sizeBytes())));
}

const DemosaicParams kGains{0, 120, 100, 90};
const SampleDepth kHighByte{16}, kTwelveBits{12}, kTenBits{10};
const MirrorParams kBothWays{true, true};

void Demosaic8To24(benchmark::State &s) { Convert(s, Demosaic, 24, 8, &kGains); }
void Demosaic16To48(benchmark::State &s) { Convert(s, Demosaic, 48, 16, &kGains); }
void Reduce16To8HighByteFlipped(benchmark::State &s) {
  Convert(s, Reduce16To8Flipped, 8, 16, &kHighByte);
}
void Reduce16To8TwelveBitFlipped(benchmark::State &s) {
  Convert(s, Reduce16To8Flipped, 8, 16, &kTwelveBits);
}
void Reduce16To8TenBitFlipped(benchmark::State &s) {
  Convert(s, Reduce16To8Flipped, 8, 16, &kTenBits);
}
void Reduce16To8Preview(benchmark::State &s) { Convert(s, Reduce16To8, 8, 16, nullptr); }
void RowCopyFlipped8(benchmark::State &s) { Convert(s, RowCopyFlipped, 8, 8, nullptr); }
void RowCopyFlipped24(benchmark::State &s) { Convert(s, RowCopyFlipped, 24, 24, nullptr); }
void Reduce48To24(benchmark::State &s) { Convert(s, ReduceColour16To8, 24, 48, nullptr); }
void Reduce64To24Flipped(benchmark::State &s) {
  Convert(s, ReduceColour16To8Flipped, 24, 64, &kHighByte);
}
void Mirror8(benchmark::State &s) {
  DibImage &image = Image(8);
  for (auto _ : s) {
    DibImage::Convert(image, MirrorRows, image, nullptr, nullptr, &kBothWays);
    benchmark::ClobberMemory();
  }
  s.SetBytesProcessed(int64_t(s.iterations()) * int64_t(image.sizeBytes()));
}
void Mirror16(benchmark::State &s) {
  DibImage &image = Image(16);
  for (auto _ : s) {
    DibImage::Convert(image, MirrorRows, image, nullptr, nullptr, &kBothWays);
    benchmark::ClobberMemory();
  }
  s.SetBytesProcessed(int64_t(s.iterations()) * int64_t(image.sizeBytes()));
}
void Scale(benchmark::State &s, PixelRoutine routine, int32_t bits) {
  DibImage &display = Image(bits, 1024, 1024);
  const DibImage &src = Image(bits);
  for (auto _ : s) {
    DibImage::ConvertRects(display, routine, src, nullptr, nullptr);
    benchmark::ClobberMemory();
  }
  s.SetBytesProcessed(int64_t(s.iterations()) * int64_t(display.sizeBytes()));
}
void ScalePreview8To1024(benchmark::State &s) { Scale(s, ScalePreview8, 8); }
void ScalePreview24To1024(benchmark::State &s) { Scale(s, ScalePreview24, 24); }

BENCHMARK(Demosaic8To24)->Unit(benchmark::kMillisecond);
BENCHMARK(Memcpy)->Arg(FrameMb(24))->Unit(benchmark::kMillisecond);
BENCHMARK(Demosaic16To48)->Unit(benchmark::kMillisecond);
BENCHMARK(Memcpy)->Arg(FrameMb(48))->Unit(benchmark::kMillisecond);
BENCHMARK(Reduce16To8HighByteFlipped)->Unit(benchmark::kMillisecond);
BENCHMARK(Reduce16To8TwelveBitFlipped)->Unit(benchmark::kMillisecond);
BENCHMARK(Reduce16To8TenBitFlipped)->Unit(benchmark::kMillisecond);
BENCHMARK(Reduce16To8Preview)->Unit(benchmark::kMillisecond);
BENCHMARK(Mirror16)->Unit(benchmark::kMillisecond);
BENCHMARK(Memcpy)->Arg(FrameMb(16))->Unit(benchmark::kMillisecond);
BENCHMARK(RowCopyFlipped8)->Unit(benchmark::kMillisecond);
BENCHMARK(Mirror8)->Unit(benchmark::kMillisecond);
BENCHMARK(Memcpy)->Arg(FrameMb(8))->Unit(benchmark::kMillisecond);
BENCHMARK(RowCopyFlipped24)->Unit(benchmark::kMillisecond);
BENCHMARK(Reduce48To24)->Unit(benchmark::kMillisecond);
BENCHMARK(Memcpy)->Arg(FrameMb(48))->Unit(benchmark::kMillisecond);
BENCHMARK(Reduce64To24Flipped)->Unit(benchmark::kMillisecond);
BENCHMARK(Memcpy)->Arg(FrameMb(64))->Unit(benchmark::kMillisecond);
BENCHMARK(ScalePreview8To1024)->Unit(benchmark::kMicrosecond);
BENCHMARK(Memcpy)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(ScalePreview24To1024)->Unit(benchmark::kMicrosecond);
BENCHMARK(Memcpy)->Arg(3)->Unit(benchmark::kMicrosecond);

#ifdef VELMOR_HAVE_OPENCV
// Arg: OpenCV threads (1, or 0 for its default pool).
void OpenCvBayer(benchmark::State &s, int depth, int code) {
  cv::setNumThreads(int(s.range(0)) == 1 ? 1 : -1);
  cv::Mat raw(kSide, kSide, depth), colour;
  cv::randu(raw, 0, depth == CV_8U ? 255 : 4095);
  for (auto _ : s) {
    cv::cvtColor(raw, colour, code);
    benchmark::ClobberMemory();
  }
  s.SetBytesProcessed(int64_t(s.iterations()) * int64_t(colour.total() * colour.elemSize()));
}
void OpenCvBayer8To24(benchmark::State &s) { OpenCvBayer(s, CV_8U, cv::COLOR_BayerGB2BGR); }
void OpenCvBayer16To48(benchmark::State &s) { OpenCvBayer(s, CV_16U, cv::COLOR_BayerGB2BGR); }
BENCHMARK(OpenCvBayer8To24)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(OpenCvBayer16To48)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
#endif

}  // namespace

BENCHMARK_MAIN();
