#include "dialogs/CameraDialogModel.h"

#include <algorithm>

namespace velmor::dialogs {
namespace {

constexpr int32_t kSubSampleCodes[] = {0, 1, 17};

struct FormatEntry {
  int32_t colourMode;
  Text text;
};
constexpr FormatEntry kFormats[] = {{0, Text::MONO_8},    {1, Text::MONO_WIDE},
                                    {2, Text::COLOUR_24}, {3, Text::COLOUR_32},
                                    {4, Text::COLOUR_48}, {5, Text::COLOUR_64}};

bool IsFullWindow(const CaptureGeometry &preset) {
  return preset.EH == kSensorSize && preset.EV == kSensorSize && preset.EHS == 0 && preset.EVS == 0;
}

}  // namespace

int32_t SubSampleCode(int32_t choice) {
  return choice >= 0 && choice < int32_t(std::size(kSubSampleCodes)) ? kSubSampleCodes[choice] : 0;
}

CameraDialogModel::CameraDialogModel(PresetStore &store, const CameraCapabilities &camera,
                                     Language language)
    : store_(store), camera_(camera), language_(language) {
  store.Load(presets_);
  if (presets_.presets.empty()) presets_.presets.emplace_back();
  if (presets_.presets.size() > size_t(CameraPresets::kMaxPresets))
    presets_.presets.resize(CameraPresets::kMaxPresets);

  for (const FormatEntry &entry : kFormats) {
    const bool offered = entry.colourMode == 0   ? camera.eightBit
                         : entry.colourMode == 1 ? camera.sixteenBit
                                                 : camera.colour;
    if (!offered) continue;
    formatModes_.push_back(entry.colourMode);
    formatTexts_.push_back(entry.colourMode == 1 ? Format(entry.text, language, kWideSampleBits)
                                                 : std::string(TextOf(entry.text, language)));
  }
  auto stored = std::find(formatModes_.begin(), formatModes_.end(), presets_.format.colourMode);
  if (stored == formatModes_.end() && !camera.colour)
    stored = std::find(formatModes_.begin(), formatModes_.end(), camera.sixteenBit ? 1 : 0);
  formatIndex_ = stored == formatModes_.end() ? 0 : int32_t(stored - formatModes_.begin());

  for (const CaptureGeometry &preset : presets_.presets) sizeTexts_.push_back(SizeText(preset));
  sizeTexts_.push_back(TextOf(Text::CUSTOM, language));
  sizeIndex_ = std::clamp(presets_.current, 0, int32_t(presets_.presets.size()) - 1);
  FillWindow(presets_.presets[sizeIndex_]);

  for (Text text : {Text::SUB_FULL, Text::SUB_SKIP, Text::SUB_BIN})
    subSampleTexts_.push_back(TextOf(text, language));
  const auto code =
      std::find(std::begin(kSubSampleCodes), std::end(kSubSampleCodes), presets_.format.subSample);
  subSampleIndex_ =
      code == std::end(kSubSampleCodes) ? kSubSampleFull : int32_t(code - kSubSampleCodes);

  waitTime_ = presets_.format.waitTime;

  clockTexts_ = {TextOf(Text::CLOCK_NORMAL, language), TextOf(Text::CLOCK_HALF, language),
                 Format(Text::CLOCK_HIGH, language, kHighClockMhz)};
  // The stored clock is shown for a moment only: this camera runs at the
  // high clock, and the list stays there.
  clockIndex_ = kClockHigh;
}

std::string CameraDialogModel::SizeText(const CaptureGeometry &preset) const {
  return Format(Text::SIZE_ENTRY, language_, preset.EH, preset.EV);
}

void CameraDialogModel::FillWindow(const CaptureGeometry &preset) {
  window_ = {preset.TH, preset.TV, preset.EH, preset.EV, preset.EHS, preset.EVS};
}

void CameraDialogModel::SelectFormat(int32_t index) {
  if (index < 0 || index >= int32_t(formatTexts_.size())) return;
  formatIndex_ = index;
  Changed();
}

void CameraDialogModel::SelectSize(int32_t index) {
  if (index < 0 || index >= int32_t(sizeTexts_.size()) || !sizeListEnabled()) return;
  sizeIndex_ = index;
  // "Custom" starts from the window shown last.
  if (!customSelected()) FillWindow(presets_.presets[index]);
  Changed();
}

bool CameraDialogModel::sizeListEnabled() const {
  return subSampleIndex_ != kSubSampleSkip && (camera_.hWindow || camera_.vWindow);
}

void CameraDialogModel::SetWindowValue(WindowEdit edit, int32_t value) {
  if (!windowEditEnabled(edit) || windowEditReadOnly(edit)) return;
  window_[edit] = value;
  Changed();
}

bool CameraDialogModel::windowEditEnabled(WindowEdit edit) const {
  if (subSampleIndex_ == kSubSampleSkip) return false;
  const bool horizontal = edit == kHTotal || edit == kHEffective || edit == kHStart;
  return horizontal ? camera_.hWindow : camera_.vWindow;
}

void CameraDialogModel::SelectSubSample(int32_t index) {
  if (index < 0 || index >= int32_t(subSampleTexts_.size())) return;
  subSampleIndex_ = index;
  Changed();
  if (index != kSubSampleSkip) return;
  // Skipping reads the whole sensor: select the full-size preset, adding
  // one when there is none.
  auto full = std::find_if(presets_.presets.begin(), presets_.presets.end(), IsFullWindow);
  if (full == presets_.presets.end()) {
    presets_.presets.emplace_back();
    full = presets_.presets.end() - 1;
    sizeTexts_.insert(sizeTexts_.end() - 1, SizeText(*full));
  }
  sizeIndex_ = int32_t(full - presets_.presets.begin());
  FillWindow(*full);
}

void CameraDialogModel::SetWaitTime(int32_t milliseconds) {
  waitTime_ = milliseconds;
  Changed();
}

void CameraDialogModel::Apply() {
  CaptureGeometry window;
  window.TH = window_[kHTotal];
  window.TV = window_[kVTotal];
  window.EH = window_[kHEffective];
  window.EV = window_[kVEffective];
  window.EHS = window_[kHStart];
  window.EVS = window_[kVStart];
  if (customSelected()) {
    if (presets_.presets.size() < size_t(CameraPresets::kMaxPresets)) {
      presets_.presets.push_back(window);
      sizeTexts_.insert(sizeTexts_.end() - 1, SizeText(window));
    } else {
      // A full list takes no more presets: its last one stays selected.
      --sizeIndex_;
    }
  } else {
    window.Buf = presets_.presets[sizeIndex_].Buf;
    presets_.presets[sizeIndex_] = window;
    sizeTexts_[sizeIndex_] = SizeText(window);
  }
  presets_.current = sizeIndex_;
  presets_.format.colourMode = formatModes_.empty() ? 0 : formatModes_[formatIndex_];
  presets_.format.subSample = SubSampleCode(subSampleIndex_);
  presets_.format.waitTime = waitTime_;
  presets_.format.clock = clockIndex_;
  store_.Save(presets_);
  applyEnabled_ = false;
}

}  // namespace velmor::dialogs
