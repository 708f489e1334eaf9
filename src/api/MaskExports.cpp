// Exports of mask correction, mask files and configuration files.
#include "api/CallFrame.h"
#include "velmor/velmor.h"

using velmor::CVelmor;
using velmor::api::WithSession;

extern "C" {

int32_t Velmor_UpdateMaskData(int32_t handle, int32_t kind) {
  return WithSession(handle, 0, [&](CVelmor &session) { return session.UpdateMaskData(kind); });
}

int32_t Velmor_LoadMaskFile(int32_t handle, const char *path) {
  return WithSession(handle, 0, [&](CVelmor &session) { return session.LoadMaskFile(path); });
}

int32_t Velmor_LoadMaskFileW(int32_t handle, const wchar_t *path) {
  return WithSession(handle, 0, [&](CVelmor &session) { return session.LoadMaskFile(path); });
}

int32_t Velmor_SaveMaskFile(int32_t handle, const char *path) {
  return WithSession(handle, 0, [&](CVelmor &session) { return session.SaveMaskFile(path); });
}

int32_t Velmor_SaveMaskFileW(int32_t handle, const wchar_t *path) {
  return WithSession(handle, 0, [&](CVelmor &session) { return session.SaveMaskFile(path); });
}

int32_t Velmor_LoadConfigFileA(int32_t handle, const char *path) {
  return WithSession(handle, 0, [&](CVelmor &session) { return session.LoadConfigFile(path); });
}

int32_t Velmor_LoadConfigFileW(int32_t handle, const wchar_t *path) {
  return WithSession(handle, 0, [&](CVelmor &session) { return session.LoadConfigFile(path); });
}

}  // extern "C"
