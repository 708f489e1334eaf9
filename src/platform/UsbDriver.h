// The USB driver calls the transport layer needs, as one small interface per
// backend: the FX3 kernel driver on Windows, a user-space USB library
// elsewhere, and the camera emulator. Every backend speaks the FX3 driver's
// own transfer record (`SingleTransfer`) and its Win32-style error codes, so
// the layer above cannot tell which backend serves a device path.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace velmor::platform {

// Error codes a backend reports when it starts an asynchronous request.
inline constexpr uint32_t kUsbCompleted = 0;        // finished at once
inline constexpr uint32_t kUsbGenFailure = 31;      // ERROR_GEN_FAILURE
inline constexpr uint32_t kUsbAborted = 995;        // ERROR_OPERATION_ABORTED
inline constexpr uint32_t kUsbPending = 997;        // ERROR_IO_PENDING
inline constexpr uint32_t kUsbNotConnected = 1167;  // ERROR_DEVICE_NOT_CONNECTED
// The system ran out of memory for USB requests; fewer requests in flight
// may still go through.
inline constexpr uint32_t kUsbNoResources = 1450;  // ERROR_NO_SYSTEM_RESOURCES

// Speed code of GetDeviceSpeed for a SuperSpeed link.
inline constexpr uint32_t kUsbSuperSpeed = 4;

// A device interface class GUID in its Windows memory layout
// (Data1, Data2 and Data3 little-endian, then the 8 bytes of Data4).
struct UsbGuid {
  uint8_t bytes[16];
  bool operator==(const UsbGuid &) const = default;
};

// {328184C5-93E6-49B7-94B8-2ADA13AABB39}: the interface class under which the
// FX3 driver lists the cameras of this family.
inline constexpr UsbGuid kCameraInterfaceGuid = {{0xC5, 0x84, 0x81, 0x32, 0xE6, 0x93, 0xB7, 0x49,
                                                  0x94, 0xB8, 0x2A, 0xDA, 0x13, 0xAA, 0xBB, 0x39}};

// The 38-byte transfer record that prefixes every buffer given to the driver
// (packed, little-endian). Control transfers use the setup fields and the
// time-out in seconds; bulk transfers the endpoint address. The driver writes
// its two status words back; nonzero means the transfer failed.
struct SingleTransfer {
  static constexpr uint32_t kSize = 38;
  uint8_t bytes[kSize] = {};

  uint8_t requestType() const { return bytes[0]; }
  uint8_t request() const { return bytes[1]; }
  uint16_t value() const { return Load16(2); }
  uint16_t index() const { return Load16(4); }
  uint16_t length() const { return Load16(6); }
  uint32_t timeoutSeconds() const { return Load32(8); }
  uint8_t endpoint() const { return bytes[13]; }
  uint32_t driverStatus() const { return Load32(14); }
  uint32_t usbStatus() const { return Load32(18); }
  uint32_t bufferOffset() const { return Load32(30); }
  uint32_t bufferLength() const { return Load32(34); }

  void setSetup(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index,
                uint16_t length) {
    bytes[0] = requestType;
    bytes[1] = request;
    Store16(2, value);
    Store16(4, index);
    Store16(6, length);
  }
  void setTimeoutSeconds(uint32_t seconds) { Store32(8, seconds); }
  void setEndpoint(uint8_t endpoint) { bytes[13] = endpoint; }
  void setStatus(uint32_t driver, uint32_t usb) {
    Store32(14, driver);
    Store32(18, usb);
  }
  void setBuffer(uint32_t offset, uint32_t length) {
    Store32(30, offset);
    Store32(34, length);
  }

  // The record at the start of a raw transfer buffer of at least kSize bytes.
  static SingleTransfer Read(const uint8_t *buffer);
  void WriteTo(uint8_t *buffer) const;

