// The settings dialogs as Win32 dialogs from the library's resource
// templates, and the hook through which tests drive them.
#pragma once

#include <functional>

namespace velmor::dialogs {

// Called on the dialog's thread once a dialog is up, with its HWND; the
// test drives it with messages and ends it. Tests only.
void SetDialogShownHook(std::function<void(void *dialog)> hook);

}  // namespace velmor::dialogs
