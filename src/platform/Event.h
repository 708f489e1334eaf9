// A Win32-style event: auto-reset (one waiter consumes a signal) or
// manual-reset (stays signalled until reset), waited on with a time-out.
#pragma once

#include <condition_variable>
#include <mutex>

namespace velmor::platform {

class Event {
 public:
  static constexpr int kInfinite = -1;

  explicit Event(bool manualReset, bool initiallySet = false);
  Event(const Event &) = delete;
  Event &operator=(const Event &) = delete;

  void set();
  void reset();
  // True when the event was signalled within timeoutMs (kInfinite: no limit,
  // 0: poll). An auto-reset event is reset by the wait that sees it.
  bool wait(int timeoutMs);

 private:
  std::mutex mutex_;
  std::condition_variable signalled_;
  const bool manualReset_;
  bool set_;
};

}  // namespace velmor::platform
