// CFx3Api: the bottom of the transport. It finds the cameras the USB driver
// lists, keeps them in the table shared by every process (DeviceTable),
// opens device paths and wraps each driver call in one operation.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "platform/SharedMemory.h"
#include "platform/UsbDriver.h"
#include "transport/DeviceTable.h"

namespace velmor {

// An open device path; an empty slot is a closed handle.
using DeviceHandle = std::unique_ptr<platform::UsbDevice>;

// The OVERLAPPED record of one asynchronous driver request (its event is
// inside `io`) and what its submission reported.
struct Overlapped {
  std::unique_ptr<platform::UsbIo> io;
  uint32_t submitError = platform::kUsbCompleted;
};

class CFx3Api {
 public:
  static constexpr int kMaxRows = DeviceTable::kMaxRows;
  // Bytes of a control transfer buffer: the record and a 64-byte data area.
  static constexpr uint32_t kControlBufferSize = platform::SingleTransfer::kSize + 64;

  CFx3Api();
  virtual ~CFx3Api();
  CFx3Api(const CFx3Api &) = delete;
  CFx3Api &operator=(const CFx3Api &) = delete;

  // Records the present interfaces of the GUID; returns the rows in use.
  int32_t EnumerateDevices();
  int32_t OpenDevicePath(DeviceHandle *out, int32_t row, bool overlapped);
  int32_t DeviceExists(int32_t row);
  static int32_t CloseDeviceHandle(DeviceHandle *slot);
  int32_t SetInterfaceGuid(const platform::UsbGuid *guid);

  // Synchronous endpoint-0 transfer of a kControlBufferSize buffer;
  // `returned` receives the bytes returned, the record included.
  int32_t ControlTransfer(platform::UsbDevice *device, uint8_t *buffer, uint32_t *returned);
  // Buffered bulk transfer of record plus data, aborted when still pending
  // after 3000 ms.
  int32_t TransferNonEp0(platform::UsbDevice *device, uint8_t *buffer, uint32_t size,
                         uint32_t *returned);
  // Starts a direct bulk transfer; returns the record it made (the caller
  // keeps it until CompleteDirect), null without a device.
  std::unique_ptr<platform::SingleTransfer> SubmitDirect(platform::UsbDevice *device, uint8_t *data,
                                                         uint32_t length, uint8_t endpoint,
                                                         Overlapped *overlapped);
  int32_t WaitSubmitted(Overlapped *overlapped, uint32_t milliseconds);
  int32_t CompleteDirect(platform::UsbDevice *device, Overlapped *overlapped,
                         std::unique_ptr<platform::SingleTransfer> record, uint32_t *transferred);
  int32_t ResetPipe(platform::UsbDevice *device, uint8_t endpoint);
  int32_t ResetParentPort(platform::UsbDevice *device);
  int32_t GetDeviceSpeed(platform::UsbDevice *device, uint32_t *code);
  // Aborts everything pending on IN endpoint 0x81 and waits for the abort.
  int32_t AbortPipe(platform::UsbDevice *device);

  // Device table readers: 0 (instance -1) for an index of 32 or more.
  uint16_t GetVendorIdAt(int32_t row) const;
  uint16_t GetProductIdAt(int32_t row) const;
  int32_t GetInstanceAt(int32_t row) const;
  int32_t GetDeviceRowCount() const;
  DeviceRow GetDeviceRow(int32_t row) const;

  // After a request was left pending past its time: aborts the endpoint,
  // waits 50 ms for the request to finish, and if it has not, aborts again
  // and waits for as long as it takes, so the buffer is never given back
  // while the driver may still write into it.
  static void DrainAbandoned(platform::UsbDevice *device, uint8_t endpoint, platform::UsbIo &io);

 protected:
  int32_t deviceIndex = 0;
  platform::UsbGuid interfaceGuid{};
  std::atomic<uint32_t> lastSubmitError{0};

 private:
  std::unique_ptr<platform::SharedMemory> map_;
};

}  // namespace velmor
