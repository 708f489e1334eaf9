#include "imaging/Demosaic.h"

#include <algorithm>
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

// Padding of the per-row work arrays: indices -2 ... n.
constexpr int32_t kPadBefore = 2;
constexpr int32_t kPadAfter = 1;

template <typename Sample>
struct Work {
  // Vertical blends 3 x near row + far row of the red and of the blue
  // samples, and the two rows of the block (for green), all at every column.
  std::vector<uint16_t> red, blue, upper, lower;

  explicit Work(int32_t width)
      : red(width + kPadBefore + kPadAfter),
        blue(red.size()),
        upper(red.size()),
        lower(red.size()) {}
};

// Fills the edge columns from the same colour four pixels inside.
void PadEdges(uint16_t *row, int32_t width) {
  for (int32_t i : {-2, -1, width}) row[i] = row[Inside(i, width)];
}

template <typename Sample>
void Blend(uint16_t *__restrict out, const Sample *__restrict nearRow,
           const Sample *__restrict farRow, int32_t width) {
  // 16-bit samples beyond the camera's range count as its largest, which
  // keeps every sum of this pass and the next inside 16 bits.
  constexpr uint32_t kMax = sizeof(Sample) == 1 ? 0xFF : kSampleMax;
  loops::Vectorised(width, [=](int32_t x) {
    out[x] =
        uint16_t(3 * std::min<uint32_t>(nearRow[x], kMax) + std::min<uint32_t>(farRow[x], kMax));
  });
  PadEdges(out, width);
}

template <typename Sample>
void Copy(uint16_t *__restrict out, const Sample *__restrict row, int32_t width) {
  constexpr uint32_t kMax = sizeof(Sample) == 1 ? 0xFF : kSampleMax;
  loops::Vectorised(width, [=](int32_t x) { out[x] = uint16_t(std::min<uint32_t>(row[x], kMax)); });
  PadEdges(out, width);
}

struct Gains {
  uint32_t red, blue, max;
};

// One output pixel. RedHere: the block's red cell is in column x (else
// x - 1), and so its blue cell in x - 1 (else x). GreenUp: the upper row's
// green cell is in column x, the lower row's in x - 1 (else the reverse).
template <bool RedHere, bool GreenUp, typename Sample, int Channels>
[[gnu::always_inline]] inline void Shade(Sample *out, const uint16_t *red, const uint16_t *blue,
                                         const uint16_t *upper, const uint16_t *lower, int32_t x,
                                         const Gains &g) {
  const uint32_t r = RedHere ? 3u * red[x] + red[x - 2] : 3u * red[x - 1] + red[x + 1];
  const uint32_t b = RedHere ? 3u * blue[x - 1] + blue[x + 1] : 3u * blue[x] + blue[x - 2];
  const uint32_t green = GreenUp ? upper[x] + lower[x - 1] : upper[x - 1] + lower[x];
  Sample *p = out + Channels * x;
  p[0] = Sample(std::min((b * g.blue) >> 11, g.max));
  p[1] = Sample(green >> 1);
  p[2] = Sample(std::min((r * g.red) >> 11, g.max));
}

template <bool RedHere, bool GreenUp, typename Sample, int Channels>
void ShadeRow(Sample *out, const Work<Sample> &work, int32_t width, const Gains &g) {
  const uint16_t *red = work.red.data() + kPadBefore;
  const uint16_t *blue = work.blue.data() + kPadBefore;
  const uint16_t *upper = work.upper.data() + kPadBefore;
  const uint16_t *lower = work.lower.data() + kPadBefore;
  int32_t x = 0;
  for (; x + 1 < width; x += 2) {
    Shade<RedHere, GreenUp, Sample, Channels>(out, red, blue, upper, lower, x, g);
    Shade<!RedHere, !GreenUp, Sample, Channels>(out, red, blue, upper, lower, x + 1, g);
  }
  if (x < width) Shade<RedHere, GreenUp, Sample, Channels>(out, red, blue, upper, lower, x, g);
}

template <typename Sample, int Channels>
int32_t Run(const PixelJob &job) {
  const auto &p = *static_cast<const DemosaicParams *>(job.params);
  const int32_t width = job.region.width();
  const int32_t height = job.region.height();
  const int32_t rowPhase = p.bayerMode & 1;
  const int32_t columnPhase = (p.bayerMode >> 1) & 1;
  const Gains gains{uint32_t(BayerGainFactor(p.redGain)), uint32_t(BayerGainFactor(p.blueGain)),
                    sizeof(Sample) == 1 ? 0xFFu : kSampleMax};
  // In mode 0 terms red sits on odd rows and even columns, blue on even rows
  // and odd columns, green where row and column parity agree.
  const int32_t redRowParity = 1 ^ rowPhase;
  const int32_t redColumnParity = columnPhase;
  // Column phase of the first output column, from its absolute parity.
  const bool redHere = ((job.region.left & 1) == redColumnParity);

  const auto row = [&](int32_t y) {
    return reinterpret_cast<const Sample *>(job.srcRow(job.region.top + Inside(y, height)));
  };
  Work<Sample> work(width);
  uint16_t *red = work.red.data() + kPadBefore;
  uint16_t *blue = work.blue.data() + kPadBefore;
  for (int32_t y = 0; y < height; ++y) {
    const int32_t absoluteY = job.region.top + y;
    // A colour whose rows have this row's parity is nearest in row y (and
    // then next in row y - 2), otherwise in row y - 1 (then y + 1).
    const bool redRowHere = (absoluteY & 1) == redRowParity;
    Blend(red, redRowHere ? row(y) : row(y - 1), redRowHere ? row(y - 2) : row(y + 1), width);
    Blend(blue, redRowHere ? row(y - 1) : row(y), redRowHere ? row(y + 1) : row(y - 2), width);
    Copy(work.upper.data() + kPadBefore, row(y - 1), width);
    Copy(work.lower.data() + kPadBefore, row(y), width);
    // Green in row y - 1 sits on columns of parity (y - 1) ^ rowPhase ^ columnPhase.
    const bool greenUp = ((job.region.left ^ (absoluteY - 1) ^ rowPhase ^ columnPhase) & 1) == 0;
    auto *out = reinterpret_cast<Sample *>(job.dstRow(job.target.top + y));
    if (redHere)
      greenUp ? ShadeRow<true, true, Sample, Channels>(out, work, width, gains)
              : ShadeRow<true, false, Sample, Channels>(out, work, width, gains);
    else
      greenUp ? ShadeRow<false, true, Sample, Channels>(out, work, width, gains)
              : ShadeRow<false, false, Sample, Channels>(out, work, width, gains);
  }
  return 1;
}

}  // namespace

int32_t BayerGainFactor(int32_t gainPercent) {
  // Integer arithmetic gives exactly the truncated gain x 1.28.
  return std::clamp(gainPercent, 0, 400) * 128 / 100;
}

int32_t Demosaic(const PixelJob &job) {
  if (!job.params || job.region.width() < 4 || job.region.height() < 4) return 0;
  if (loops::Formats(job, 3, 1)) return Run<uint8_t, 3>(job);
  if (loops::Formats(job, 4, 1)) return Run<uint8_t, 4>(job);
  if (loops::Formats(job, 6, 2)) return Run<uint16_t, 3>(job);
  if (loops::Formats(job, 8, 2)) return Run<uint16_t, 4>(job);
  return 0;
}

}  // namespace velmor::imaging
