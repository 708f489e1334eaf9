// Exports of the output format and orientation.
#include "api/CallFrame.h"
#include "velmor/velmor.h"

using velmor::CVelmor;
using velmor::api::WithSession;

extern "C" {

int32_t Velmor_SetColorMode(int32_t handle, int32_t bits) {
  return WithSession(handle, 0, [&](CVelmor &session) { return session.SetColourModeBits(bits); });
}

int32_t Velmor_GetColorMode(int32_t handle) {
  return WithSession(handle, -1, [](CVelmor &session) { return session.ColourModeBits(); });
}

int32_t Velmor_SetSubSample(int32_t handle, int32_t mode) {
  return WithSession(handle, 0, [&](CVelmor &session) { return session.SetSubSample(mode); });
}

int32_t Velmor_GetSubSample(int32_t handle) {
  return WithSession(handle, -1, [](CVelmor &session) { return session.subSample(); });
}

int32_t Velmor_SetWaitTime(int32_t handle, int32_t milliseconds) {
  return WithSession(handle, 0,
                     [&](CVelmor &session) { return session.SetWaitTime(milliseconds); });
}

int32_t Velmor_GetWaitTime(int32_t handle) {
  return WithSession(handle, -1, [](CVelmor &session) { return session.waitTime(); });
}

int32_t Velmor_SetMirrorH(int32_t handle, int32_t flag) {
  return WithSession(handle, 0, [&](CVelmor &session) { return session.SetMirror(false, flag); });
}

int32_t Velmor_SetMirrorV(int32_t handle, int32_t flag) {
  return WithSession(handle, 0, [&](CVelmor &session) { return session.SetMirror(true, flag); });
}

int32_t Velmor_GetMirrorH(int32_t handle) {
  return WithSession(handle, 0, [](CVelmor &session) { return session.GetMirror(false); });
}

int32_t Velmor_GetMirrorV(int32_t handle) {
  return WithSession(handle, 0, [](CVelmor &session) { return session.GetMirror(true); });
}

int32_t Velmor_SetAutoIris(int32_t handle, int32_t mode) {
  return WithSession(handle, 0, [&](CVelmor &session) { return session.SetAutoIris(mode); });
}

int32_t Velmor_GetAutoIris(int32_t handle, int32_t *ok) {
  return WithSession(handle, 0, [&](CVelmor &session) {
    if (ok != nullptr) *ok = 1;
    return session.autoIris();
  });
}

}  // extern "C"
