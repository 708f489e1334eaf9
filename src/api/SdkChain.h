// The process-wide registry of session handles: a circular doubly linked
// ring whose head moves onto the node found last, so repeated calls on one
// handle find it at the first comparison.
#pragma once

#include <cstdint>
#include <mutex>

namespace velmor {

class CVelmor;

// One node of the ring. The ring owns the node; the node owns its session,
// which Velmor_Release destroys before the node is removed.
struct CSDKDATA {
  int32_t key = 0;
  CVelmor *session = nullptr;
  CSDKDATA *prev = nullptr;
  CSDKDATA *next = nullptr;
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
  // FindNode under the lock; the found node (now the head) or null.
  CSDKDATA *LookupSession(int32_t key);
  // The session of a handle, read from its node after the lock is left.
  CVelmor *SessionOf(int32_t key);
  // Velmor_Release: destroys the session of key and removes its node.
  int ReleaseSession(int32_t key);
  int32_t Count();

 private:
  std::mutex lock_;
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
