// The one place that decides which USB driver backends serve device paths:
// the system's FX3 driver and, when emulated cameras are configured, the
// camera emulator. Nothing above asks which backend a path belongs to.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/UsbDriver.h"

namespace velmor {

// Present interfaces of `guid` of every active backend, the system's first.
std::vector<std::string> ListDeviceInterfaces(const platform::UsbGuid &guid);

// Opens a device path with whichever backend knows it; null when none does.
std::unique_ptr<platform::UsbDevice> OpenDeviceInterface(const std::string &path, bool overlapped);

}  // namespace velmor
