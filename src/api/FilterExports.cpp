// Exports of the filter-value table: the generic pair, one getter and
// setter per identifier, the temperature and the channel calls.
#include "api/CallFrame.h"
#include "settings/SessionSettings.h"
#include "velmor/velmor.h"

using velmor::CVelmor;
using velmor::api::WithSession;

namespace {

constexpr int32_t kChannels = 4;

// Channels 1 ... 4 are the identifiers from `first` on; any other channel
// is answered with 0 and no record.
int32_t SetChannel(int32_t handle, int32_t first, int32_t channel, int32_t value) {
  if (channel < 1 || channel > kChannels) return 0;
  return Velmor_SetFilterValue(handle, first + channel - 1, value);
}

int32_t GetChannel(int32_t handle, int32_t first, int32_t channel, int32_t *ok) {
  if (channel >= 1 && channel <= kChannels)
    return Velmor_GetFilterValue(handle, first + channel - 1, ok);
  // The call frame: an unknown handle leaves `ok` as it is.
  return WithSession(handle, 0, [&](CVelmor &) {
    if (ok != nullptr) *ok = 0;
    return 0;
  });
}

}  // namespace

extern "C" {

int32_t Velmor_SetFilterValue(int32_t handle, int32_t id, int32_t value) {
  return WithSession(handle, 0,
                     [&](CVelmor &session) { return session.SetFilterValue(id, value); });
}

int32_t Velmor_GetFilterValue(int32_t handle, int32_t id, int32_t *ok) {
  return WithSession(handle, 0, [&](CVelmor &session) { return session.GetFilterValue(id, ok); });
}

#define VELMOR_FILTER_PAIR(name, id)                         \
  int32_t Velmor_Get##name(int32_t handle, int32_t *ok) {    \
    return Velmor_GetFilterValue(handle, velmor::id, ok);    \
  }                                                          \
  int32_t Velmor_Set##name(int32_t handle, int32_t value) {  \
    return Velmor_SetFilterValue(handle, velmor::id, value); \
  }

VELMOR_FILTER_PAIR(Brightness, kFilterBrightness)
VELMOR_FILTER_PAIR(Contrast, kFilterContrast)
VELMOR_FILTER_PAIR(Hue, kFilterHue)
VELMOR_FILTER_PAIR(Saturation, kFilterSaturation)
VELMOR_FILTER_PAIR(Sharpness, kFilterSharpness)
VELMOR_FILTER_PAIR(BayerGainRGB, kFilterBayerGainPacked)
VELMOR_FILTER_PAIR(BayerGainRed, kFilterBayerGainRed)
VELMOR_FILTER_PAIR(BayerGainGreen, kFilterBayerGainGreen)
VELMOR_FILTER_PAIR(BayerGainBlue, kFilterBayerGainBlue)
VELMOR_FILTER_PAIR(BayerGainAuto, kFilterBayerGainAuto)
VELMOR_FILTER_PAIR(Gamma, kFilterGamma)
VELMOR_FILTER_PAIR(BayerMode, kFilterBayerMode)
VELMOR_FILTER_PAIR(GlobalGain, kFilterGlobalGain)
VELMOR_FILTER_PAIR(ColorGainRed, kFilterColorGainRed)
VELMOR_FILTER_PAIR(ColorGainGreen1, kFilterColorGainGreen1)
VELMOR_FILTER_PAIR(ColorGainGreen2, kFilterColorGainGreen2)
VELMOR_FILTER_PAIR(ColorGainBlue, kFilterColorGainBlue)
VELMOR_FILTER_PAIR(ExposureTime, kFilterExposureTime)
VELMOR_FILTER_PAIR(GrayMode, kFilterGrayMode)
VELMOR_FILTER_PAIR(GrayGainR, kFilterGrayGainR)
VELMOR_FILTER_PAIR(GrayGainG1, kFilterGrayGainG1)
VELMOR_FILTER_PAIR(GrayGainG2, kFilterGrayGainG2)
VELMOR_FILTER_PAIR(GrayGainB, kFilterGrayGainB)
VELMOR_FILTER_PAIR(GrayOffsetR, kFilterGrayOffsetR)
VELMOR_FILTER_PAIR(GrayOffsetG1, kFilterGrayOffsetG1)
VELMOR_FILTER_PAIR(GrayOffsetG2, kFilterGrayOffsetG2)
VELMOR_FILTER_PAIR(GrayOffsetB, kFilterGrayOffsetB)
VELMOR_FILTER_PAIR(Peltier, kFilterPeltier)
VELMOR_FILTER_PAIR(DotFilter, kFilterDotFilter)
VELMOR_FILTER_PAIR(MaskFilter, kFilterMaskFilter)

#undef VELMOR_FILTER_PAIR

int32_t Velmor_GetTemperature(int32_t handle, int32_t *ok) {
  return Velmor_GetFilterValue(handle, velmor::kFilterTemperature, ok);
}

int32_t Velmor_SetChannelGain(int32_t handle, int32_t channel, int32_t value) {
  return SetChannel(handle, velmor::kFilterChannelGain1, channel, value);
}

int32_t Velmor_GetChannelGain(int32_t handle, int32_t channel, int32_t *ok) {
  return GetChannel(handle, velmor::kFilterChannelGain1, channel, ok);
}

int32_t Velmor_SetChannelOffset(int32_t handle, int32_t channel, int32_t value) {
  return SetChannel(handle, velmor::kFilterChannelOffset1, channel, value);
}

int32_t Velmor_GetChannelOffset(int32_t handle, int32_t channel, int32_t *ok) {
  return GetChannel(handle, velmor::kFilterChannelOffset1, channel, ok);
}

}  // extern "C"
