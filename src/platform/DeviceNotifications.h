// Arrival and removal notices of camera interfaces for a host window:
// WM_DEVICECHANGE (0x0219) with DBT_DEVICEARRIVAL (0x8000) or
// DBT_DEVICEREMOVECOMPLETE (0x8004). On Windows the system sends them once
// the window is registered for the camera interface GUID; elsewhere the USB
// backend posts them (lParam 0) where it can watch for hotplug events.
#pragma once

#include <memory>

#include "velmor/velmor.h"

namespace velmor::platform {

// One window's registration; destroying it ends the notices.
class DeviceNotification {
 public:
  virtual ~DeviceNotification() = default;
};

// Null when the window is null or cannot be registered.
std::unique_ptr<DeviceNotification> register_device_notifications(VELMOR_HWND window);

}  // namespace velmor::platform
