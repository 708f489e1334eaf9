#include "platform/posix/LibusbDriver.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <list>
#include <sstream>

#include "platform/Messages.h"

namespace velmor::platform::posix {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kVendorInterface = 0;
constexpr unsigned kDeviceChange = 0x0219;        // WM_DEVICECHANGE
constexpr uintptr_t kDeviceArrival = 0x8000;      // DBT_DEVICEARRIVAL
constexpr uintptr_t kDeviceRemoved = 0x8004;      // DBT_DEVICEREMOVECOMPLETE
constexpr uint32_t kStatusFailed = 1;             // driver status word of a failed transfer
constexpr uint32_t kUsbStatusStall = 0xC0000004;  // USBD_STATUS_STALL_PID
constexpr uint32_t kUsbStatusError = 0xC0000001;  // USBD_STATUS_CRC, any other failure
// Longest single event wait: a waiter re-checks its own deadline this often.
constexpr int kEventSliceMs = 100;
constexpr int kMaxPorts = 7;

// Handles libusb events until `*completed` is set or `deadline` has passed.
void handle_events_until(libusb_context *context, int *completed, Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now());
  const auto slice = std::clamp(left, std::chrono::microseconds(0),
                                std::chrono::microseconds(kEventSliceMs * 1000));
  timeval tv{0, static_cast<suseconds_t>(slice.count())};
  libusb_handle_events_timeout_completed(context, &tv, completed);
}

Clock::time_point deadline_after(int timeoutMs) {
  return timeoutMs < 0 ? Clock::time_point::max()
                       : Clock::now() + std::chrono::milliseconds(timeoutMs);
}

std::string guid_text(const UsbGuid &guid) {
  const uint8_t *b = guid.bytes;
  char text[40];
  std::snprintf(text, sizeof text,
                "{%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x}", b[3],
                b[2], b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11], b[12], b[13],
                b[14], b[15]);
  return text;
}

// "<bus>-<port>.<port>..." of a device, as sysfs names it.
std::string port_path(libusb_device *device) {
  uint8_t ports[kMaxPorts];
  const int count = libusb_get_port_numbers(device, ports, kMaxPorts);
  std::string text = std::to_string(libusb_get_bus_number(device));
  for (int i = 0; i < count; ++i) text += (i == 0 ? "-" : ".") + std::to_string(ports[i]);
  return text;
}

std::string interface_path(uint16_t vendor, uint16_t product, libusb_device *device) {
  char ids[32];
  std::snprintf(ids, sizeof ids, "vid_%04x&pid_%04x", vendor, product);
  return std::string("\\\\?\\usb#") + ids + "#" + port_path(device) + "#" +
         guid_text(kCameraInterfaceGuid);
}

bool is_camera(const libusb_device_descriptor &descriptor) {
  if (descriptor.idProduct != kCameraProductId) return false;
  const std::vector<uint16_t> vendors = allowed_vendor_ids();
  return std::find(vendors.begin(), vendors.end(), descriptor.idVendor) != vendors.end();
}

// The camera device behind an interface path of this backend, referenced;
// null when none is plugged in there.
libusb_device *find_device(libusb_context *context, const std::string &path) {
  libusb_device **list = nullptr;
  const ssize_t count = libusb_get_device_list(context, &list);
  libusb_device *found = nullptr;
  for (ssize_t i = 0; i < count && !found; ++i) {
    libusb_device_descriptor descriptor;
    if (libusb_get_device_descriptor(list[i], &descriptor) != 0 || !is_camera(descriptor)) continue;
    if (interface_path(descriptor.idVendor, descriptor.idProduct, list[i]) == path)
      found = libusb_ref_device(list[i]);
  }
  if (list) libusb_free_device_list(list, 1);
  return found;
}

// An opened device with its vendor interface claimed (a bound kernel driver
// is detached first); null on failure.
libusb_device_handle *open_claimed(libusb_device *device) {
  libusb_device_handle *handle = nullptr;
  if (libusb_open(device, &handle) != 0) return nullptr;
  libusb_set_auto_detach_kernel_driver(handle, 1);
  if (libusb_claim_interface(handle, kVendorInterface) != 0) {
    libusb_close(handle);
    return nullptr;
  }
  return handle;
}

uint32_t usb_status_of(libusb_transfer_status status) {
  return status == LIBUSB_TRANSFER_STALL ? kUsbStatusStall : kUsbStatusError;
}

