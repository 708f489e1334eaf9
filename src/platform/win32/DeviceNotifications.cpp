#include "platform/DeviceNotifications.h"

#include <cstring>

#include "platform/UsbDriver.h"

// After the project's headers: <windows.h> macros would rename their members.
#include <windows.h>
// After windows.h, whose types it uses.
#include <dbt.h>

namespace velmor::platform {
namespace {

class WindowNotification final : public DeviceNotification {
 public:
  explicit WindowNotification(HDEVNOTIFY handle) : handle_(handle) {}
  ~WindowNotification() override { UnregisterDeviceNotification(handle_); }

 private:
  const HDEVNOTIFY handle_;
};

}  // namespace

std::unique_ptr<DeviceNotification> register_device_notifications(VELMOR_HWND window) {
  if (window == nullptr) return nullptr;
  DEV_BROADCAST_DEVICEINTERFACE_A filter{};
  filter.dbcc_size = sizeof filter;
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  static_assert(sizeof filter.dbcc_classguid == sizeof kCameraInterfaceGuid.bytes, "GUID layout");
  std::memcpy(&filter.dbcc_classguid, kCameraInterfaceGuid.bytes, sizeof filter.dbcc_classguid);
  HDEVNOTIFY handle = RegisterDeviceNotificationA(reinterpret_cast<HWND>(window), &filter,
                                                  DEVICE_NOTIFY_WINDOW_HANDLE);
  if (handle == nullptr) return nullptr;
  return std::make_unique<WindowNotification>(handle);
}

}  // namespace velmor::platform
