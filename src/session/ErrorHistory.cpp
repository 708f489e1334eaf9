#include "session/ErrorHistory.h"

#include <algorithm>

namespace velmor {

void ErrorHistory::Record(int32_t code) {
  std::lock_guard lock(lock_);
  std::copy_backward(entries_.begin(), entries_.end() - 1, entries_.end());
  entries_.front() = code;
}

int32_t ErrorHistory::Pop() {
  std::lock_guard lock(lock_);
  const int32_t newest = entries_.front();
  std::copy(entries_.begin() + 1, entries_.end(), entries_.begin());
  entries_.back() = 0;
  return newest;
}

std::array<int32_t, ErrorHistory::kDepth> ErrorHistory::Entries() const {
  std::lock_guard lock(lock_);
  return entries_;
}

}  // namespace velmor
