// The host's frame callback: called on the acquisition thread for every
// processed frame. Replacing or clearing it waits until a call running on
// another thread has returned, so a host may free what `user` points to as
// soon as the clear returns; from inside the call it does not wait for
// itself.
#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

#include "velmor/velmor.h"

namespace velmor {

class FrameCallback {
 public:
  // `handle` is the session's, passed back to the callback.
  void Set(int32_t handle, VELMOR_FRAME_CALLBACK callback, void *user);
  // Calls the callback, when one is set, with no lock held.
  void Deliver(const VELMOR_FRAME_INFO &frame);
  // True on the thread that is inside the callback now.
  bool InsideCall() const;
  // Returns once no call runs on another thread.
  void WaitIdle();

 private:
  void WaitIdleLocked(std::unique_lock<std::mutex> &hold);

  mutable std::mutex lock_;
  std::condition_variable idle_;
  VELMOR_FRAME_CALLBACK callback_ = nullptr;
  void *user_ = nullptr;
  int32_t handle_ = 0;
  // The thread running the callback; default-constructed when none does.
  std::thread::id caller_;
};

}  // namespace velmor
