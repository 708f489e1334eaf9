#include "platform/DeviceNotifications.h"

#include "platform/posix/LibusbDriver.h"

namespace velmor::platform {
namespace {

class LibusbNotification final : public DeviceNotification {
 public:
  explicit LibusbNotification(VELMOR_HWND window) : window_(window) {}
  ~LibusbNotification() override { posix::libusb_driver()->Unwatch(window_); }

 private:
  const VELMOR_HWND window_;
};

}  // namespace

std::unique_ptr<DeviceNotification> register_device_notifications(VELMOR_HWND window) {
  if (!posix::libusb_driver()->Watch(window)) return nullptr;
  return std::make_unique<LibusbNotification>(window);
}

}  // namespace velmor::platform
