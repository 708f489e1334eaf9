// The image settings dialog without its toolkit: the image filter page and,
// in the grey colour modes, the grey filter page. Every change is stored in
// the session's filter values at once, so the next frame shows it; Cancel is
// the session's: it puts back the values it kept.
#pragma once

#include <cstdint>
#include <span>

#include "dialogs/RefreshNotice.h"
#include "dialogs/SliderControl.h"
#include "settings/SessionSettings.h"

namespace velmor::dialogs {

// The session's filter values as the dialog reads and changes them.
class FilterStore {
 public:
  virtual ~FilterStore() = default;
  virtual int32_t Get(FilterId id) const = 0;
  virtual void Set(FilterId id, int32_t value) = 0;
  // Automatic white balance on the next frame only.
  virtual void WhiteBalanceOnce() = 0;
  // Automatic white balance on every frame, or off.
  virtual void WhiteBalanceEveryFrame(bool on) = 0;
};

enum ImagePage : int32_t { kImageFilterPage, kGreyFilterPage };

struct ImageSlider {
  SliderControl control;
  FilterId id;
  ImagePage page;
  // What the filter chain takes; typed values are brought into it.
  int32_t storedMinimum, storedMaximum;
};

// The grey gain auto counter: once, on every frame, off.
inline constexpr int32_t kGreyGainOnce = 1;
inline constexpr int32_t kGreyGainEveryFrame = -1;

class ImageDialogModel {
 public:
  ImageDialogModel(FilterStore &store, int32_t colourMode, Language language);

  Language language() const { return language_; }
  // The grey filter tab exists in the grey colour modes (8 and 16 bits).
  bool greyPage() const { return greyPage_; }
  static std::span<const ImageSlider> sliders();
  bool sliderEnabled(int32_t index) const;
  int32_t value(int32_t index) const;
  void SetValue(int32_t index, int32_t value);
  // The index of the slider with that trackbar, edit or up-down, or -1.
  static int32_t SliderOf(int32_t controlId);

  // White balance and Bayer mode controls of the image filter page.
  bool colourControlsEnabled() const { return !greyPage_; }
  int32_t bayerMode() const { return store_.Get(kFilterBayerMode); }
  void SetBayerMode(int32_t mode);
  void WhiteBalanceOnce();
  bool whiteBalanceAll() const { return whiteBalanceAll_; }
  void SetWhiteBalanceAll(bool on);

  // Grey filter page.
  int32_t greyMode() const { return store_.Get(kFilterGrayMode); }
  void SetGreyMode(int32_t mode);
  void GreyGainOnce();
  bool greyGainAll() const { return store_.Get(kFilterGrayGainAuto) == kGreyGainEveryFrame; }
  void SetGreyGainAll(bool on);

  void Default();

  // From the acquisition thread: white balance or automatic grey gains
  // stored new values.
  void ShowFilterChange() { notice_.Mark(); }
  RefreshNotice &notice() { return notice_; }
  bool TakeRefresh() { return notice_.Take(); }

 private:
  FilterStore &store_;
  const Language language_;
  const bool greyPage_;
  bool whiteBalanceAll_;
  RefreshNotice notice_;
};

}  // namespace velmor::dialogs
