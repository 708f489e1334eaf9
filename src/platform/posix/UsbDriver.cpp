// POSIX: no system FX3 driver backend is built in yet, so only the emulator
// serves device paths.
#include "platform/UsbDriver.h"

namespace velmor::platform {

UsbDriver *system_usb_driver() { return nullptr; }

}  // namespace velmor::platform
