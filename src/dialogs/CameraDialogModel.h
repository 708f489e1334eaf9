// The camera settings dialog without its toolkit: output format, readout
// window presets, subsampling, wait time and clock as stored per camera.
// Nothing reaches the camera while it is open; Apply and OK write the
// presets and values back through the store, and the session takes them up
// after OK.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "dialogs/DialogTexts.h"
#include "settings/SessionSettings.h"

namespace velmor::dialogs {

// Where the camera dialog loads and saves one camera's readout window
// presets, the index of the current one and its output format.
class PresetStore {
 public:
  virtual ~PresetStore() = default;
  virtual void Load(CameraPresets &presets) = 0;
  virtual void Save(const CameraPresets &presets) = 0;
};

// What the camera can deliver and window.
struct CameraCapabilities {
  bool eightBit, sixteenBit, colour;
  bool hWindow, vWindow;
};

enum WindowEdit : int32_t { kHTotal, kVTotal, kHEffective, kVEffective, kHStart, kVStart };
inline constexpr int32_t kWindowEditCount = 6;

// Entries of the subsampling list and the clock list.
enum SubSampleChoice : int32_t { kSubSampleFull, kSubSampleSkip, kSubSampleBin };
enum ClockChoice : int32_t { kClockNormal, kClockHalf, kClockHigh };

// Significant bits of the wide monochrome format and the high clock's rate.
inline constexpr int32_t kWideSampleBits = 12;
inline constexpr int32_t kHighClockMhz = 54;

class CameraDialogModel {
 public:
  CameraDialogModel(PresetStore &store, const CameraCapabilities &camera, Language language);

  Language language() const { return language_; }

  const std::vector<std::string> &formats() const { return formatTexts_; }
  int32_t formatIndex() const { return formatIndex_; }
  void SelectFormat(int32_t index);

  // One "%d x %d" entry per preset, then "Custom".
  const std::vector<std::string> &sizes() const { return sizeTexts_; }
  int32_t sizeIndex() const { return sizeIndex_; }
  bool customSelected() const { return sizeIndex_ == int32_t(presets_.presets.size()); }
  void SelectSize(int32_t index);
  bool sizeListEnabled() const;

  int32_t windowValue(WindowEdit edit) const { return window_[edit]; }
  void SetWindowValue(WindowEdit edit, int32_t value);
  // Totals are read-only; a direction the camera cannot window is disabled,
  // and so is everything while "1/2 Skip" is chosen.
  bool windowEditEnabled(WindowEdit edit) const;
  static bool windowEditReadOnly(WindowEdit edit) { return edit == kHTotal || edit == kVTotal; }

  const std::vector<std::string> &subSamples() const { return subSampleTexts_; }
  int32_t subSampleIndex() const { return subSampleIndex_; }
  void SelectSubSample(int32_t index);

  int32_t waitTime() const { return waitTime_; }
  void SetWaitTime(int32_t milliseconds);

  const std::vector<std::string> &clocks() const { return clockTexts_; }
  int32_t clockIndex() const { return clockIndex_; }
  bool clockEnabled() const { return false; }
  const char *clockNote() const { return TextOf(Text::CLOCK_NOTE, language_); }

  bool applyEnabled() const { return applyEnabled_; }
  // Apply, and OK before the dialog closes: the choices into the presets,
  // all of them written back.
  void Apply();
  const CameraPresets &presets() const { return presets_; }

 private:
  std::string SizeText(const CaptureGeometry &preset) const;
  void FillWindow(const CaptureGeometry &preset);
  void Changed() { applyEnabled_ = true; }

  PresetStore &store_;
  const CameraCapabilities camera_;
  const Language language_;
  CameraPresets presets_;
  std::vector<std::string> formatTexts_;
  std::vector<int32_t> formatModes_;  // colour mode index of each format entry
  int32_t formatIndex_ = 0;
  std::vector<std::string> sizeTexts_;
  int32_t sizeIndex_ = 0;
  std::array<int32_t, kWindowEditCount> window_{};
  std::vector<std::string> subSampleTexts_;
  int32_t subSampleIndex_ = kSubSampleFull;
  int32_t waitTime_ = 0;
  std::vector<std::string> clockTexts_;
  int32_t clockIndex_ = kClockHigh;
  bool applyEnabled_ = false;
};

// Subsampling codes of the list entries.
int32_t SubSampleCode(int32_t choice);

}  // namespace velmor::dialogs
