#include "UsbdevfsCamera.h"

#include <linux/usb/ch9.h>
#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/UsbDriver.h"

namespace velmor::usbtest {
namespace {

using platform::SingleTransfer;

constexpr int kBus = 1;
constexpr int kControlSeconds = 3;
constexpr uint32_t kCapabilities =
    USBDEVFS_CAP_ZERO_PACKET | USBDEVFS_CAP_BULK_CONTINUATION | USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
    USBDEVFS_CAP_BULK_SCATTER_GATHER | USBDEVFS_CAP_REAP_AFTER_DISCONNECT;

// Device, configuration, vendor interface and the bulk endpoints 0x81, 0x01
// of a SuperSpeed camera.
std::string Descriptors(uint16_t vendor, uint16_t product) {
  char hex[256];
  std::snprintf(hex, sizeof hex,
                "1201200300000009%02x%02x%02x%02x000101020301"
                "0902200001010080320904000002ff000000"
                "0705810200040007050102000400",
                vendor & 0xFF, vendor >> 8, product & 0xFF, product >> 8);
  return hex;
}

// The program runs under umockdev's preload library: re-executed with it
// before anything else when started without.
struct Preload {
  Preload() {
    const char *preloaded = std::getenv("LD_PRELOAD");
    if (preloaded && std::strstr(preloaded, "libumockdev-preload")) return;
    setenv("LD_PRELOAD", "libumockdev-preload.so.0", 1);
    // The preload library comes before the sanitizer runtime, which then
    // must not insist on being first.
    const char *asan = std::getenv("ASAN_OPTIONS");
    setenv("ASAN_OPTIONS",
           (std::string(asan ? asan : "") + (asan && *asan ? ":" : "") + "verify_asan_link_order=0")
               .c_str(),
           1);
    std::ifstream cmdline("/proc/self/cmdline", std::ios::binary);
    std::string all((std::istreambuf_iterator<char>(cmdline)), std::istreambuf_iterator<char>());
    std::vector<char *> argv;
    for (std::size_t at = 0; at < all.size(); at += std::strlen(&all[at]) + 1)
      argv.push_back(&all[at]);
    argv.push_back(nullptr);
    execv("/proc/self/exe", argv.data());
    std::perror("re-executing under libumockdev-preload");
    std::_Exit(1);
  }
} preload;

// Every ioctl argument arrives as the raw pointer value; what it points to is
// loaded from the client by resolving it.
uint64_t PointerIn(UMockdevIoctlData *arg) {
  uint64_t address = 0;
  std::memcpy(&address, arg->data,
              std::min<std::size_t>(sizeof address, std::size_t(arg->data_len)));
  return address;
}

}  // namespace

struct UsbdevfsCamera::Urb {
  uint64_t address = 0;    // the URB in the client
  void *buffer = nullptr;  // its data buffer there
  uint8_t type = 0;
  uint8_t endpoint = 0;
  bool discarded = false;
  std::vector<uint8_t> data;  // control: setup and data stage
  uint8_t record[SingleTransfer::kSize] = {};
  emulator::BulkRequest request;
  std::shared_ptr<emulator::EmulatedCamera> camera;
  ~Urb() {
    if (camera) camera->Forget(request);
  }
};

UsbdevfsCamera::UsbdevfsCamera(UMockdevTestbed *testbed, int port, uint16_t vendor,
                               uint16_t product)
    : testbed_(testbed), handler_(umockdev_ioctl_base_new()), port_(port), product_(product) {
  Reset();
  char name[64];
  std::snprintf(name, sizeof name, "/dev/bus/usb/%03d/%03d", kBus, port + 1);
  devnode_ = name;
  g_signal_connect(handler_, "handle-ioctl", G_CALLBACK(&UsbdevfsCamera::OnIoctl), this);
  // The handler is attached first: adding the device creates the node.
  GError *error = nullptr;
  if (!umockdev_testbed_attach_ioctl(testbed_, devnode_.c_str(), handler_, &error)) {
    std::fprintf(stderr, "attach ioctl: %s\n", error->message);
    std::abort();
  }
  char description[1024];
  std::snprintf(description, sizeof description,
                "P: /devices/pci0000:00/usb%d/%d-%d\n"
                "N: bus/usb/%03d/%03d\n"
                "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DEVNAME=%s\n"
                "E: BUSNUM=%03d\nE: DEVNUM=%03d\n"
                "A: busnum=%d\nA: devnum=%d\nA: speed=5000\nA: bConfigurationValue=1\n"
                "H: descriptors=%s\n",
                kBus, kBus, port, kBus, port + 1, name, kBus, port + 1, kBus, port + 1,
                Descriptors(vendor, product).c_str());
  if (!umockdev_testbed_add_from_string(testbed_, description, &error)) {
    std::fprintf(stderr, "add device: %s\n", error->message);
    std::abort();
  }
  char syspath[128];
  std::snprintf(syspath, sizeof syspath, "/sys/devices/pci0000:00/usb%d/%d-%d", kBus, kBus, port);
  syspath_ = syspath;
}

UsbdevfsCamera::~UsbdevfsCamera() {
  umockdev_testbed_detach_ioctl(testbed_, devnode_.c_str(), nullptr);
  g_object_unref(handler_);
  std::lock_guard lock(mutex_);
  urbs_.clear();
}

void UsbdevfsCamera::Reset() {
  std::lock_guard lock(mutex_);
  urbs_.clear();
  camera_ = std::make_shared<emulator::EmulatedCamera>(port_ - 1, product_, std::string(),
                                                       emulator::Pattern::Ramp, 0);
  limit_ = 0;
  submitted_ = 0;
  mostInFlight_ = 0;
}

std::shared_ptr<emulator::EmulatedCamera> UsbdevfsCamera::camera() {
  std::lock_guard lock(mutex_);
  return camera_;
}

void UsbdevfsCamera::LimitBulkUrbs(int count) {
  std::lock_guard lock(mutex_);
  limit_ = count;
}

int UsbdevfsCamera::BulkSubmitted() {
  std::lock_guard lock(mutex_);
  return submitted_;
}

int UsbdevfsCamera::MostInFlight() {
  std::lock_guard lock(mutex_);
  return mostInFlight_;
}

gboolean UsbdevfsCamera::OnIoctl(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer self) {
  static_cast<UsbdevfsCamera *>(self)->Handle(client);
  return TRUE;
}

void UsbdevfsCamera::Handle(UMockdevIoctlClient *client) {
  UMockdevIoctlData *arg = umockdev_ioctl_client_get_arg(client);
  std::lock_guard lock(mutex_);
  switch (umockdev_ioctl_client_get_request(client)) {
    case USBDEVFS_GET_CAPABILITIES: {
      UMockdevIoctlData *out = umockdev_ioctl_data_resolve(arg, 0, sizeof(uint32_t), nullptr);
      const uint32_t capabilities = kCapabilities;
      if (out) std::memcpy(out->data, &capabilities, sizeof capabilities);
      umockdev_ioctl_client_complete(client, out ? 0 : -1, out ? 0 : EFAULT);
      return;
    }
    case USBDEVFS_GET_SPEED:
      umockdev_ioctl_client_complete(client, USB_SPEED_SUPER, 0);
      return;
    case USBDEVFS_CLAIMINTERFACE:
    case USBDEVFS_RELEASEINTERFACE:
    case USBDEVFS_DISCONNECT_CLAIM:
    case USBDEVFS_CLEAR_HALT:
    case USBDEVFS_RESET:
    case USBDEVFS_SETINTERFACE:
      umockdev_ioctl_client_complete(client, 0, 0);
      return;
    case USBDEVFS_GETDRIVER:
    case USBDEVFS_IOCTL:
      umockdev_ioctl_client_complete(client, -1, ENODATA);
      return;
    case USBDEVFS_SUBMITURB:
      Submit(client);
      return;
    case USBDEVFS_REAPURB:
    case USBDEVFS_REAPURBNDELAY:
      Reap(client);
      return;
    case USBDEVFS_DISCARDURB:
      Discard(client);
      return;
    default:
      umockdev_ioctl_client_complete(client, -1, ENOTTY);
  }
}

void UsbdevfsCamera::Submit(UMockdevIoctlClient *client) {
  UMockdevIoctlData *view = umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0,
                                                        sizeof(usbdevfs_urb), nullptr);
  if (!view) {
    umockdev_ioctl_client_complete(client, -1, EFAULT);
    return;
  }
  usbdevfs_urb header;
  std::memcpy(&header, view->data, sizeof header);
  uint32_t generation = 0;
  if (!camera_->Plugged(&generation)) {
    umockdev_ioctl_client_complete(client, -1, ENODEV);
    return;
  }
  auto urb = std::make_unique<Urb>();
  urb->address = PointerIn(umockdev_ioctl_client_get_arg(client));
  urb->buffer = header.buffer;
  urb->type = header.type;
  urb->endpoint = header.endpoint;
  const uint32_t length = uint32_t(header.buffer_length);
  UMockdevIoctlData *buffer = nullptr;
  const bool in = header.endpoint & USB_DIR_IN;
  if (header.type == USBDEVFS_URB_TYPE_BULK && !in) {
    buffer = umockdev_ioctl_data_resolve(view, offsetof(usbdevfs_urb, buffer), length, nullptr);
    if (!buffer) {
      umockdev_ioctl_client_complete(client, -1, EFAULT);
      return;
    }
    urb->data.assign(buffer->data, buffer->data + length);
  } else if (header.type == USBDEVFS_URB_TYPE_BULK) {
    urb->data.resize(length);
  }
  if (header.type == USBDEVFS_URB_TYPE_BULK) {
    const int inFlight = int(std::count_if(urbs_.begin(), urbs_.end(), [](const auto &u) {
      return u->type == USBDEVFS_URB_TYPE_BULK;
    }));
    if (limit_ > 0 && inFlight >= limit_) {
      umockdev_ioctl_client_complete(client, -1, ENOMEM);
      return;
    }
    SingleTransfer record;
    record.setEndpoint(header.endpoint);
    record.WriteTo(urb->record);
    urb->request.record = urb->record;
    urb->request.data = urb->data.data();
    urb->request.length = length;
    urb->camera = camera_;
    camera_->Submit(generation, urb->request, emulator::RequestKind::Bulk);
    ++submitted_;
    mostInFlight_ = std::max(mostInFlight_, inFlight + 1);
  }
  urbs_.push_back(std::move(urb));
  umockdev_ioctl_client_complete(client, 0, 0);
}

