// The session's call points into its preview window. The window itself
// (creation, drawing, sizing) is a component of its own; until a start
// creates one there is nothing to draw into, size for or close.
#include "session/Velmor.h"

namespace velmor {

void CVelmor::DrawPreview() {}

void CVelmor::ClosePreviewWindow() {
  previewDC_ = nullptr;
  previewWindow_ = nullptr;
}

bool CVelmor::PreviewClientSize(int32_t &, int32_t &) const { return false; }

}  // namespace velmor
