#include "emulator/RequestLog.h"

namespace velmor::emulator {

void RequestLog::Add(LoggedRequest entry) {
  std::lock_guard lock(mutex_);
  if (entries_.size() == kCapacity) entries_.pop_front();
  entries_.push_back(std::move(entry));
}

std::vector<LoggedRequest> RequestLog::Entries() const {
  std::lock_guard lock(mutex_);
  return {entries_.begin(), entries_.end()};
}

void RequestLog::Clear() {
  std::lock_guard lock(mutex_);
  entries_.clear();
}

}  // namespace velmor::emulator