// Said once per process: the camera keeps working with fewer requests in
// flight, but the limit is worth raising.
void report_usbfs_limit() {
  static std::once_flag once;
  std::call_once(once, [] {
    std::fputs(
        "velmor: the USB memory limit (usbcore.usbfs_memory_mb) is exhausted; fewer frame "
        "transfers are kept in flight. Raise it with 'echo 0 | sudo tee "
        "/sys/module/usbcore/parameters/usbfs_memory_mb' or the kernel parameter "
        "usbcore.usbfs_memory_mb=0 (no limit).\n",
        stderr);
  });
}

class LibusbIo;

// What the handles of one open path share: the libusb handle (replaced when
// a port reset re-enumerates the device) and the requests in flight on it.
struct Link {
  libusb_context *context = nullptr;
  std::string path;
  std::mutex mutex;
  libusb_device_handle *handle = nullptr;
  std::list<LibusbIo *> inFlight;

  // Handles events until no request on `endpoint` (every endpoint when
  // `all`) is in flight.
  void WaitIdle(uint8_t endpoint, bool all);
  void Cancel(uint8_t endpoint, bool all);
};

class LibusbIo final : public UsbIo {
 public:
  explicit LibusbIo(std::shared_ptr<Link> link)
      : link_(std::move(link)), transfer_(libusb_alloc_transfer(0)) {}
  // A request still in flight is cancelled, and its end awaited, before the
  // transfer record and the caller's buffer are let go.
  ~LibusbIo() override {
    if (!transfer_) return;
    if (!finished_) {
      libusb_cancel_transfer(transfer_);
      while (!finished_) handle_events_until(link_->context, &finished_, deadline_after(-1));
    }
    libusb_free_transfer(transfer_);
  }

  bool valid() const { return transfer_ != nullptr; }
  libusb_transfer *transfer() const { return transfer_; }
  uint8_t endpoint() const { return transfer_->endpoint; }
  bool finished() const { return finished_ != 0; }

  // Submits a bulk transfer of `data`; the status words go to `record` and
  // `extra` bytes are counted on top of the data.
  uint32_t Start(uint8_t *record, uint8_t *data, uint32_t length, uint32_t extra) {
    if (!finished_) return kUsbGenFailure;
    record_ = record;
    extra_ = extra;
    std::lock_guard lock(link_->mutex);
    if (!link_->handle) return kUsbNotConnected;
    libusb_fill_bulk_transfer(transfer_, link_->handle, SingleTransfer::Read(record).endpoint(),
                              data, int(length), &LibusbIo::Done, this, 0);
    finished_ = 0;
    signalled_ = false;
    const int r = libusb_submit_transfer(transfer_);
    if (r != 0) {
      finished_ = 1;
      if (r == LIBUSB_ERROR_NO_DEVICE) return kUsbNotConnected;
      if (r == LIBUSB_ERROR_NO_MEM) {
        report_usbfs_limit();
        return kUsbNoResources;
      }
      return kUsbGenFailure;
    }
    link_->inFlight.push_back(this);
    return kUsbPending;
  }

  // Events are handled at least once, so a poll (0 ms) sees a request that
  // has finished but was not yet reaped.
  bool Wait(int timeoutMs) override {
    const Clock::time_point deadline = deadline_after(timeoutMs);
    for (;;) {
      if (signalled_.exchange(false)) return true;
      // A completion already consumed never comes back.
      if (finished_) return false;
      handle_events_until(link_->context, &finished_, deadline);
      if (signalled_.exchange(false)) return true;
      if (Clock::now() >= deadline) return false;
    }
  }

  bool Result(uint32_t *transferred) override {
    if (!finished_ || transfer_->status != LIBUSB_TRANSFER_COMPLETED) return false;
    if (transferred) *transferred = uint32_t(transfer_->actual_length) + extra_;
    return true;
  }

 private:
  static void LIBUSB_CALL Done(libusb_transfer *transfer) {
    auto *io = static_cast<LibusbIo *>(transfer->user_data);
    SingleTransfer record = SingleTransfer::Read(io->record_);
    if (transfer->status == LIBUSB_TRANSFER_COMPLETED)
      record.setStatus(0, 0);
    else
      record.setStatus(kStatusFailed, usb_status_of(transfer->status));
    record.WriteTo(io->record_);
    {
      std::lock_guard lock(io->link_->mutex);
      io->link_->inFlight.remove(io);
    }
    io->finished_ = 1;
    io->signalled_ = true;
  }

  const std::shared_ptr<Link> link_;
  libusb_transfer *const transfer_;
  uint8_t *record_ = nullptr;
  uint32_t extra_ = 0;
  // Set by the completion, which libusb runs inside some waiter's event
  // handling; libusb's completion wait reads it under its own event lock.
  int finished_ = 1;
  std::atomic<bool> signalled_{false};
};

