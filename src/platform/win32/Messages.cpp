// Win32 message windows: message-only windows (parent HWND_MESSAGE) of one
// private class. Their messages sit in the creating thread's queue, so only
// that thread waits on them. DestroyWindow works on the owner's thread only;
// another thread asks the owner to destroy the window instead, and the
// owner's wait does so and returns. Posting goes straight to PostMessageA, so
// any host window works.
#include "platform/Messages.h"

#include <windows.h>

#include <chrono>
#include <mutex>
#include <unordered_map>

namespace velmor::platform {
namespace {

constexpr char kClassName[] = "VelmorMessageWindow";

HINSTANCE this_module() {
  HMODULE module = nullptr;
  GetModuleHandleExA(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      kClassName, &module);
  return module;
}

// Posted but unread messages per message window. Windows stops a thread's
// queue at 10 000 messages by itself; Wine does not, and a host that stops
// reading must not make the queue grow without end anywhere.
class PendingCounts {
 public:
  void add(HWND window) {
    std::lock_guard lock(mutex_);
    counts_[window] = 0;
  }

  void remove(HWND window) {
    std::lock_guard lock(mutex_);
    counts_.erase(window);
  }

  // False when `window` is a message window whose queue is full; other
  // windows are left to the system's own bound.
  bool reserve(HWND window) {
    std::lock_guard lock(mutex_);
    const auto it = counts_.find(window);
    if (it == counts_.end()) return true;
    if (it->second >= kMessageQueueLimit) return false;
    ++it->second;
    return true;
  }

  void release(HWND window) {
    std::lock_guard lock(mutex_);
    const auto it = counts_.find(window);
    if (it != counts_.end() && it->second > 0) --it->second;
  }

 private:
  std::mutex mutex_;
  std::unordered_map<HWND, std::size_t> counts_;
};

PendingCounts &pending() {
  static PendingCounts instance;
  return instance;
}

// Also reached when the owning thread ends without destroying its windows.
LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCDESTROY) pending().remove(window);
  return DefWindowProcA(window, message, wParam, lParam);
}

ATOM window_class() {
  static const ATOM atom = [] {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = window_procedure;
    windowClass.hInstance = this_module();
    windowClass.lpszClassName = kClassName;
    return RegisterClassExA(&windowClass);
  }();
  return atom;
}

UINT destroy_request() {
  static const UINT message = RegisterWindowMessageA("VelmorDestroyMessageWindow");
  return message;
}

bool is_message_window(HWND window) {
  DWORD process = 0;
  return window != nullptr && IsWindow(window) && GetWindowThreadProcessId(window, &process) &&
         process == GetCurrentProcessId() && window_class() != 0 &&
         GetClassLongPtrA(window, GCW_ATOM) == window_class();
}

bool owned_by_this_thread(HWND window) {
  return GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId();
}

}  // namespace

bool post_message(VELMOR_HWND window, unsigned message, uintptr_t wParam, intptr_t lParam) {
  if (window == nullptr || !pending().reserve(window)) return false;
  if (PostMessageA(window, message, wParam, lParam)) return true;
  pending().release(window);
  return false;
}

VELMOR_HWND create_message_window() {
  if (window_class() == 0) return nullptr;
  HWND window = CreateWindowExA(0, kClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                this_module(), nullptr);
  if (window != nullptr) pending().add(window);
  return window;
}

bool wait_message(VELMOR_HWND window, VELMOR_MSG &out, int timeoutMs) {
  if (!is_message_window(window) || !owned_by_this_thread(window)) return false;
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    MSG message{};
    if (PeekMessageA(&message, window, 0, 0, PM_REMOVE)) {
      if (message.message == destroy_request()) {
        DestroyWindow(window);
        return false;
      }
      pending().release(window);
      out = VELMOR_MSG{message.message, message.wParam, message.lParam};
      return true;
    }
    DWORD wait = INFINITE;
    if (timeoutMs >= 0) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) return false;
      wait = static_cast<DWORD>(left.count());
    }
    // Wakes for messages posted after the peek above; sent messages are
    // handled by the next peek.
    MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_POSTMESSAGE | QS_SENDMESSAGE);
  }
}

void destroy_message_window(VELMOR_HWND window) {
  if (!is_message_window(window)) return;
  if (owned_by_this_thread(window))
    DestroyWindow(window);
  else
    PostMessageA(window, destroy_request(), 0, 0);
}

}  // namespace velmor::platform
