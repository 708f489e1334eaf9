// The FX3 kernel driver as the system's USB driver backend: SetupAPI lists
// the device interfaces, CreateFileA opens them and every driver call is one
// DeviceIoControl with the driver's control codes.
#pragma once

#include <windows.h>

#include "platform/UsbDriver.h"

namespace velmor::platform::win32 {

// Control codes of the FX3 driver (device type 0x22, buffered unless noted).
inline constexpr DWORD kIoctlControlTransfer = 0x220020;   // IOCTL_ADAPT_SEND_EP0_CONTROL_TRANSFER
inline constexpr DWORD kIoctlBufferedTransfer = 0x220024;  // IOCTL_ADAPT_SEND_NON_EP0_TRANSFER
inline constexpr DWORD kIoctlResetPipe = 0x22002C;         // IOCTL_ADAPT_RESET_PIPE
inline constexpr DWORD kIoctlResetParentPort = 0x220030;   // IOCTL_ADAPT_RESET_PARENT_PORT
inline constexpr DWORD kIoctlAbortPipe = 0x220044;         // IOCTL_ADAPT_ABORT_PIPE
inline constexpr DWORD kIoctlDirectTransfer = 0x22004B;    // IOCTL_ADAPT_SEND_NON_EP0_DIRECT
inline constexpr DWORD kIoctlGetDeviceSpeed = 0x22004C;    // IOCTL_ADAPT_GET_DEVICE_SPEED

// DeviceIoControl's signature; tests give a device a stand-in for the driver.
using DeviceIoControlCall = BOOL(WINAPI *)(HANDLE, DWORD, LPVOID, DWORD, LPVOID, DWORD, LPDWORD,
                                           LPOVERLAPPED);

// An OVERLAPPED record with its own auto-reset event.
class Fx3Io final : public UsbIo {
 public:
  Fx3Io(HANDLE device, HANDLE event);
  ~Fx3Io() override;
  Fx3Io(const Fx3Io &) = delete;
  Fx3Io &operator=(const Fx3Io &) = delete;

  bool Wait(int timeoutMs) override;
  bool Result(uint32_t *transferred) override;
  OVERLAPPED *overlapped() { return &overlapped_; }

 private:
  HANDLE device_;
  OVERLAPPED overlapped_{};
};

// One open device path; owns the handle.
class Fx3Device final : public UsbDevice {
 public:
  explicit Fx3Device(HANDLE handle, DeviceIoControlCall call = DeviceIoControl);
  ~Fx3Device() override;
  Fx3Device(const Fx3Device &) = delete;
  Fx3Device &operator=(const Fx3Device &) = delete;

  std::unique_ptr<UsbIo> NewIo() override;
  bool ControlTransfer(uint8_t *buffer, uint32_t size, uint32_t *returned) override;
  uint32_t StartBuffered(uint8_t *buffer, uint32_t size, UsbIo &io) override;
  uint32_t StartDirect(uint8_t *record, uint8_t *data, uint32_t length, UsbIo &io) override;
  bool AbortPipe(uint8_t endpoint) override;
  bool ResetPipe(uint8_t endpoint) override;
  bool ResetParentPort() override;
  bool GetDeviceSpeed(uint32_t *code) override;

 private:
  // One call that has finished when it returns, on overlapped handles too.
  bool CallAndWait(DWORD code, void *in, DWORD inSize, void *out, DWORD outSize,
                   DWORD *returned = nullptr);
  // Starts an overlapped call: kUsbCompleted, kUsbPending or the error code.
  // `returned` receives the byte count of a call that completed at once.
  uint32_t Start(DWORD code, void *in, DWORD inSize, void *out, DWORD outSize, UsbIo &io,
                 DWORD *returned = nullptr);

  const HANDLE handle_;
  const DeviceIoControlCall call_;
};

class Fx3Driver final : public UsbDriver {
 public:
  std::vector<std::string> ListInterfaces(const UsbGuid &guid) override;
  std::unique_ptr<UsbDevice> Open(const std::string &path, bool overlapped) override;
};

}  // namespace velmor::platform::win32
