// POSIX: the cameras are reached through libusb-1.0.
#include "platform/UsbDriver.h"

#include "platform/posix/LibusbDriver.h"

namespace velmor::platform {

UsbDriver *system_usb_driver() { return posix::libusb_driver(); }

}  // namespace velmor::platform
