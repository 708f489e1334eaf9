#include "settings/FilterRanges.h"

#include <algorithm>

namespace velmor {
namespace {

struct RangeRow {
  FilterId first, last;
  FilterRange range;
};

constexpr RangeRow kRanges[] = {
    {kFilterBrightness, kFilterBrightness, {-255, 255}},
    {kFilterContrast, kFilterContrast, {-127, 127}},
    {kFilterHue, kFilterHue, {-360, 360}},
    {kFilterSaturation, kFilterSaturation, {-255, 255}},
    {kFilterSharpness, kFilterSharpness, {0, 30}},
    {kFilterBayerGainRed, kFilterBayerGainBlue, {0, 400}},
    {kFilterGamma, kFilterGamma, {0, 200}},
    {kFilterBayerMode, kFilterBayerMode, {0, 3}},
    {kFilterGrayMode, kFilterGrayMode, {0, 2}},
    {kFilterGrayGainR, kFilterGrayGainB, {0, 255}},
    {kFilterGrayOffsetR, kFilterGrayOffsetB, {-255, 255}},
};

}  // namespace

std::optional<FilterRange> StoredFilterRange(int32_t id) {
  for (const RangeRow &row : kRanges)
    if (id >= row.first && id <= row.last) return row.range;
  return std::nullopt;
}

FilterValues ClampedToRanges(const FilterValues &values) {
  FilterValues clamped = values;
  for (const RangeRow &row : kRanges)
    for (int32_t id = row.first; id <= row.last; ++id)
      clamped.byId[id] = std::clamp(values.byId[id], row.range.min, row.range.max);
  clamped.byId[kFilterBayerGainAuto] = values.byId[kFilterBayerGainAuto] != 0 ? 1 : 0;
  return clamped;
}

}  // namespace velmor
