// A build without a dialog toolkit: every dialog ends at once as cancelled,
// so the session puts back what it kept.
#include "dialogs/DialogToolkit.h"

namespace velmor::dialogs {

Language ToolkitLanguage() { return Language::kEnglish; }
int32_t ShowAnalogDialog(AnalogDialogModel &, VELMOR_HWND) { return kDialogCancel; }
int32_t ShowImageDialog(ImageDialogModel &, VELMOR_HWND) { return kDialogCancel; }
int32_t ShowCameraDialog(CameraDialogModel &, VELMOR_HWND) { return kDialogCancel; }

}  // namespace velmor::dialogs