bool UsbdevfsCamera::Ready(Urb &urb) {
  if (urb.discarded || urb.type == USBDEVFS_URB_TYPE_CONTROL) return true;
  return !urb.request.pending || urb.camera->Wait(urb.request, 0);
}

// The reaped URB is loaded from the client through the pointer the ioctl
// hands back, so status, length and IN data reach the client only now.
void UsbdevfsCamera::Reap(UMockdevIoctlClient *client) {
  UMockdevIoctlData *slot = umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0,
                                                        sizeof(void *), nullptr);
  if (!slot) {
    umockdev_ioctl_client_complete(client, -1, EFAULT);
    return;
  }
  for (auto it = urbs_.begin(); it != urbs_.end(); ++it) {
    if (!Ready(**it)) continue;
    std::memcpy(slot->data, &(*it)->address, sizeof(void *));
    UMockdevIoctlData *view = umockdev_ioctl_data_resolve(slot, 0, sizeof(usbdevfs_urb), nullptr);
    const bool ok = view && Finish(**it, view);
    urbs_.erase(it);
    if (ok)
      umockdev_ioctl_client_complete(client, 0, 0);
    else
      umockdev_ioctl_client_complete(client, -1, EFAULT);
    return;
  }
  uint32_t generation = 0;
  umockdev_ioctl_client_complete(client, -1, camera_->Plugged(&generation) ? EAGAIN : ENODEV);
}

