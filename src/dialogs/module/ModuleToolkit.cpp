// The settings dialogs on Linux: Dear ImGui in the display module, so the
// library loads no display library until a dialog is shown. Where the module
// cannot be loaded or has no dialogs, a dialog ends at once as cancelled and
// the session puts back what it kept.
#include "dialogs/DialogToolkit.h"
#include "dialogs/imgui/ImGuiDialogs.h"
#include "platform/posix/DisplayModule.h"

namespace velmor::dialogs {
namespace {

// The module's dialog entry point `member`, or null.
template <class Member>
auto DialogEntry(Member member) {
  const platform::DisplayTable *display = platform::display_module();
  return display != nullptr ? display->*member : nullptr;
}

}  // namespace

Language ToolkitLanguage() {
  const auto language = DialogEntry(&platform::DisplayTable::toolkitLanguage);
  return language != nullptr ? Language(language()) : Language::kEnglish;
}

int32_t ShowAnalogDialog(AnalogDialogModel &model, VELMOR_HWND parent) {
  const auto show = DialogEntry(&platform::DisplayTable::showAnalogDialog);
  return show != nullptr ? show(model, parent) : kDialogCancel;
}

int32_t ShowImageDialog(ImageDialogModel &model, VELMOR_HWND parent) {
  const auto show = DialogEntry(&platform::DisplayTable::showImageDialog);
  return show != nullptr ? show(model, parent) : kDialogCancel;
}

int32_t ShowCameraDialog(CameraDialogModel &model, VELMOR_HWND parent) {
  const auto show = DialogEntry(&platform::DisplayTable::showCameraDialog);
  return show != nullptr ? show(model, parent) : kDialogCancel;
}

void SetDialogFrameHook(std::function<void(DialogFrame &)> hook) {
  if (const auto set = DialogEntry(&platform::DisplayTable::setDialogFrameHook))
    set(std::move(hook));
}

}  // namespace velmor::dialogs
