// CVelmor: the session object behind one handle.
#pragma once

#include <atomic>
#include <cstdint>

#include "session/ErrorHistory.h"
#include "velmor/velmor.h"

namespace velmor {

class CVelmor {
 public:
  CVelmor();
  virtual ~CVelmor();
  CVelmor(const CVelmor &) = delete;
  CVelmor &operator=(const CVelmor &) = delete;

  // Binds the session to the host's notification window (may be null).
  int32_t InitializeSession(VELMOR_HWND window);

  // Records code as the newest error and posts it to the notification
  // window when there is one.
  void ReportError(int32_t code);
  // Posts code to the notification window without recording it and without
  // checking the window (a null window simply receives nothing).
  void PostErrorOnly(int32_t code) const;
  // Velmor_GetLastError: removes and returns the newest code.
  int32_t PopLastError() { return errorHistory_.Pop(); }
  const ErrorHistory &errorHistory() const { return errorHistory_; }

  VELMOR_HWND notifyWindow() const { return notifyWindow_.load(); }
  VELMOR_HWND callbackWindow() const { return callbackWindow_.load(); }
  void setCallbackWindow(VELMOR_HWND window) { callbackWindow_.store(window); }

 private:
  std::atomic<VELMOR_HWND> notifyWindow_{nullptr};
  std::atomic<VELMOR_HWND> callbackWindow_{nullptr};
  ErrorHistory errorHistory_;
};

}  // namespace velmor
