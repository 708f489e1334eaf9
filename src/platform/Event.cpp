#include "platform/Event.h"

#include <chrono>

namespace velmor::platform {

Event::Event(bool manualReset, bool initiallySet) : manualReset_(manualReset), set_(initiallySet) {}

void Event::set() {
  {
    std::lock_guard lock(mutex_);
    set_ = true;
  }
  if (manualReset_)
    signalled_.notify_all();
  else
    signalled_.notify_one();
}

void Event::reset() {
  std::lock_guard lock(mutex_);
  set_ = false;
}

bool Event::wait(int timeoutMs) {
  std::unique_lock lock(mutex_);
  const auto isSet = [this] { return set_; };
  if (timeoutMs < 0)
    signalled_.wait(lock, isSet);
  else if (!signalled_.wait_for(lock, std::chrono::milliseconds(timeoutMs), isSet))
    return false;
  if (!manualReset_) set_ = false;
  return true;
}

}  // namespace velmor::platform
