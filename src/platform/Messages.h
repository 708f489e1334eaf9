// Posted window messages: the library's only way of telling a host window
// about frames and errors. Posting never blocks and never waits for the host.
#pragma once

#include <cstdint>

#include "velmor/velmor.h"

namespace velmor::platform {

// Queues a message for `window`. Returns false when the window is null,
// unknown, destroyed or its queue is full; callers ignore the result.
bool post_message(VELMOR_HWND window, unsigned message, uintptr_t wParam, intptr_t lParam);

// Message-only windows for hosts without a GUI toolkit (and for tests).
VELMOR_HWND create_message_window();
bool wait_message(VELMOR_HWND window, VELMOR_MSG &out, int timeoutMs);
void destroy_message_window(VELMOR_HWND window);

// Bound of every message window's queue, as a Win32 thread queue has.
inline constexpr std::size_t kMessageQueueLimit = 10000;

}  // namespace velmor::platform
