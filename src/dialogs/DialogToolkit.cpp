#include "dialogs/DialogToolkit.h"

#include <atomic>
#include <mutex>

namespace velmor::dialogs {
namespace {

std::mutex standInLock;
DialogStandIn standIn;
std::atomic<int32_t> languageOverride{kNoLanguageOverride};

// The stand-in for a kind of dialog, copied so it runs outside the lock.
template <class Member>
auto StandInFor(Member member) {
  std::lock_guard hold(standInLock);
  return standIn.*member;
}

}  // namespace

void SetDialogStandIn(DialogStandIn replacement) {
  std::lock_guard hold(standInLock);
  standIn = std::move(replacement);
}

void SetLanguageOverride(int32_t language) { languageOverride.store(language); }

Language SystemLanguage() {
  const int32_t forced = languageOverride.load();
  return forced == kNoLanguageOverride ? ToolkitLanguage() : Language(forced);
}

int32_t RunAnalogDialog(AnalogDialogModel &model, VELMOR_HWND parent) {
  if (auto run = StandInFor(&DialogStandIn::analog)) return run(model);
  return ShowAnalogDialog(model, parent);
}

int32_t RunImageDialog(ImageDialogModel &model, VELMOR_HWND parent) {
  if (auto run = StandInFor(&DialogStandIn::image)) return run(model);
  return ShowImageDialog(model, parent);
}

int32_t RunCameraDialog(CameraDialogModel &model, VELMOR_HWND parent) {
  if (auto run = StandInFor(&DialogStandIn::camera)) return run(model);
  return ShowCameraDialog(model, parent);
}

}  // namespace velmor::dialogs
