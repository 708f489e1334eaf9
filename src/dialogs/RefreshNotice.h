// How a dialog learns, on its own thread, that another thread changed what
// it shows: the other thread marks the notice and wakes the dialog's loop;
// the dialog takes the mark and re-reads its controls' values.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>

namespace velmor::dialogs {

class RefreshNotice {
 public:
  // Set by the toolkit while the dialog is up; must not block (it posts).
  void SetWake(std::function<void()> wake) {
    std::lock_guard hold(lock_);
    wake_ = std::move(wake);
  }
  void Mark() {
    pending_.store(true);
    std::lock_guard hold(lock_);
    if (wake_) wake_();
  }
  // True once per burst of marks.
  bool Take() { return pending_.exchange(false); }

 private:
  std::atomic<bool> pending_{false};
  std::mutex lock_;
  std::function<void()> wake_;
};

}  // namespace velmor::dialogs
