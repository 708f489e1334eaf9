#include "session/Velmor.h"

#include "platform/Messages.h"

namespace velmor {

CVelmor::CVelmor() = default;

CVelmor::~CVelmor() = default;

int32_t CVelmor::InitializeSession(VELMOR_HWND window) {
  notifyWindow_.store(window);
  return 1;
}

void CVelmor::ReportError(int32_t code) {
  errorHistory_.Record(code);
  if (VELMOR_HWND window = notifyWindow(); window != nullptr)
    platform::post_message(window, VELMOR_WM_ERROR, 0, code);
}

void CVelmor::PostErrorOnly(int32_t code) const {
  platform::post_message(notifyWindow(), VELMOR_WM_ERROR, 0, code);
}

}  // namespace velmor
