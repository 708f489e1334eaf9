// The frame every handle-taking export runs in: look the handle up, return
// the export's unknown-handle value for an unknown handle (recording
// nothing), else run the session operation. Nothing escapes as an exception.
#pragma once

#include <new>
#include <type_traits>

#include "api/SdkChain.h"
#include "session/Velmor.h"

namespace velmor::api {

template <class Result, class Operation>
Result WithSession(int32_t handle, Result unknownValue, Operation &&operation) noexcept {
  CVelmor *session = SdkChain().SessionOf(handle);
  if (session == nullptr) return unknownValue;
  try {
    return operation(*session);
  } catch (const std::bad_alloc &) {
    session->ReportError(VELMOR_ERROR_MEMORY);
  } catch (...) {
  }
  return Result{};
}

}  // namespace velmor::api
