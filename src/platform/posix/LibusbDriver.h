// The USB driver backend on libusb-1.0: cameras of product ID 0x32F0 from the
// vendors in VELMOR_USB_VENDOR_IDS (comma-separated hexadecimal, default
// kDefaultVendorIds), listed under the camera interface GUID with device
// paths of the Windows interface form
//   \\?\usb#vid_VVVV&pid_PPPP#<bus>-<port>.<port>...#{GUID}
// so the vendor and product IDs sit at the positions the device table parses
// and the bus and port path tells cameras of one model apart.
//
// libusb runs no thread of its own here: whoever waits for a request handles
// the library's events until it completes. Only a registered notification
// window starts an event thread, for the hotplug notices.
#pragma once

#include <libusb.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/UsbDriver.h"
#include "velmor/velmor.h"

namespace velmor::platform::posix {

inline constexpr uint16_t kCameraProductId = 0x32F0;
inline constexpr const char *kDefaultVendorIds = "0e4d,04b4";

// The vendor IDs of VELMOR_USB_VENDOR_IDS, or of the default list when the
// variable is unset or names none; entries that are not hexadecimal IDs are
// skipped.
std::vector<uint16_t> allowed_vendor_ids();

class LibusbDriver final : public UsbDriver {
 public:
  LibusbDriver();
  ~LibusbDriver() override;
  LibusbDriver(const LibusbDriver &) = delete;
  LibusbDriver &operator=(const LibusbDriver &) = delete;

  std::vector<std::string> ListInterfaces(const UsbGuid &guid) override;
  std::unique_ptr<UsbDevice> Open(const std::string &path, bool overlapped) override;

  // Posts 0x0219 (DBT_DEVICEARRIVAL 0x8000, DBT_DEVICEREMOVECOMPLETE 0x8004,
  // lParam 0) to `window` when a camera is plugged in or out. True when the
  // window is registered or libusb cannot report hotplug events at all (the
  // library does not depend on the notices); false without a libusb context.
  bool Watch(VELMOR_HWND window);
  void Unwatch(VELMOR_HWND window);

  libusb_context *context() const { return context_; }

 private:
  static int LIBUSB_CALL Hotplug(libusb_context *, libusb_device *device,
                                 libusb_hotplug_event event, void *self);
  void StopEvents();

  libusb_context *context_ = nullptr;
  std::mutex watchMutex_;
  std::map<VELMOR_HWND, libusb_hotplug_callback_handle> watched_;
  std::thread events_;
  std::atomic<bool> stopEvents_{false};
};

LibusbDriver *libusb_driver();

}  // namespace velmor::platform::posix
