// Showing the settings dialogs: each runs modally on the calling thread over
// the host's window and returns 1 for OK, 2 for Cancel (or when it could not
// be shown). One toolkit is built per target: Win32 resource dialogs on
// Windows, Dear ImGui on SDL2 elsewhere.
#pragma once

#include <cstdint>
#include <functional>

#include "dialogs/AnalogDialogModel.h"
#include "dialogs/CameraDialogModel.h"
#include "dialogs/DialogTexts.h"
#include "dialogs/ImageDialogModel.h"
#include "velmor/velmor.h"

namespace velmor::dialogs {

enum DialogResult : int32_t { kDialogOk = 1, kDialogCancel = 2 };

// The language of the dialogs on this system.
Language SystemLanguage();

int32_t RunAnalogDialog(AnalogDialogModel &model, VELMOR_HWND parent);
int32_t RunImageDialog(ImageDialogModel &model, VELMOR_HWND parent);
int32_t RunCameraDialog(CameraDialogModel &model, VELMOR_HWND parent);

// Tests stand in for the person at the dialog: while set, the Run
// functions give the model to these instead of showing a window, and a set
// language replaces the system's.
struct DialogStandIn {
  std::function<int32_t(AnalogDialogModel &)> analog = nullptr;
  std::function<int32_t(ImageDialogModel &)> image = nullptr;
  std::function<int32_t(CameraDialogModel &)> camera = nullptr;
};
void SetDialogStandIn(DialogStandIn standIn);
void SetLanguageOverride(int32_t language);  // a Language, or -1 for the system's
inline constexpr int32_t kNoLanguageOverride = -1;

// The toolkit's own entry points (one implementation per target).
Language ToolkitLanguage();
int32_t ShowAnalogDialog(AnalogDialogModel &model, VELMOR_HWND parent);
int32_t ShowImageDialog(ImageDialogModel &model, VELMOR_HWND parent);
int32_t ShowCameraDialog(CameraDialogModel &model, VELMOR_HWND parent);

}  // namespace velmor::dialogs