void Link::Cancel(uint8_t endpoint, bool all) {
  std::lock_guard lock(mutex);
  for (LibusbIo *io : inFlight)
    if (all || io->endpoint() == endpoint) libusb_cancel_transfer(io->transfer());
}

void Link::WaitIdle(uint8_t endpoint, bool all) {
  for (;;) {
    {
      std::lock_guard lock(mutex);
      const bool busy = std::any_of(inFlight.begin(), inFlight.end(), [&](LibusbIo *io) {
        return all || io->endpoint() == endpoint;
      });
      if (!busy) return;
    }
    handle_events_until(context, nullptr, Clock::now() + std::chrono::milliseconds(kEventSliceMs));
  }
}

class LibusbDevice final : public UsbDevice {
 public:
  explicit LibusbDevice(std::shared_ptr<Link> link) : link_(std::move(link)) {}
  ~LibusbDevice() override {
    Abort(0, true);
    std::lock_guard lock(link_->mutex);
    Close();
  }

  std::unique_ptr<UsbIo> NewIo() override {
    auto io = std::make_unique<LibusbIo>(link_);
    if (!io->valid()) return nullptr;
    return io;
  }

  bool ControlTransfer(uint8_t *buffer, uint32_t size, uint32_t *returned) override {
    if (buffer == nullptr || size < SingleTransfer::kSize) return false;
    SingleTransfer record = SingleTransfer::Read(buffer);
    const uint16_t length =
        uint16_t(std::min<uint32_t>(record.length(), size - SingleTransfer::kSize));
    libusb_device_handle *handle = Handle();
    const int r = handle ? libusb_control_transfer(handle, record.requestType(), record.request(),
                                                   record.value(), record.index(),
                                                   buffer + SingleTransfer::kSize, length,
                                                   record.timeoutSeconds() * 1000)
                         : LIBUSB_ERROR_NO_DEVICE;
    if (r < 0) {
      record.setStatus(kStatusFailed, r == LIBUSB_ERROR_PIPE ? kUsbStatusStall : kUsbStatusError);
      record.WriteTo(buffer);
      return false;
    }
    record.setStatus(0, 0);
    record.WriteTo(buffer);
    if (returned) *returned = SingleTransfer::kSize + uint32_t(r);
    return true;
  }

  uint32_t StartBuffered(uint8_t *buffer, uint32_t size, UsbIo &io) override {
    if (buffer == nullptr || size < SingleTransfer::kSize) return kUsbGenFailure;
    return static_cast<LibusbIo &>(io).Start(buffer, buffer + SingleTransfer::kSize,
                                             size - SingleTransfer::kSize, SingleTransfer::kSize);
  }

  uint32_t StartDirect(uint8_t *record, uint8_t *data, uint32_t length, UsbIo &io) override {
    if (record == nullptr) return kUsbGenFailure;
    return static_cast<LibusbIo &>(io).Start(record, data, length, 0);
  }

  bool AbortPipe(uint8_t endpoint) override {
    Abort(endpoint, false);
    return true;
  }

  bool ResetPipe(uint8_t endpoint) override {
    libusb_device_handle *handle = Handle();
    return handle && libusb_clear_halt(handle, endpoint) == 0;
  }

  // A reset that makes the device enumerate anew leaves the handle dead; the
  // camera is then opened again at the same path.
  bool ResetParentPort() override {
    Abort(0, true);
    std::lock_guard lock(link_->mutex);
    if (!link_->handle) return false;
    const int r = libusb_reset_device(link_->handle);
    if (r == 0) return true;
    if (r != LIBUSB_ERROR_NOT_FOUND) return false;
    Close();
    libusb_device *device = find_device(link_->context, link_->path);
    if (!device) return false;
    link_->handle = open_claimed(device);
    libusb_unref_device(device);
    return link_->handle != nullptr;
  }

  bool GetDeviceSpeed(uint32_t *code) override {
    libusb_device_handle *handle = Handle();
    if (!handle) return false;
    const int speed = libusb_get_device_speed(libusb_get_device(handle));
    if (speed == LIBUSB_SPEED_UNKNOWN) return false;
    if (code) *code = std::min<uint32_t>(uint32_t(speed), kUsbSuperSpeed);
    return true;
  }

 private:
  libusb_device_handle *Handle() {
    std::lock_guard lock(link_->mutex);
    return link_->handle;
  }
  void Abort(uint8_t endpoint, bool all) {
    link_->Cancel(endpoint, all);
    link_->WaitIdle(endpoint, all);
  }
  // Called with the link's lock held.
  void Close() {
    if (!link_->handle) return;
    libusb_release_interface(link_->handle, kVendorInterface);
    libusb_close(link_->handle);
    link_->handle = nullptr;
  }

  const std::shared_ptr<Link> link_;
};

}  // namespace

