#include "imaging/Demosaic.h"

#include <algorithm>
#include <vector>

#include "imaging/PixelLoops.h"
#include "platform/Cpu.h"

namespace velmor::imaging {
namespace {

// Row and column substitution at the edges of an n-long axis.
int32_t Inside(int32_t i, int32_t n) {
  if (i == -2) return 2;
  if (i == -1) return 3;
  if (i == n) return n - 4;
  return i;
}

template <typename Sample>
constexpr uint32_t kLargest = sizeof(Sample) == 1 ? 0xFFu : kSampleMax;

template <typename Sample>
[[gnu::always_inline]] inline uint16_t Clamped(Sample v) {
  return uint16_t(v < kLargest<Sample> ? v : kLargest<Sample>);
}

// One row's worth of a colour at every column, padded by two columns before
// and one after: those stand for the columns beyond the edges and are read
// from the same colour four columns inside (-2 -> 2, -1 -> 3, width ->
// width - 4). 16-bit samples beyond the camera's range count as its largest,
// which keeps every sum below 16 bits.
class PaddedRow {
 public:
  explicit PaddedRow(int32_t width) : samples_(std::size_t(width) + 3), width_(width) {}

  const uint16_t *data() const { return samples_.data() + 2; }

  // 3 x the near row + the far row.
  template <typename Sample>
  [[gnu::always_inline]] void Blend(const Sample *nearRow, const Sample *farRow) {
    uint16_t *out = samples_.data() + 2;
    loops::Vectorised(
        width_, [=](int32_t x) __attribute__((always_inline)) {
          out[x] = uint16_t(3 * Clamped(nearRow[x]) + Clamped(farRow[x]));
        });
    Pad();
  }

  template <typename Sample>
  [[gnu::always_inline]] void Take(const Sample *row) {
    uint16_t *out = samples_.data() + 2;
    loops::Vectorised(
        width_, [=](int32_t x)
                    __attribute__((always_inline)) { out[x] = uint16_t(Clamped(row[x])); });
    Pad();
  }

 private:
  void Pad() {
    uint16_t *row = samples_.data() + 2;
    row[-2] = row[2];
    row[-1] = row[3];
    row[width_] = row[width_ - 4];
  }

