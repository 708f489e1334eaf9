// The contract between the library and its display module
// (libVelmorDisplay.so.1), which holds everything that needs a window system
// (SDL2, X11, and the settings dialogs' Dear ImGui on OpenGL), so that the
// library itself loads no display library. The library loads the module on
// the first window or dialog it is asked for and reaches it through one C
// entry point returning a table of functions; a table of another version or
// size is not used. Both are built together, so the dialogs' models cross
// as C++ references.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "platform/BitmapStorage.h"
#include "velmor/velmor.h"

namespace velmor::dialogs {
class AnalogDialogModel;
class ImageDialogModel;
class CameraDialogModel;
class DialogFrame;
}  // namespace velmor::dialogs

namespace velmor::platform {

inline constexpr uint32_t kDisplayTableVersion = 1;
inline constexpr const char *kDisplayModuleName = "libVelmorDisplay.so.1";
inline constexpr const char *kDisplayEntryPoint = "VelmorDisplay_Table";
// A path to the module that replaces the search beside the library.
inline constexpr const char *kDisplayModuleVariable = "VELMOR_DISPLAY_MODULE";

// Windows are opaque to the library; every function takes the one that
// createWindow made, and destroyWindow ends it.
struct DisplayTable {
  uint32_t size;     // sizeof(DisplayTable) as the module was built
  uint32_t version;  // kDisplayTableVersion
  // As create_preview_window; null when no window can be made.
  void *(*createWindow)(VELMOR_HWND parent, int32_t x, int32_t y, int32_t width, int32_t height);
  void (*destroyWindow)(void *window);
  bool (*clientSize)(const void *window, int32_t *width, int32_t *height);
  bool (*draw)(void *window, const BitmapInfo *info, const uint8_t *bits, int32_t stride,
               bool topRowFirst);
  // Fills `pixels` when it holds width x height entries; otherwise only
  // reports the size and returns false, so the caller can make room.
  bool (*readBack)(const void *window, uint32_t *pixels, size_t capacity, int32_t *width,
                   int32_t *height);
  VELMOR_HWND (*handle)(const void *window);

  // The settings dialogs, as dialogs/DialogToolkit.h describes them; null
  // where the module was built without Dear ImGui.
  int32_t (*toolkitLanguage)();  // a dialogs::Language
  int32_t (*showAnalogDialog)(dialogs::AnalogDialogModel &model, VELMOR_HWND parent);
  int32_t (*showImageDialog)(dialogs::ImageDialogModel &model, VELMOR_HWND parent);
  int32_t (*showCameraDialog)(dialogs::CameraDialogModel &model, VELMOR_HWND parent);
  void (*setDialogFrameHook)(std::function<void(dialogs::DialogFrame &)> hook);
};

using DisplayEntryPoint = const DisplayTable *(*)(uint32_t version);

// The module's table, loaded on the first call; null while the module
// cannot be loaded (each call tries again).
const DisplayTable *display_module();

}  // namespace velmor::platform
