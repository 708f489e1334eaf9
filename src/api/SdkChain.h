// The process-wide registry of session handles: a circular doubly linked
// ring whose head moves onto the node found last, so repeated calls on one
// handle find it at the first comparison.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace velmor {

class CVelmor;

// One node of the ring. The ring owns the node; the node owns its session,
// which is destroyed once it is released and no call runs on it any more.
struct CSDKDATA {
  int32_t key = 0;
  CVelmor *session = nullptr;
  CSDKDATA *prev = nullptr;
  CSDKDATA *next = nullptr;
  // Calls in flight on the session (guarded by the registry's lock).
  int32_t calls = 0;
  // Released: lookups no longer find it; it waits for its calls to end.
  bool released = false;
  // Released from inside a call on it: the last call out destroys it.
  bool destroyOnLastCall = false;
};

// The ring itself. Callers serialise every operation (CSdkChain holds its
// lock around each one).
template <class Node>
class CTRing {
 public:
  CTRing() = default;
  virtual ~CTRing() { RemoveAll(); }
  CTRing(const CTRing &) = delete;
  CTRing &operator=(const CTRing &) = delete;

  // Copies key and session into a new heap node that becomes the head.
  // Returns false when the node could not be allocated.
  bool AddNode(const Node &contents);
  // Rotates the head onto the node with this key. A miss leaves the head on
  // the former tail. Each node is compared at most once.
  int FindNode(int32_t key);
  // Unlinks and frees the head node (never its session).
  int RemoveHead();
  void RemoveAll() {
    while (RemoveHead()) {
    }
  }

  Node *head() const { return head_; }
  int32_t count() const { return count_; }

 protected:
  Node *head_ = nullptr;
  int32_t count_ = 0;
};

class CSdkChain : public CTRing<CSDKDATA> {
 public:
  ~CSdkChain() override;

  // Makes a session and registers it under a new non-zero, unique handle.
  // Returns the handle, or 0 when the session could not be made.
  int32_t CreateSession();
  // FindNode under the lock; the found node (now the head) or null. A
  // released node is not found.
  CSDKDATA *LookupSession(int32_t key);
  // The session of a handle, read from its node after the lock is left.
  // Only for callers that keep the handle from being released meanwhile.
  CVelmor *SessionOf(int32_t key);
  // Velmor_Release: unregisters key, waits until the calls in flight on its
  // session from other threads have ended and destroys the session (or, when
  // this thread is itself inside a call on it, leaves that to the last call
  // out). 0 for an unknown or already released handle.
  int ReleaseSession(int32_t key);
  // Sessions registered and not released.
  int32_t Count();

  // The call frame's side: EnterCall counts a call on the session of key and
  // returns it (null for an unknown or released handle); LeaveCall ends it.
  CVelmor *EnterCall(int32_t key);
  void LeaveCall(int32_t key);

 private:
  // Unlinks the node of key (found under the lock) and returns its session
  // for destruction outside the lock.
  CVelmor *Unregister(int32_t key);

  std::mutex lock_;
  std::condition_variable callEnded_;
};

// One call in flight: keeps the session of a handle alive for its lifetime.
class SessionCall {
 public:
  explicit SessionCall(int32_t key);
  ~SessionCall();
  SessionCall(const SessionCall &) = delete;
  SessionCall &operator=(const SessionCall &) = delete;
  CVelmor *session() const { return session_; }

 private:
  int32_t key_;
  CVelmor *session_;
};

// The one registry of this process.
CSdkChain &SdkChain();

template <class Node>
bool CTRing<Node>::AddNode(const Node &contents) {
  Node *node = new (std::nothrow) Node{contents.key, contents.session, nullptr, nullptr};
  if (node == nullptr) return false;
  if (head_ == nullptr) {
    node->prev = node;
    node->next = node;
    count_ = 1;
  } else {
    ++count_;
    node->prev = head_->prev;
    node->next = head_;
    head_->prev->next = node;
    head_->prev = node;
  }
  head_ = node;
  return true;
}

template <class Node>
int CTRing<Node>::FindNode(int32_t key) {
  if (head_ == nullptr) return 0;
  const int32_t tailKey = head_->prev->key;
  while (head_->key != key) {
    if (head_->key == tailKey) return 0;
    head_ = head_->next;
  }
  return 1;
}

template <class Node>
int CTRing<Node>::RemoveHead() {
  if (head_ == nullptr) return 0;
  Node *node = head_;
  if (node->next == node) {
    count_ = 0;
    head_ = nullptr;
  } else {
    --count_;
    node->prev->next = node->next;
    node->next->prev = node->prev;
    head_ = node->next;
  }
  delete node;
  return 1;
}

}  // namespace velmor
