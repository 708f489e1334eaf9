#include "dialogs/ImageDialogModel.h"

#include <algorithm>

#include "dialogs/DialogIds.h"

namespace velmor::dialogs {
namespace {

constexpr int32_t kGreyGainStoredMaximum = 255;
constexpr int32_t kNeutralGreyValue = 128;
constexpr int32_t kNeutralPercent = 100;
constexpr int32_t kDefaultBayerMode = 3;

constexpr ImageSlider Row(int32_t bar, int32_t edit, int32_t spin, Text label, int32_t minimum,
                          int32_t maximum, int32_t page, FilterId id, ImagePage onPage,
                          int32_t storedMaximum) {
  return {{bar, edit, spin, label, minimum, maximum, page}, id, onPage, minimum, storedMaximum};
}
constexpr ImageSlider Row(int32_t bar, int32_t edit, int32_t spin, Text label, int32_t minimum,
                          int32_t maximum, int32_t page, FilterId id, ImagePage onPage) {
  return Row(bar, edit, spin, label, minimum, maximum, page, id, onPage, maximum);
}

constexpr ImageSlider kSliders[] = {
    Row(IDC_BRIGHTNESS_BAR, IDC_BRIGHTNESS_EDIT, IDC_BRIGHTNESS_SPIN, Text::BRIGHTNESS, -255, 255,
        64, kFilterBrightness, kImageFilterPage),
    Row(IDC_CONTRAST_BAR, IDC_CONTRAST_EDIT, IDC_CONTRAST_SPIN, Text::CONTRAST, -127, 127, 32,
        kFilterContrast, kImageFilterPage),
    Row(IDC_HUE_BAR, IDC_HUE_EDIT, IDC_HUE_SPIN, Text::HUE, -360, 360, 90, kFilterHue,
        kImageFilterPage),
    Row(IDC_SATURATION_BAR, IDC_SATURATION_EDIT, IDC_SATURATION_SPIN, Text::SATURATION, -255, 255,
        64, kFilterSaturation, kImageFilterPage),
    Row(IDC_SHARPNESS_BAR, IDC_SHARPNESS_EDIT, IDC_SHARPNESS_SPIN, Text::SHARPNESS, 0, 30, 4,
        kFilterSharpness, kImageFilterPage),
    Row(IDC_RGAIN_BAR, IDC_RGAIN_EDIT, IDC_RGAIN_SPIN, Text::R_GAIN, 0, 400, 32,
        kFilterBayerGainRed, kImageFilterPage),
    Row(IDC_GGAIN_BAR, IDC_GGAIN_EDIT, IDC_GGAIN_SPIN, Text::G_GAIN, 0, 400, 32,
        kFilterBayerGainGreen, kImageFilterPage),
    Row(IDC_BGAIN_BAR, IDC_BGAIN_EDIT, IDC_BGAIN_SPIN, Text::B_GAIN, 0, 400, 32,
        kFilterBayerGainBlue, kImageFilterPage),
    Row(IDC_GAMMA_BAR, IDC_GAMMA_EDIT, IDC_GAMMA_SPIN, Text::GAMMA, 0, 200, 32, kFilterGamma,
        kImageFilterPage),
    // The grey gain sliders run further than the filter chain takes.
    Row(IDC_GREY_GAIN_R_BAR, IDC_GREY_GAIN_R_EDIT, IDC_GREY_GAIN_R_SPIN, Text::RED, 0, 400, 32,
        kFilterGrayGainR, kGreyFilterPage, kGreyGainStoredMaximum),
    Row(IDC_GREY_GAIN_G1_BAR, IDC_GREY_GAIN_G1_EDIT, IDC_GREY_GAIN_G1_SPIN, Text::GREEN1, 0, 400,
        32, kFilterGrayGainG1, kGreyFilterPage, kGreyGainStoredMaximum),
    Row(IDC_GREY_GAIN_G2_BAR, IDC_GREY_GAIN_G2_EDIT, IDC_GREY_GAIN_G2_SPIN, Text::GREEN2, 0, 400,
        32, kFilterGrayGainG2, kGreyFilterPage, kGreyGainStoredMaximum),
    Row(IDC_GREY_GAIN_B_BAR, IDC_GREY_GAIN_B_EDIT, IDC_GREY_GAIN_B_SPIN, Text::BLUE, 0, 400, 32,
        kFilterGrayGainB, kGreyFilterPage, kGreyGainStoredMaximum),
    Row(IDC_GREY_OFFSET_R_BAR, IDC_GREY_OFFSET_R_EDIT, IDC_GREY_OFFSET_R_SPIN, Text::RED, -255, 255,
        32, kFilterGrayOffsetR, kGreyFilterPage),
    Row(IDC_GREY_OFFSET_G1_BAR, IDC_GREY_OFFSET_G1_EDIT, IDC_GREY_OFFSET_G1_SPIN, Text::GREEN1,
        -255, 255, 32, kFilterGrayOffsetG1, kGreyFilterPage),
    Row(IDC_GREY_OFFSET_G2_BAR, IDC_GREY_OFFSET_G2_EDIT, IDC_GREY_OFFSET_G2_SPIN, Text::GREEN2,
        -255, 255, 32, kFilterGrayOffsetG2, kGreyFilterPage),
    Row(IDC_GREY_OFFSET_B_BAR, IDC_GREY_OFFSET_B_EDIT, IDC_GREY_OFFSET_B_SPIN, Text::BLUE, -255,
        255, 32, kFilterGrayOffsetB, kGreyFilterPage),
};

// The image filter sliders that work on grey frames.
bool WorksOnGrey(FilterId id) {
  return id == kFilterBrightness || id == kFilterContrast || id == kFilterSharpness ||
         id == kFilterGamma;
}

}  // namespace

ImageDialogModel::ImageDialogModel(FilterStore &store, int32_t colourMode, Language language)
    : store_(store),
      language_(language),
      greyPage_(colourMode == 0 || colourMode == 1),
      whiteBalanceAll_(store.Get(kFilterBayerGainAuto) != 0) {}

std::span<const ImageSlider> ImageDialogModel::sliders() { return kSliders; }

int32_t ImageDialogModel::SliderOf(int32_t controlId) {
  for (size_t i = 0; i < std::size(kSliders); ++i) {
    const SliderControl &c = kSliders[i].control;
    if (controlId == c.trackbar || controlId == c.edit || controlId == c.upDown) return int32_t(i);
  }
  return -1;
}

bool ImageDialogModel::sliderEnabled(int32_t index) const {
  const ImageSlider &slider = kSliders[index];
  if (slider.page == kGreyFilterPage) return greyPage_;
  return !greyPage_ || WorksOnGrey(slider.id);
}

int32_t ImageDialogModel::value(int32_t index) const { return store_.Get(kSliders[index].id); }

void ImageDialogModel::SetValue(int32_t index, int32_t value) {
  const ImageSlider &slider = kSliders[index];
  store_.Set(slider.id, std::clamp(value, slider.storedMinimum, slider.storedMaximum));
}

void ImageDialogModel::SetBayerMode(int32_t mode) {
  store_.Set(kFilterBayerMode, std::clamp(mode, 0, 3));
}

void ImageDialogModel::WhiteBalanceOnce() {
  whiteBalanceAll_ = false;
  store_.WhiteBalanceOnce();
}

void ImageDialogModel::SetWhiteBalanceAll(bool on) {
  whiteBalanceAll_ = on;
  store_.WhiteBalanceEveryFrame(on);
}

void ImageDialogModel::SetGreyMode(int32_t mode) {
  store_.Set(kFilterGrayMode, std::clamp(mode, 0, 2));
}

void ImageDialogModel::GreyGainOnce() { store_.Set(kFilterGrayGainAuto, kGreyGainOnce); }

void ImageDialogModel::SetGreyGainAll(bool on) {
  store_.Set(kFilterGrayGainAuto, on ? kGreyGainEveryFrame : 0);
}

void ImageDialogModel::Default() {
  for (FilterId id :
       {kFilterBrightness, kFilterContrast, kFilterHue, kFilterSaturation, kFilterSharpness})
    store_.Set(id, 0);
  for (FilterId id :
       {kFilterBayerGainRed, kFilterBayerGainGreen, kFilterBayerGainBlue, kFilterGamma})
    store_.Set(id, kNeutralPercent);
  store_.Set(kFilterBayerMode, kDefaultBayerMode);
  if (!greyPage_) return;
  for (const ImageSlider &slider : kSliders)
    if (slider.page == kGreyFilterPage) store_.Set(slider.id, kNeutralGreyValue);
}

}  // namespace velmor::dialogs