bool UsbdevfsCamera::Finish(Urb &urb, UMockdevIoctlData *view) {
  auto *header = reinterpret_cast<usbdevfs_urb *>(view->data);
  uint32_t generation = 0;
  const bool plugged =
      urb.camera ? urb.camera->Plugged(&generation) : camera_->Plugged(&generation);
  int status = 0;
  uint32_t actual = 0;
  if (urb.discarded) {
    status = -ENOENT;
  } else if (urb.type == USBDEVFS_URB_TYPE_CONTROL) {
    UMockdevIoctlData *buffer = umockdev_ioctl_data_resolve(
        view, offsetof(usbdevfs_urb, buffer), std::size_t(header->buffer_length), nullptr);
    if (!buffer || buffer->data_len < int(sizeof(usb_ctrlrequest))) return false;
    status = plugged ? Control(buffer->data, uint32_t(buffer->data_len), generation, &actual)
                     : -ESHUTDOWN;
  } else {
    uint32_t transferred = 0;
    if (urb.camera->Result(urb.request, &transferred) &&
        SingleTransfer::Read(urb.record).driverStatus() == 0)
      actual = transferred;
    else
      status = plugged ? -EPIPE : -ESHUTDOWN;
    if ((urb.endpoint & USB_DIR_IN) && actual > 0) {
      UMockdevIoctlData *buffer =
          umockdev_ioctl_data_resolve(view, offsetof(usbdevfs_urb, buffer), actual, nullptr);
      if (!buffer) return false;
      std::memcpy(buffer->data, urb.data.data(), actual);
    }
  }
  header->status = status;
  header->actual_length = int(actual);
  return true;
}

