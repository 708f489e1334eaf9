// Exports of AVI recording.
#include "api/CallFrame.h"
#include "velmor/velmor.h"

using velmor::CVelmor;
using velmor::api::WithSession;

extern "C" {

int32_t Velmor_Record(int32_t handle, const char *path, int32_t durationMs, int32_t show) {
  return WithSession(
      handle, 0, [&](CVelmor &session) { return session.StartRecording(path, durationMs, show); });
}

int32_t Velmor_RecordW(int32_t handle, const wchar_t *path, int32_t durationMs, int32_t show) {
  return WithSession(
      handle, 0, [&](CVelmor &session) { return session.StartRecording(path, durationMs, show); });
}

}  // extern "C"
