// Where a virtual operation sits in its class's table, for the tests that
// keep the interfaces' slot order fixed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace velmor::test {

// Slot of a virtual member, counting the destructor as one slot (slot 0).
// Itanium C++ ABI, as GCC and Clang use on every target we build: a pointer
// to a virtual member holds 1 + its byte offset in the table, and the
// destructor occupies two entries. -1 for a non-virtual member.
template <class Member>
int VirtualSlot(Member member) {
  struct {
    uintptr_t offsetPlusOne;
    ptrdiff_t adjustment;
  } raw;
  static_assert(sizeof(member) == sizeof(raw));
  std::memcpy(&raw, &member, sizeof raw);
  if ((raw.offsetPlusOne & 1) == 0) return -1;
  return int((raw.offsetPlusOne - 1) / sizeof(void *)) - 1;
}

}  // namespace velmor::test
