#include "api/SdkChain.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include "platform/Clock.h"
#include "session/Velmor.h"

namespace velmor {
namespace {

// The handles this thread is inside a call on, innermost last: a release
// from inside a call on its own handle must not wait for that call.
thread_local std::vector<int32_t> callsOnThisThread;

}  // namespace

// Sessions still registered at unload are deliberately not destroyed: their
// threads may be running, and the host is expected to release every handle.
CSdkChain::~CSdkChain() { RemoveAll(); }

int32_t CSdkChain::CreateSession() {
  std::unique_ptr<CVelmor> session(new (std::nothrow) CVelmor);
  if (!session) return 0;
  std::lock_guard guard(lock_);
  // tick count + rand() + count with unsigned wrap-around; drawn again when
  // the result is 0 (the failure value) or already stands for a session
  // (released ones included, while their calls end).
  int32_t handle = 0;
  do {
    handle = static_cast<int32_t>(platform::tick_count() + static_cast<uint32_t>(std::rand()) +
                                  static_cast<uint32_t>(count_));
  } while (handle == 0 || FindNode(handle));
  if (!AddNode(CSDKDATA{handle, session.get(), nullptr, nullptr})) return 0;
  session.release();
  return handle;
}

CSDKDATA *CSdkChain::LookupSession(int32_t key) {
  std::lock_guard guard(lock_);
  return FindNode(key) && !head_->released ? head_ : nullptr;
}

CVelmor *CSdkChain::SessionOf(int32_t key) {
  CSDKDATA *node = LookupSession(key);
  return node ? node->session : nullptr;
}

CVelmor *CSdkChain::EnterCall(int32_t key) {
  std::lock_guard guard(lock_);
  if (!FindNode(key) || head_->released) return nullptr;
  try {
    callsOnThisThread.push_back(key);
  } catch (const std::bad_alloc &) {
    return nullptr;
  }
  ++head_->calls;
  return head_->session;
}

void CSdkChain::LeaveCall(int32_t key) {
  CVelmor *orphan = nullptr;
  {
    std::lock_guard guard(lock_);
    callsOnThisThread.pop_back();
    if (!FindNode(key)) return;
    CSDKDATA *node = head_;
    if (--node->calls > 0) {
      if (node->released) callEnded_.notify_all();
      return;
    }
    if (node->destroyOnLastCall)
      orphan = Unregister(key);
    else if (node->released)
      callEnded_.notify_all();
  }
  delete orphan;
}

CVelmor *CSdkChain::Unregister(int32_t key) {
  if (!FindNode(key)) return nullptr;
  CVelmor *session = head_->session;
  RemoveHead();
  return session;
}

int CSdkChain::ReleaseSession(int32_t key) {
  CVelmor *session = nullptr;
  {
    std::unique_lock guard(lock_);
    if (!FindNode(key) || head_->released) return 0;
    CSDKDATA *node = head_;
    node->released = true;
    const auto own = int32_t(std::count(callsOnThisThread.begin(), callsOnThisThread.end(), key));
    // The node stays linked until this thread unlinks it (own == 0) or the
    // last call out does (own > 0), so it outlives the wait.
    callEnded_.wait(guard, [&] { return node->calls == own; });
    if (own > 0) {
      node->destroyOnLastCall = true;
      return 1;
    }
    session = Unregister(key);
  }
  // The session is torn down outside the lock: that may stop threads, and
  // calls on other handles must not wait for it.
  delete session;
  return 1;
}

int32_t CSdkChain::Count() {
  std::lock_guard guard(lock_);
  int32_t registered = 0;
  const CSDKDATA *node = head_;
  for (int32_t i = 0; i < count_; ++i, node = node->next) registered += node->released ? 0 : 1;
  return registered;
}

CSdkChain &SdkChain() {
  static CSdkChain chain;
  return chain;
}

SessionCall::SessionCall(int32_t key) : key_(key), session_(SdkChain().EnterCall(key)) {}

SessionCall::~SessionCall() {
  if (session_ != nullptr) SdkChain().LeaveCall(key_);
}

}  // namespace velmor