// Runs a control URB (setup, then the data stage) as the camera's control
// record with a data area of at least 64 bytes; IN answers land in the data
// stage. Returns the URB status.
int UsbdevfsCamera::Control(uint8_t *urbBuffer, uint32_t size, uint32_t generation,
                            uint32_t *actual) {
  usb_ctrlrequest setup;
  std::memcpy(&setup, urbBuffer, sizeof setup);
  const uint32_t length = std::min<uint32_t>(setup.wLength, size - uint32_t(sizeof setup));
  std::vector<uint8_t> buffer(SingleTransfer::kSize + std::max<uint32_t>(length, 64), 0);
  SingleTransfer record;
  record.setSetup(setup.bRequestType, setup.bRequest, setup.wValue, setup.wIndex, setup.wLength);
  record.setTimeoutSeconds(kControlSeconds);
  record.setBuffer(length ? SingleTransfer::kSize : 0, length);
  record.WriteTo(buffer.data());
  uint8_t *stage = urbBuffer + sizeof setup;
  std::copy(stage, stage + length, buffer.begin() + SingleTransfer::kSize);
  uint32_t returned = 0;
  if (!camera_->ControlTransfer(generation, buffer.data(), uint32_t(buffer.size()), &returned))
    return -EPIPE;
  *actual = std::min(length, returned - SingleTransfer::kSize);
  if (setup.bRequestType & USB_DIR_IN)
    std::copy(buffer.begin() + SingleTransfer::kSize,
              buffer.begin() + SingleTransfer::kSize + *actual, stage);
  return 0;
}

void UsbdevfsCamera::Discard(UMockdevIoctlClient *client) {
  // The URB is known by its data buffer: the pointer handed over here is not
  // the one the submission carried.
  UMockdevIoctlData *view = umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0,
                                                        sizeof(usbdevfs_urb), nullptr);
  if (!view) {
    umockdev_ioctl_client_complete(client, -1, EFAULT);
    return;
  }
  usbdevfs_urb header;
  std::memcpy(&header, view->data, sizeof header);
  for (auto &urb : urbs_) {
    if (urb->buffer != header.buffer || urb->endpoint != header.endpoint || urb->discarded)
      continue;
    if (urb->camera) urb->camera->Forget(urb->request);
    urb->discarded = true;
    umockdev_ioctl_client_complete(client, 0, 0);
    return;
  }
  umockdev_ioctl_client_complete(client, -1, EINVAL);
}

Bed &Bed::Instance() {
  static Bed bed;
  return bed;
}

Bed::Bed() : testbed_(umockdev_testbed_new()) {
  cameras_.push_back(std::make_unique<UsbdevfsCamera>(testbed_, 1, 0x0E4D, 0x32F0));
  cameras_.push_back(std::make_unique<UsbdevfsCamera>(testbed_, 2, 0x04B4, 0x32F0));
  cameras_.push_back(std::make_unique<UsbdevfsCamera>(testbed_, 3, 0x04B4, 0x00F3));
  cameras_.push_back(std::make_unique<UsbdevfsCamera>(testbed_, 4, 0x1234, 0x32F0));
}

// After the libusb backend, a static made later, has closed its handles and
// left libusb.
Bed::~Bed() {
  cameras_.clear();
  g_object_unref(testbed_);
}

}  // namespace velmor::usbtest