std::vector<uint16_t> allowed_vendor_ids() {
  const char *configured = std::getenv("VELMOR_USB_VENDOR_IDS");
  std::vector<uint16_t> ids;
  for (const char *list : {configured, kDefaultVendorIds}) {
    if (list == nullptr) continue;
    std::stringstream entries(list);
    for (std::string entry; std::getline(entries, entry, ',');) {
      char *end = nullptr;
      const unsigned long id = std::strtoul(entry.c_str(), &end, 16);
      if (!entry.empty() && *end == '\0' && id > 0 && id <= 0xFFFF) ids.push_back(uint16_t(id));
    }
    if (!ids.empty()) break;
  }
  return ids;
}

LibusbDriver::LibusbDriver() {
  if (libusb_init(&context_) != 0) context_ = nullptr;
}

LibusbDriver::~LibusbDriver() {
  StopEvents();
  if (context_) libusb_exit(context_);
}

std::vector<std::string> LibusbDriver::ListInterfaces(const UsbGuid &guid) {
  std::vector<std::string> paths;
  if (!context_ || !(guid == kCameraInterfaceGuid)) return paths;
  // libusb lists devices in no stable order; by bus and port, the instances
  // of a model follow where the cameras are plugged in.
  std::vector<std::pair<std::string, std::string>> found;
  libusb_device **list = nullptr;
  const ssize_t count = libusb_get_device_list(context_, &list);
  for (ssize_t i = 0; i < count; ++i) {
    libusb_device_descriptor descriptor;
    if (libusb_get_device_descriptor(list[i], &descriptor) == 0 && is_camera(descriptor))
      found.emplace_back(port_path(list[i]),
                         interface_path(descriptor.idVendor, descriptor.idProduct, list[i]));
  }
  if (list) libusb_free_device_list(list, 1);
  std::sort(found.begin(), found.end());
  for (auto &[port, path] : found) paths.push_back(std::move(path));
  return paths;
}

std::unique_ptr<UsbDevice> LibusbDriver::Open(const std::string &path, bool) {
  if (!context_) return nullptr;
  libusb_device *device = find_device(context_, path);
  if (!device) return nullptr;
  libusb_device_handle *handle = open_claimed(device);
  libusb_unref_device(device);
  if (!handle) return nullptr;
  auto link = std::make_shared<Link>();
  link->context = context_;
  link->path = path;
  link->handle = handle;
  return std::make_unique<LibusbDevice>(std::move(link));
}

int LIBUSB_CALL LibusbDriver::Hotplug(libusb_context *, libusb_device *device,
                                      libusb_hotplug_event event, void *window) {
  libusb_device_descriptor descriptor;
  if (libusb_get_device_descriptor(device, &descriptor) == 0 && is_camera(descriptor))
    post_message(static_cast<VELMOR_HWND>(window), kDeviceChange,
                 event == LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED ? kDeviceArrival : kDeviceRemoved, 0);
  return 0;
}

bool LibusbDriver::Watch(VELMOR_HWND window) {
  if (!context_ || window == nullptr) return false;
  if (!libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG)) return true;
  std::lock_guard lock(watchMutex_);
  if (watched_.count(window)) return true;
  libusb_hotplug_callback_handle callback;
  const int events = LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED | LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT;
  if (libusb_hotplug_register_callback(
          context_, events, LIBUSB_HOTPLUG_NO_FLAGS, LIBUSB_HOTPLUG_MATCH_ANY, kCameraProductId,
          LIBUSB_HOTPLUG_MATCH_ANY, &LibusbDriver::Hotplug, window, &callback) != 0)
    return false;
  watched_[window] = callback;
  if (!events_.joinable()) {
    stopEvents_ = false;
    events_ = std::thread([this] {
      while (!stopEvents_) {
        timeval tv{0, kEventSliceMs * 1000};
        libusb_handle_events_timeout_completed(context_, &tv, nullptr);
      }
    });
  }
  return true;
}

void LibusbDriver::Unwatch(VELMOR_HWND window) {
  bool last = false;
  {
    std::lock_guard lock(watchMutex_);
    const auto it = watched_.find(window);
    if (it == watched_.end()) return;
    libusb_hotplug_deregister_callback(context_, it->second);
    watched_.erase(it);
    last = watched_.empty();
  }
  if (last) StopEvents();
}

void LibusbDriver::StopEvents() {
  if (!events_.joinable()) return;
  stopEvents_ = true;
  libusb_interrupt_event_handler(context_);
  events_.join();
}

LibusbDriver *libusb_driver() {
  static LibusbDriver driver;
  return &driver;
}

}  // namespace velmor::platform::posix
