// Sessions over emulated cameras beside the user settings store they load
// from and save to (a fresh profile per test), read and written directly.
#pragma once

#include <optional>
#include <string>

#include "../session/SessionFixture.h"
#include "platform/SettingsStore.h"

namespace velmor {

class SettingsFixture : public SessionFixture {
 protected:
  static std::string Camera(int number) { return number == 0 ? "Camera_00" : "Camera_01"; }

  void Put(int camera, const std::string &group, const std::string &name, uint32_t pattern) {
    ASSERT_TRUE(store->Write(Camera(camera), {{group, name, pattern}}));
  }
  std::optional<uint32_t> Dword(int camera, const std::string &group, const std::string &name) {
    const auto reader = store->Open(Camera(camera));
    return reader ? reader->ReadDword(group, name) : std::nullopt;
  }

  std::unique_ptr<platform::SettingsStore> store =
      platform::SettingsStore::ForUser("Brevan", "VelmorS10PX3K7Sdk");
};

}  // namespace velmor
