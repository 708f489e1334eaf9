// The frame every handle-taking export runs in: look the handle up, return
// the export's unknown-handle value for an unknown or released handle
// (recording nothing), else run the session operation while the call keeps
// the session alive (a concurrent Velmor_Release waits for it). Nothing
// escapes as an exception.
#pragma once

#include <new>
#include <type_traits>

#include "api/SdkChain.h"
#include "session/Velmor.h"

namespace velmor::api {

template <class Result, class Operation>
Result WithSession(int32_t handle, Result unknownValue, Operation &&operation) noexcept {
  const SessionCall call(handle);
  CVelmor *session = call.session();
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
