#include "imaging/Demosaic.h"

#include <algorithm>
#include <cstring>
#include <type_traits>
#include <vector>

#include "imaging/PixelLoops.h"

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

// Two neighbouring samples as one word: the left one in the low half, as
// little-endian memory holds them.
template <typename Sample>
using Pair = std::conditional_t<sizeof(Sample) == 1, uint16_t, uint32_t>;

// The sample at column 2k + parity of a row, read as half of the k-th pair
// (so the loops load whole words and vectorise). 16-bit samples beyond the
// camera's range count as its largest, which keeps every sum below 16 bits.
template <typename Sample>
[[gnu::always_inline]] inline uint16_t HalfOf(Pair<Sample> pair, int32_t shift) {
  const auto v = uint32_t(Sample(pair >> shift));
  return uint16_t(v < kLargest<Sample> ? v : kLargest<Sample>);
}

template <typename Sample>
[[gnu::always_inline]] inline Pair<Sample> PairAt(const Sample *row, int32_t k) {
  Pair<Sample> pair;
  std::memcpy(&pair, row + 2 * k, sizeof pair);
  return pair;
}

// What one output row needs of rows y - 2 ... y + 1, at every other column.
// Row y holds one colour (red or blue) on columns of one parity and green on
// the others; row y - 1 the other colour on the other parity, and so green
// where row y has its colour. Each colour is blended as 3 x its near row +
// its far one: row y with y - 2, row y - 1 with y + 1. Entry k is column
// 2k + the parity of its cells; entries -1 and `pairs` stand for columns
// beyond the edges and are read from the same colour four columns inside.
class RowSamples {
 public:
  explicit RowSamples(int32_t pairs)
      : here_(std::size_t(pairs) + 2),
        above_(here_.size()),
        hereGreen_(here_.size()),
        aboveGreen_(here_.size()),
        pairs_(pairs) {}

  // parity: that of the columns where row y holds its colour.
  template <typename Sample>
  [[gnu::always_inline]] void Fill(const Sample *twoAbove, const Sample *above, const Sample *row,
                                   const Sample *below, int32_t parity) {
    uint16_t *here = here_.data() + 1, *up = above_.data() + 1;
    uint16_t *hereGreen = hereGreen_.data() + 1, *upGreen = aboveGreen_.data() + 1;
    const int32_t colour = parity * 8 * int32_t(sizeof(Sample));
    const int32_t green = (1 - parity) * 8 * int32_t(sizeof(Sample));
    loops::Vectorised(
        pairs_, [=](int32_t k) __attribute__((always_inline)) {
          const Pair<Sample> y = PairAt(row, k), y1 = PairAt(above, k);
          here[k] =
              uint16_t(3 * HalfOf<Sample>(y, colour) + HalfOf<Sample>(PairAt(twoAbove, k), colour));
          up[k] = uint16_t(3 * HalfOf<Sample>(y1, green) + HalfOf<Sample>(PairAt(below, k), green));
          hereGreen[k] = HalfOf<Sample>(y, green);
          upGreen[k] = HalfOf<Sample>(y1, colour);
        });
    for (auto *entries : {&here_, &above_, &hereGreen_, &aboveGreen_}) {
      (*entries)[0] = (*entries)[2];
      (*entries)[std::size_t(pairs_) + 1] = (*entries)[std::size_t(pairs_) - 1];
    }
  }

  const uint16_t *here() const { return here_.data() + 1; }
  const uint16_t *above() const { return above_.data() + 1; }
  const uint16_t *hereGreen() const { return hereGreen_.data() + 1; }
  const uint16_t *aboveGreen() const { return aboveGreen_.data() + 1; }

 private:
  std::vector<uint16_t> here_, above_, hereGreen_, aboveGreen_;
  int32_t pairs_;
};

// (sum x gain) >> 11 limited to max, as the high half of a 16-bit product
// (sums stay below 2^16 and gains x 32 below 2^15), which vectorises as a
// 16-bit multiply.
[[gnu::always_inline]] inline uint16_t Scaled(uint16_t sum, uint16_t gain32, uint16_t max) {
  const auto product = uint16_t((uint32_t(sum) * gain32) >> 16);
  return product < max ? product : max;
}

// The inputs of one output row. `even` and `odd` are the colours whose cells
// lie on even and odd columns (red and blue, in either order). A colour on
// even columns interpolates output column 2k from its entries k and k - 1
// and column 2k + 1 from k and k + 1; one on odd columns both from k - 1 and
// k. The green cells: upper[k] pairs with lower[k - 1] for column 2k when
// the upper row's lie on even columns; with its odd cells upper[k - 1]
// pairs with lower[k]; column 2k + 1 always takes upper[k] and lower[k].
struct RowInputs {
  const uint16_t *even, *odd, *upper, *lower;
  uint16_t evenGain32, oddGain32, max;
  int32_t greenOdd;  // 1: the upper row's green cells lie on odd columns
};

