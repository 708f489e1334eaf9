#include "api/SdkChain.h"

#include <cstdlib>
#include <memory>
#include <new>

#include "platform/Clock.h"
#include "session/Velmor.h"

namespace velmor {

// Sessions still registered at unload are deliberately not destroyed: their
// threads may be running, and the host is expected to release every handle.
CSdkChain::~CSdkChain() { RemoveAll(); }

int32_t CSdkChain::CreateSession() {
  std::unique_ptr<CVelmor> session(new (std::nothrow) CVelmor);
  if (!session) return 0;
  std::lock_guard guard(lock_);
  // tick count + rand() + count with unsigned wrap-around; drawn again when
  // the result is 0 (the failure value) or already stands for a session.
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
  return FindNode(key) ? head_ : nullptr;
}

CVelmor *CSdkChain::SessionOf(int32_t key) {
  CSDKDATA *node = LookupSession(key);
  return node ? node->session : nullptr;
}

int CSdkChain::ReleaseSession(int32_t key) {
  CSDKDATA *node = LookupSession(key);
  if (node == nullptr) return 0;
  // The session is torn down outside the lock: that may stop threads, and
  // calls on other handles must not wait for it.
  delete node->session;
  node->session = nullptr;
  std::lock_guard guard(lock_);
  if (FindNode(key)) RemoveHead();
  return 1;
}

int32_t CSdkChain::Count() {
  std::lock_guard guard(lock_);
  return count_;
}

CSdkChain &SdkChain() {
  static CSdkChain chain;
  return chain;
}

}  // namespace velmor
