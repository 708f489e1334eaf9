// Exports of camera selection, identification and continuous acquisition.
#include "api/CallFrame.h"
#include "velmor/velmor.h"

using velmor::CVelmor;
using velmor::api::WithSession;

extern "C" {

int32_t Velmor_SetDeviceNumber(int32_t handle, int32_t number) {
  return WithSession(handle, 0, [&](CVelmor &session) { return session.SelectDevice(number); });
}

int32_t Velmor_Close(int32_t handle) {
  return WithSession(handle, 0, [](CVelmor &session) { return session.CloseSession(); });
}

int32_t Velmor_EnumDevice(int32_t handle, char names[10][256]) {
  return WithSession(handle, 0, [&](CVelmor &session) { return session.EnumerateNames(names); });
}

int32_t Velmor_EnumDeviceW(int32_t handle, wchar_t names[10][256]) {
  return WithSession(handle, 0, [&](CVelmor &session) { return session.EnumerateNames(names); });
}

int32_t Velmor_GetDeviceName(int32_t handle, int32_t index, char *buffer, int32_t size) {
  return WithSession(
      handle, 0, [&](CVelmor &session) { return session.QueryDeviceName(index, buffer, size); });
}

int32_t Velmor_GetDeviceNameW(int32_t handle, int32_t index, wchar_t *buffer, int32_t size) {
  return WithSession(
      handle, 0, [&](CVelmor &session) { return session.QueryDeviceName(index, buffer, size); });
}

int32_t Velmor_ReadSerialNumberA(int32_t handle, char *buffer, int32_t size) {
  return WithSession(handle, 0,
                     [&](CVelmor &session) { return session.QuerySerialNumber(buffer, size); });
}

int32_t Velmor_ReadSerialNumberW(int32_t handle, wchar_t *buffer, int32_t size) {
  return WithSession(handle, 0,
                     [&](CVelmor &session) { return session.QuerySerialNumber(buffer, size); });
}

int32_t Velmor_GetCameraInfo(int32_t handle, VELMOR_CAMERA_INFO *info) {
  return WithSession(handle, 0, [&](CVelmor &session) { return session.QueryCameraInfo(info); });
}

int32_t Velmor_StartPreview(int32_t handle) {
  return WithSession(handle, 0, [](CVelmor &session) { return session.StartAcquisition(); });
}

int32_t Velmor_StopPreview(int32_t handle) {
  return WithSession(handle, 0, [](CVelmor &session) { return session.StopAcquisition(); });
}

}  // extern "C"
