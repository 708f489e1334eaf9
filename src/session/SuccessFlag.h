// The success flag of exports whose value may legitimately be 0: the host's
// `ok` pointer may be null.
#pragma once

#include <cstdint>

namespace velmor {

inline void SetSuccessFlag(int32_t *ok, int32_t value) {
  if (ok != nullptr) *ok = value;
}

}  // namespace velmor
