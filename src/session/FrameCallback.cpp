#include "session/FrameCallback.h"

namespace velmor {

void FrameCallback::WaitIdleLocked(std::unique_lock<std::mutex> &hold) {
  const std::thread::id self = std::this_thread::get_id();
  idle_.wait(hold, [&] { return caller_ == std::thread::id() || caller_ == self; });
}

void FrameCallback::Set(int32_t handle, VELMOR_FRAME_CALLBACK callback, void *user) {
  std::unique_lock<std::mutex> hold(lock_);
  WaitIdleLocked(hold);
  callback_ = callback;
  user_ = user;
  handle_ = handle;
}

void FrameCallback::Deliver(const VELMOR_FRAME_INFO &frame) {
  std::unique_lock<std::mutex> hold(lock_);
  if (callback_ == nullptr) return;
  const VELMOR_FRAME_CALLBACK callback = callback_;
  void *const user = user_;
  const int32_t handle = handle_;
  caller_ = std::this_thread::get_id();
  hold.unlock();
  try {
    callback(handle, &frame, user);
  } catch (...) {
    // A C++ host's exception must not end the acquisition thread.
  }
  hold.lock();
  caller_ = std::thread::id();
  hold.unlock();
  idle_.notify_all();
}

bool FrameCallback::InsideCall() const {
  std::lock_guard<std::mutex> hold(lock_);
  return caller_ == std::this_thread::get_id();
}

void FrameCallback::WaitIdle() {
  std::unique_lock<std::mutex> hold(lock_);
  WaitIdleLocked(hold);
}

}  // namespace velmor
