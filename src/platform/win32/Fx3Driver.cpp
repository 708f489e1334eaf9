#include "platform/win32/Fx3Driver.h"

#include <setupapi.h>

#include <cstring>

namespace velmor::platform {
namespace win32 {
namespace {

// The interface detail is fetched into a buffer of this size; an interface
// whose detail needs more is skipped.
constexpr DWORD kDetailBufferSize = 1000;
// Members of the interface list that are tried; a missing member is skipped.
constexpr DWORD kMaxInterfaces = 32;

struct DeviceInfoSet {
  explicit DeviceInfoSet(HDEVINFO handle) : handle(handle) {}
  ~DeviceInfoSet() {
    if (handle != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(handle);
  }
  DeviceInfoSet(const DeviceInfoSet &) = delete;
  DeviceInfoSet &operator=(const DeviceInfoSet &) = delete;
  const HDEVINFO handle;
};

HANDLE new_event() { return CreateEventA(nullptr, FALSE, FALSE, nullptr); }

}  // namespace

Fx3Io::Fx3Io(HANDLE device, HANDLE event) : device_(device) { overlapped_.hEvent = event; }

Fx3Io::~Fx3Io() { CloseHandle(overlapped_.hEvent); }

bool Fx3Io::Wait(int timeoutMs) {
  const DWORD wait = timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs);
  return WaitForSingleObject(overlapped_.hEvent, wait) == WAIT_OBJECT_0;
}

bool Fx3Io::Result(uint32_t *transferred) {
  DWORD count = 0;
  if (!GetOverlappedResult(device_, &overlapped_, &count, FALSE)) return false;
  if (transferred) *transferred = count;
  return true;
}

Fx3Device::Fx3Device(HANDLE handle, DeviceIoControlCall call) : handle_(handle), call_(call) {}

Fx3Device::~Fx3Device() { CloseHandle(handle_); }

std::unique_ptr<UsbIo> Fx3Device::NewIo() {
  HANDLE event = new_event();
  if (event == nullptr) return nullptr;
  return std::make_unique<Fx3Io>(handle_, event);
}

uint32_t Fx3Device::Start(DWORD code, void *in, DWORD inSize, void *out, DWORD outSize, UsbIo &io,
                          DWORD *returned) {
  OVERLAPPED *overlapped = static_cast<Fx3Io &>(io).overlapped();
  const DWORD started = call_(handle_, code, in, inSize, out, outSize, returned, overlapped)
                            ? ERROR_SUCCESS
                            : GetLastError();
  // The submission's code is kept by the caller; the thread's own value is
  // not left behind for unrelated calls to find.
  SetLastError(ERROR_SUCCESS);
  return started;
}

// A call that completes at once reports its byte count directly (a handle
// opened without FILE_FLAG_OVERLAPPED may leave the OVERLAPPED untouched);
// a pending one through the OVERLAPPED once its event is set.
bool Fx3Device::CallAndWait(DWORD code, void *in, DWORD inSize, void *out, DWORD outSize,
                            DWORD *returned) {
  const std::unique_ptr<UsbIo> io = NewIo();
  if (!io) return false;
  DWORD count = 0;
  const uint32_t started = Start(code, in, inSize, out, outSize, *io, &count);
  if (started == kUsbPending) {
    uint32_t completed = 0;
    if (!io->Wait(-1) || !io->Result(&completed)) return false;
    count = completed;
  } else if (started != kUsbCompleted) {
    return false;
  }
  if (returned) *returned = count;
  return true;
}

bool Fx3Device::ControlTransfer(uint8_t *buffer, uint32_t size, uint32_t *returned) {
  DWORD count = 0;
  const bool ok = CallAndWait(kIoctlControlTransfer, buffer, size, buffer, size, &count);
  if (returned) *returned = count;
  return ok;
}

uint32_t Fx3Device::StartBuffered(uint8_t *buffer, uint32_t size, UsbIo &io) {
  return Start(kIoctlBufferedTransfer, buffer, size, buffer, size, io);
}

uint32_t Fx3Device::StartDirect(uint8_t *record, uint8_t *data, uint32_t length, UsbIo &io) {
  return Start(kIoctlDirectTransfer, record, SingleTransfer::kSize, data, length, io);
}

bool Fx3Device::AbortPipe(uint8_t endpoint) {
  CallAndWait(kIoctlAbortPipe, &endpoint, 1, nullptr, 0);
  return true;
}

bool Fx3Device::ResetPipe(uint8_t endpoint) {
  return CallAndWait(kIoctlResetPipe, &endpoint, 1, nullptr, 0);
}

bool Fx3Device::ResetParentPort() {
  return CallAndWait(kIoctlResetParentPort, nullptr, 0, nullptr, 0);
}

bool Fx3Device::GetDeviceSpeed(uint32_t *code) {
  uint32_t speed = 0;
  if (!CallAndWait(kIoctlGetDeviceSpeed, &speed, sizeof speed, &speed, sizeof speed)) return false;
  if (code) *code = speed;
  return true;
}

std::vector<std::string> Fx3Driver::ListInterfaces(const UsbGuid &guid) {
  GUID classGuid;
  static_assert(sizeof classGuid == sizeof guid.bytes, "GUID layout");
  std::memcpy(&classGuid, guid.bytes, sizeof classGuid);
  std::vector<std::string> paths;
  const DeviceInfoSet set(
      SetupDiGetClassDevsA(&classGuid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
  if (set.handle == INVALID_HANDLE_VALUE) return paths;
  alignas(SP_DEVICE_INTERFACE_DETAIL_DATA_A) uint8_t buffer[kDetailBufferSize];
  auto *detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A *>(buffer);
  for (DWORD member = 0; member < kMaxInterfaces; ++member) {
    SP_DEVICE_INTERFACE_DATA interfaceData{};
    interfaceData.cbSize = sizeof interfaceData;
    if (!SetupDiEnumDeviceInterfaces(set.handle, nullptr, &classGuid, member, &interfaceData))
      continue;
    DWORD required = 0;
    SetupDiGetDeviceInterfaceDetailA(set.handle, &interfaceData, nullptr, 0, &required, nullptr);
    if (required == 0 || required > kDetailBufferSize) continue;
    detail->cbSize = sizeof *detail;
    if (!SetupDiGetDeviceInterfaceDetailA(set.handle, &interfaceData, detail, required, nullptr,
                                          nullptr))
      continue;
    paths.emplace_back(detail->DevicePath);
  }
  return paths;
}

std::unique_ptr<UsbDevice> Fx3Driver::Open(const std::string &path, bool overlapped) {
  HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              overlapped ? FILE_FLAG_OVERLAPPED : 0, nullptr);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<Fx3Device>(handle);
}

}  // namespace win32

UsbDriver *system_usb_driver() {
  static win32::Fx3Driver driver;
  return &driver;
}

}  // namespace velmor::platform
