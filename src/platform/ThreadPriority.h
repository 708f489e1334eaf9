// Thread priority, best effort: a thread that must keep pace with a device
// asks for the highest priority the OS grants it, and runs on at its old
// priority when the OS refuses.
#pragma once

namespace velmor::platform {

// Raises the calling thread to time-critical priority where the process may;
// true when the OS accepted it.
bool raise_to_time_critical();

}  // namespace velmor::platform