 private:
  uint16_t Load16(int at) const { return uint16_t(bytes[at] | bytes[at + 1] << 8); }
  uint32_t Load32(int at) const {
    return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
           uint32_t(bytes[at + 3]) << 24;
  }
  void Store16(int at, uint16_t v) {
    bytes[at] = uint8_t(v);
    bytes[at + 1] = uint8_t(v >> 8);
  }
  void Store32(int at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = uint8_t(v >> (8 * i));
  }
};
static_assert(sizeof(SingleTransfer) == 38, "SingleTransfer is 38 bytes");

inline SingleTransfer SingleTransfer::Read(const uint8_t *buffer) {
  SingleTransfer record;
  for (uint32_t i = 0; i < kSize; ++i) record.bytes[i] = buffer[i];
  return record;
}

inline void SingleTransfer::WriteTo(uint8_t *buffer) const {
  for (uint32_t i = 0; i < kSize; ++i) buffer[i] = bytes[i];
}

// One asynchronous driver request: an OVERLAPPED record with its own
// auto-reset, initially unsignalled event. It must not be destroyed while a
// request started with it is still pending (abort the pipe and wait first).
class UsbIo {
 public:
  virtual ~UsbIo() = default;
  // True when the request completed within timeoutMs (-1: no limit, 0: poll).
  // Like an auto-reset event, one wait consumes the completion.
  virtual bool Wait(int timeoutMs) = 0;
  // GetOverlappedResult without waiting: true when the request completed
  // without error; `transferred` then receives the bytes the driver returned.
  virtual bool Result(uint32_t *transferred) = 0;
};

// One open device path. Destroying it closes the handle.
class UsbDevice {
 public:
  virtual ~UsbDevice() = default;

  // A fresh OVERLAPPED record for the Start* calls; null when none can be made.
  virtual std::unique_ptr<UsbIo> NewIo() = 0;

  // IOCTL_ADAPT_SEND_EP0_CONTROL_TRANSFER, synchronous whatever the open
  // mode: `buffer` holds the record and its data area and receives the
  // answer; `returned` the bytes returned, the record included.
  virtual bool ControlTransfer(uint8_t *buffer, uint32_t size, uint32_t *returned) = 0;

  // IOCTL_ADAPT_SEND_NON_EP0_TRANSFER: the record followed by the data in one
  // buffer, used as input and output. The byte count of `io` includes the
  // record. Returns kUsbCompleted, kUsbPending or an error code.
  virtual uint32_t StartBuffered(uint8_t *buffer, uint32_t size, UsbIo &io) = 0;

  // IOCTL_ADAPT_SEND_NON_EP0_DIRECT: `record` (kSize bytes, endpoint set) is
  // the input and receives the status words; `data` is the caller's buffer.
  // Both must stay valid until the request has completed.
  virtual uint32_t StartDirect(uint8_t *record, uint8_t *data, uint32_t length, UsbIo &io) = 0;

  // IOCTL_ADAPT_ABORT_PIPE: cancels every request pending on the endpoint
  // and returns once the driver has finished the abort.
  virtual bool AbortPipe(uint8_t endpoint) = 0;
  // IOCTL_ADAPT_RESET_PIPE.
  virtual bool ResetPipe(uint8_t endpoint) = 0;
  // IOCTL_ADAPT_RESET_PARENT_PORT.
  virtual bool ResetParentPort() = 0;
  // IOCTL_ADAPT_GET_DEVICE_SPEED; `code` is written only on success.
  virtual bool GetDeviceSpeed(uint32_t *code) = 0;
};

// A source of device interfaces.
class UsbDriver {
 public:
  virtual ~UsbDriver() = default;
  // Device paths of the present interfaces of `guid`, in the driver's order.
  virtual std::vector<std::string> ListInterfaces(const UsbGuid &guid) = 0;
  // Opens a path (write access, write sharing, open existing; overlapped when
  // asked). Null when the path is not this backend's or does not open.
  virtual std::unique_ptr<UsbDevice> Open(const std::string &path, bool overlapped) = 0;
};

// The system's FX3 driver for this platform; null where there is none.
UsbDriver *system_usb_driver();

}  // namespace velmor::platform
