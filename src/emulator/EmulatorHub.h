// The process-wide set of emulated cameras and the USB driver backend that
// serves their device paths. Cameras come from VELMOR_EMULATED_CAMERAS
// ("N" cameras of product ID 0x32F0, or a comma-separated list of product
// IDs) when the hub is first used; VELMOR_EMULATOR_PATTERN ("scene" or
// "ramp") and VELMOR_EMULATOR_FPS set their defaults. Tests configure it
// directly.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "emulator/EmulatedCamera.h"
#include "platform/UsbDriver.h"

namespace velmor::emulator {

// Vendor ID in the device paths of emulated cameras.
inline constexpr uint16_t kEmulatedVendorId = 0x0E4D;
inline constexpr uint16_t kDefaultProductId = 0x32F0;
inline constexpr int kMaxConfiguredCameras = 32;

class EmulatorHub final : public platform::UsbDriver {
 public:
  static EmulatorHub &Instance();

  // True once cameras were asked for, by the environment or by Configure/Add.
  bool Active() const;

  // Replaces every camera by the ones `cameras` names (syntax of
  // VELMOR_EMULATED_CAMERAS); false (and no change) when it is malformed.
  bool Configure(std::string_view cameras);
  // Adds one camera; an empty path gives the standard interface path.
  std::shared_ptr<EmulatedCamera> Add(uint16_t productId, std::string path = {});
  // Defaults for cameras added from now on.
  void SetDefaults(Pattern pattern, int fps);
  // Removes every camera; open handles of removed cameras fail from then on.
  void Clear();

  int Count() const;
  // Camera `index` in creation order, or null.
  std::shared_ptr<EmulatedCamera> Camera(int index) const;

  // The standard device interface path of camera `number`.
  static std::string InterfacePath(uint16_t productId, int number);

  std::vector<std::string> ListInterfaces(const platform::UsbGuid &guid) override;
  std::unique_ptr<platform::UsbDevice> Open(const std::string &path, bool overlapped) override;

 private:
  EmulatorHub();

  mutable std::mutex mutex_;
  bool active_ = false;
  Pattern pattern_ = Pattern::Scene;
  int fps_ = -1;
  std::vector<std::shared_ptr<EmulatedCamera>> cameras_;
};

}  // namespace velmor::emulator
