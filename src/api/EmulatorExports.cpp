// Controls of the emulated cameras, for hosts that test their own error
// handling without a camera.
#include "emulator/EmulatorHub.h"
#include "velmor/velmor.h"

namespace {

std::shared_ptr<velmor::emulator::EmulatedCamera> EmulatedCameraAt(int camera) {
  return velmor::emulator::EmulatorHub::Instance().Camera(camera);
}

}  // namespace

extern "C" {

int Velmor_EmulatorSet(int camera, const char *key, int value) {
  if (key == nullptr) return 0;
  try {
    const auto emulated = EmulatedCameraAt(camera);
    return emulated && emulated->Set(key, value) ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

int Velmor_EmulatorGet(int camera, const char *key, int *value) {
  if (key == nullptr || value == nullptr) return 0;
  try {
    const auto emulated = EmulatedCameraAt(camera);
    return emulated && emulated->Get(key, value) ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

}  // extern "C"