// Output pairs into three planes of pairs of samples (B, G and R of columns
// 2k and 2k + 1 in one word), which Store interleaves.
template <typename Sample>
[[gnu::always_inline]] inline void ShadePairs(Pair<Sample> *evenPlane, Pair<Sample> *oddPlane,
                                              Pair<Sample> *greenPlane, const RowInputs &in,
                                              int32_t pairs) {
  constexpr int kBits = 8 * sizeof(Sample);
  using P = Pair<Sample>;
  const uint16_t *even = in.even, *odd = in.odd;
  const uint16_t *upperFirst = in.upper - in.greenOdd, *lowerFirst = in.lower - 1 + in.greenOdd;
  const uint16_t *upper = in.upper, *lower = in.lower;
  const uint16_t evenGain = in.evenGain32, oddGain = in.oddGain32, max = in.max;
  loops::Vectorised(
      pairs, [=](int32_t k) __attribute__((always_inline)) {
        const auto e0 = Scaled(uint16_t(3 * even[k] + even[k - 1]), evenGain, max);
        const auto e1 = Scaled(uint16_t(3 * even[k] + even[k + 1]), evenGain, max);
        const auto o0 = Scaled(uint16_t(3 * odd[k - 1] + odd[k]), oddGain, max);
        const auto o1 = Scaled(uint16_t(3 * odd[k] + odd[k - 1]), oddGain, max);
        const auto g0 = uint16_t((upperFirst[k] + lowerFirst[k]) >> 1);
        const auto g1 = uint16_t((upper[k] + lower[k]) >> 1);
        evenPlane[k] = P(e0 | P(e1) << kBits);
        oddPlane[k] = P(o0 | P(o1) << kBits);
        greenPlane[k] = P(g0 | P(g1) << kBits);
      });
}

// Interleaves the planes into B, G, R pixels; a fourth channel is left alone.
template <typename Sample, int Channels>
[[gnu::always_inline]] inline void Store(Sample *out, const Sample *planeB, const Sample *planeG,
                                         const Sample *planeR, int32_t width) {
  loops::Vectorised(
      width, [=](int32_t x) __attribute__((always_inline)) {
        out[Channels * x] = planeB[x];
        out[Channels * x + 1] = planeG[x];
        out[Channels * x + 2] = planeR[x];
      });
}

template <typename Sample, int Channels>
[[gnu::always_inline]] inline int32_t Run(const PixelJob &job) {
  const auto &p = *static_cast<const DemosaicParams *>(job.params);
  const int32_t width = job.region.width();
  const int32_t height = job.region.height();
  const int32_t pairs = width / 2;
  const int32_t rowPhase = p.bayerMode & 1;
  const int32_t columnPhase = (p.bayerMode >> 1) & 1;
  const auto redGain32 = uint16_t(BayerGainFactor(p.redGain) << 5);
  const auto blueGain32 = uint16_t(BayerGainFactor(p.blueGain) << 5);
  // In mode 0 terms red sits on odd rows and even columns, blue on even rows
  // and odd columns, green where row and column parity agree. Parities are
  // absolute; the work arrays count columns from the region's left edge.
  const int32_t redRowParity = 1 ^ rowPhase;
  const int32_t redOdd = (job.region.left ^ columnPhase) & 1;

  const auto row = [&](int32_t y) {
    return reinterpret_cast<const Sample *>(job.srcRow(job.region.top + Inside(y, height)));
  };
  RowSamples samples(pairs);
  std::vector<Pair<Sample>> planes(3 * std::size_t(pairs));
  Pair<Sample> *planeB = planes.data(), *planeG = planeB + pairs, *planeR = planeG + pairs;
  for (int32_t y = 0; y < height; ++y) {
    // Row y holds red when its parity is red's, else blue; the colour of row
    // y - 1 lies on the other columns, and so does the green of row y.
    const bool redRowHere = ((job.region.top + y) & 1) == redRowParity;
    const int32_t parity = redRowHere ? redOdd : 1 - redOdd;
    samples.Fill(row(y - 2), row(y - 1), row(y), row(y + 1), parity);
    const uint16_t *red = redRowHere ? samples.here() : samples.above();
    const uint16_t *blue = redRowHere ? samples.above() : samples.here();
    const int32_t greenOdd = parity;  // the upper row's green lies where row y has its colour
    const RowInputs inputs{redOdd ? blue : red,
                           redOdd ? red : blue,
                           samples.aboveGreen(),
                           samples.hereGreen(),
                           redOdd ? blueGain32 : redGain32,
                           redOdd ? redGain32 : blueGain32,
                           uint16_t(kLargest<Sample>),
                           greenOdd};
    ShadePairs<Sample>(redOdd ? planeB : planeR, redOdd ? planeR : planeB, planeG, inputs, pairs);
    Store<Sample, Channels>(reinterpret_cast<Sample *>(job.dstRow(job.target.top + y)),
                            reinterpret_cast<const Sample *>(planeB),
                            reinterpret_cast<const Sample *>(planeG),
                            reinterpret_cast<const Sample *>(planeR), width);
  }
  return 1;
}

}  // namespace

int32_t BayerGainFactor(int32_t gainPercent) {
  // Integer arithmetic gives exactly the truncated gain x 1.28.
  return std::clamp(gainPercent, 0, 400) * 128 / 100;
}

int32_t Demosaic(const PixelJob &job) {
  if (!job.params || job.region.width() < 4 || job.region.height() < 4 || job.region.width() % 2)
    return 0;
  if (loops::Formats(job, 3, 1)) return loops::Dispatched<Run<uint8_t, 3>>(job);
  if (loops::Formats(job, 4, 1)) return loops::Dispatched<Run<uint8_t, 4>>(job);
  if (loops::Formats(job, 6, 2)) return loops::Dispatched<Run<uint16_t, 3>>(job);
  if (loops::Formats(job, 8, 2)) return loops::Dispatched<Run<uint16_t, 4>>(job);
  return 0;
}

}  // namespace velmor::imaging
