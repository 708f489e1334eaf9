// The settings dialogs drawn with Dear ImGui in an SDL2 window of their own,
// and the hook through which tests watch and drive them frame by frame.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace velmor::dialogs {

// One drawn frame of an open dialog, before it is shown. Made in the display
// module, whose pixels it reads, so reading is pure virtual: the caller need
// not be linked with the module, and the class's type information is emitted
// wherever it is used.
class DialogFrame {
 public:
  virtual ~DialogFrame() = default;
  // Frames drawn so far, from 1.
  int32_t number = 0;
  // Ends the dialog with this result after the frame.
  void End(int32_t result) { result_ = result; }
  // The frame's pixels, 0x00RRGGBB, top row first.
  virtual bool ReadPixels(std::vector<uint32_t> &pixels, int32_t &width,
                          int32_t &height) const = 0;

 private:
  friend class ImGuiDialogLoop;
  int32_t result_ = 0;
};

// Called on the dialog's thread after every frame while set; tests only.
// Reaches the display module's dialogs; ignored while it cannot be loaded.
void SetDialogFrameHook(std::function<void(DialogFrame &)> hook);

}  // namespace velmor::dialogs
