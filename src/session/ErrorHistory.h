// The session's history of error codes: the 20 newest, newest first.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>

namespace velmor {

class ErrorHistory {
 public:
  static constexpr std::size_t kDepth = 20;

  // Shifts every entry one place older (the oldest is lost) and stores code
  // as the newest.
  void Record(int32_t code);
  // Removes and returns the newest entry; older entries move up and the
  // oldest place becomes 0.
  int32_t Pop();
  std::array<int32_t, kDepth> Entries() const;

 private:
  mutable std::mutex lock_;
  std::array<int32_t, kDepth> entries_{};
};

}  // namespace velmor
