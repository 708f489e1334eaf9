// POSIX message windows: a process-wide table of bounded FIFO queues. Window
// handles are small integers cast to VELMOR_HWND and never reused, so a
// destroyed window stays unknown for good.
#include "platform/Messages.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace velmor::platform {
namespace {

struct MessageQueue {
  std::mutex mutex;
  std::condition_variable arrived;
  std::deque<VELMOR_MSG> messages;
  bool destroyed = false;
};

class WindowTable {
 public:
  VELMOR_HWND create() {
    auto queue = std::make_shared<MessageQueue>();
    std::lock_guard lock(mutex_);
    const uintptr_t id = nextId_++;
    windows_.emplace(id, std::move(queue));
    return reinterpret_cast<VELMOR_HWND>(id);
  }

  std::shared_ptr<MessageQueue> find(VELMOR_HWND window) {
    std::lock_guard lock(mutex_);
    const auto it = windows_.find(reinterpret_cast<uintptr_t>(window));
    return it == windows_.end() ? nullptr : it->second;
  }

  std::shared_ptr<MessageQueue> remove(VELMOR_HWND window) {
    std::lock_guard lock(mutex_);
    const auto it = windows_.find(reinterpret_cast<uintptr_t>(window));
    if (it == windows_.end()) return nullptr;
    auto queue = std::move(it->second);
    windows_.erase(it);
    return queue;
  }

 private:
  std::mutex mutex_;
  std::unordered_map<uintptr_t, std::shared_ptr<MessageQueue>> windows_;
  uintptr_t nextId_ = 0x10000;
};

WindowTable &table() {
  static WindowTable instance;
  return instance;
}

}  // namespace

bool post_message(VELMOR_HWND window, unsigned message, uintptr_t wParam, intptr_t lParam) {
  if (window == nullptr) return false;
  const auto queue = table().find(window);
  if (!queue) return false;
  {
    std::lock_guard lock(queue->mutex);
    if (queue->destroyed || queue->messages.size() >= kMessageQueueLimit) return false;
    queue->messages.push_back(VELMOR_MSG{message, wParam, lParam});
  }
  queue->arrived.notify_one();
  return true;
}

VELMOR_HWND create_message_window() { return table().create(); }

bool wait_message(VELMOR_HWND window, VELMOR_MSG &out, int timeoutMs) {
  const auto queue = table().find(window);
  if (!queue) return false;
  std::unique_lock lock(queue->mutex);
  const auto ready = [&] { return queue->destroyed || !queue->messages.empty(); };
  if (timeoutMs < 0)
    queue->arrived.wait(lock, ready);
  else
    queue->arrived.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready);
  if (queue->destroyed || queue->messages.empty()) return false;
  out = queue->messages.front();
  queue->messages.pop_front();
  return true;
}

void destroy_message_window(VELMOR_HWND window) {
  const auto queue = table().remove(window);
  if (!queue) return;
  {
    std::lock_guard lock(queue->mutex);
    queue->destroyed = true;
    queue->messages.clear();
  }
  queue->arrived.notify_all();
}

}  // namespace velmor::platform