  std::vector<uint16_t> samples_;
  int32_t width_;
};

// (sum x gain) >> 11 limited to max, as the high half of a 16-bit product
// (sums stay below 2^16 and gains x 32 below 2^15), which vectorises as a
// 16-bit multiply.
[[gnu::always_inline]] inline uint16_t Scaled(uint16_t sum, uint16_t gain32, uint16_t max) {
  const auto product = uint16_t((uint32_t(sum) * gain32) >> 16);
  return product < max ? product : max;
}

struct RowSetup {
  uint16_t redGain32, blueGain32, max;  // gain factors x 32
  int32_t redPhase;    // parity of the columns x whose block has its red cell in x (else x - 1)
  int32_t greenPhase;  // parity of the columns whose upper green cell is in x (else x - 1)
};

// One output row, B, G, R into the destination pixels (a fourth channel is
// left alone). Where a block's red cell is in column x its blue cell is in
// x - 1 and the other way round; each colour is interpolated as 3 x its near
// column + its far one (x and x - 2, or x - 1 and x + 1) of the row blends.
// Both forms are computed and one is kept by a mask from the column's
// parity, so the loop has no branches and vectorises.
template <typename Sample, int Channels>
[[gnu::always_inline]] inline void ShadeRow(Sample *out, const uint16_t *red, const uint16_t *blue,
                                            const uint16_t *upper, const uint16_t *lower,
                                            int32_t width, const RowSetup &setup) {
  const uint16_t redGain = setup.redGain32, blueGain = setup.blueGain32, max = setup.max;
  const int32_t redPhase = setup.redPhase, greenPhase = setup.greenPhase;
  loops::Vectorised(
      width, [=](int32_t x) __attribute__((always_inline)) {
        const auto redLeft = uint16_t(0u - uint32_t((x ^ redPhase) & 1));  // red cell in x - 1
        const auto greenLeft = uint16_t(0u - uint32_t((x ^ greenPhase) & 1));
        const auto redHere = uint16_t(3 * red[x] + red[x - 2]);
        const auto redOther = uint16_t(3 * red[x - 1] + red[x + 1]);
        const auto blueHere = uint16_t(3 * blue[x] + blue[x - 2]);
        const auto blueOther = uint16_t(3 * blue[x - 1] + blue[x + 1]);
        const auto greenUp = uint16_t(upper[x] + lower[x - 1]);
        const auto greenDown = uint16_t(upper[x - 1] + lower[x]);
        const auto r = uint16_t((redHere & ~redLeft) | (redOther & redLeft));
        const auto b = uint16_t((blueHere & redLeft) | (blueOther & ~redLeft));
        const auto g = uint16_t(((greenUp & ~greenLeft) | (greenDown & greenLeft)) >> 1);
        out[Channels * x] = Sample(Scaled(b, blueGain, max));
        out[Channels * x + 1] = Sample(g);
        out[Channels * x + 2] = Sample(Scaled(r, redGain, max));
      });
}

template <typename Sample, int Channels>
[[gnu::always_inline]] inline int32_t Run(const PixelJob &job) {
  const auto &p = *static_cast<const DemosaicParams *>(job.params);
  const int32_t width = job.region.width();
  const int32_t height = job.region.height();
  const int32_t rowPhase = p.bayerMode & 1;
  const int32_t columnPhase = (p.bayerMode >> 1) & 1;
  // In mode 0 terms red sits on odd rows and even columns, blue on even rows
  // and odd columns, green where row and column parity agree. Parities are
  // absolute; the row arrays count columns from the region's left edge.
  const int32_t redRowParity = 1 ^ rowPhase;
  const int32_t redColumnParity = columnPhase;

  const auto row = [&](int32_t y) {
    return reinterpret_cast<const Sample *>(job.srcRow(job.region.top + Inside(y, height)));
  };
  PaddedRow red(width), blue(width), upper(width), lower(width);
  RowSetup setup{uint16_t(BayerGainFactor(p.redGain) << 5),
                 uint16_t(BayerGainFactor(p.blueGain) << 5), uint16_t(kLargest<Sample>),
                 (job.region.left ^ redColumnParity) & 1, 0};
  for (int32_t y = 0; y < height; ++y) {
    const int32_t absoluteY = job.region.top + y;
    // A colour whose rows have this row's parity is nearest in row y (and
    // then next in row y - 2), otherwise in row y - 1 (then y + 1).
    const bool redRowHere = (absoluteY & 1) == redRowParity;
    red.Blend(redRowHere ? row(y) : row(y - 1), redRowHere ? row(y - 2) : row(y + 1));
    blue.Blend(redRowHere ? row(y - 1) : row(y), redRowHere ? row(y + 1) : row(y - 2));
    upper.Take(row(y - 1));
    lower.Take(row(y));
    // Green in row y - 1 sits on columns of parity (y - 1) ^ rowPhase ^ columnPhase.
    setup.greenPhase = (job.region.left ^ (absoluteY - 1) ^ rowPhase ^ columnPhase) & 1;
    ShadeRow<Sample, Channels>(reinterpret_cast<Sample *>(job.dstRow(job.target.top + y)),
                               red.data(), blue.data(), upper.data(), lower.data(), width, setup);
  }
  return 1;
}

template <typename Sample, int Channels>
VELMOR_TARGET_AVX2 int32_t RunAvx2(const PixelJob &job) {
  return Run<Sample, Channels>(job);
}

template <typename Sample, int Channels>
int32_t RunBaseline(const PixelJob &job) {
  return Run<Sample, Channels>(job);
}

template <typename Sample, int Channels>
int32_t Dispatch(const PixelJob &job) {
  return platform::cpu_has_avx2() ? RunAvx2<Sample, Channels>(job)
                                  : RunBaseline<Sample, Channels>(job);
}

}  // namespace

int32_t BayerGainFactor(int32_t gainPercent) {
  // Integer arithmetic gives exactly the truncated gain x 1.28.
  return std::clamp(gainPercent, 0, 400) * 128 / 100;
}

int32_t Demosaic(const PixelJob &job) {
  if (!job.params || job.region.width() < 4 || job.region.height() < 4) return 0;
  if (loops::Formats(job, 3, 1)) return Dispatch<uint8_t, 3>(job);
  if (loops::Formats(job, 4, 1)) return Dispatch<uint8_t, 4>(job);
  if (loops::Formats(job, 6, 2)) return Dispatch<uint16_t, 3>(job);
  if (loops::Formats(job, 8, 2)) return Dispatch<uint16_t, 4>(job);
  return 0;
}

}  // namespace velmor::imaging
