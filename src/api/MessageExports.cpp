// Portable message-window helpers for hosts without a GUI toolkit.
#include "platform/Messages.h"
#include "velmor/velmor.h"

extern "C" {

VELMOR_HWND Velmor_CreateMessageWindow(void) {
  try {
    return velmor::platform::create_message_window();
  } catch (...) {
    return nullptr;
  }
}

int32_t Velmor_WaitMessage(VELMOR_HWND window, VELMOR_MSG *out, int32_t timeoutMs) {
  // -1 waits without limit; any other negative time-out is refused rather
  // than taken for an endless wait.
  if (out == nullptr || timeoutMs < -1) return 0;
  try {
    return velmor::platform::wait_message(window, *out, timeoutMs) ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

void Velmor_DestroyMessageWindow(VELMOR_HWND window) {
  try {
    velmor::platform::destroy_message_window(window);
  } catch (...) {
  }
}

}  // extern "C"
