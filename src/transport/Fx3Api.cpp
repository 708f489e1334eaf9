#include "transport/Fx3Api.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/Clock.h"
#include "transport/UsbBackends.h"

namespace velmor {
namespace {

constexpr uint32_t kBufferedWaitMs = 3000;
constexpr int kAbortGraceMs = 50;
// SetupAPI's interface detail buffer: the path plus its size word.
constexpr std::size_t kDetailBufferSize = 1000;
constexpr std::size_t kMaxInterfacePath = kDetailBufferSize - sizeof(uint32_t) - 1;

// "%04x" at a fixed position of a device interface path; 0 when it does not parse.
uint16_t ParseId(const std::string &path, std::size_t at) {
  if (path.size() <= at) return 0;
  const std::string field = path.substr(at, 4);
  unsigned value = 0;
  if (std::sscanf(field.c_str(), "%04x", &value) != 1) return 0;
  return uint16_t(value);
}

}  // namespace

CFx3Api::CFx3Api() : map_(DeviceTable::Process().Attach()) {}

CFx3Api::~CFx3Api() { DeviceTable::Process().Detach(std::move(map_)); }

int32_t CFx3Api::EnumerateDevices() {
  std::vector<std::string> paths = ListDeviceInterfaces(interfaceGuid);
  if (paths.size() > std::size_t(kMaxRows)) paths.resize(kMaxRows);
  std::vector<DeviceRow> found;
  for (const std::string &path : paths) {
    // Paths that do not fit the detail buffer or the row are skipped.
    if (path.size() > kMaxInterfacePath || path.size() >= sizeof(DeviceRow::devicePath)) continue;
    if (!OpenDeviceInterface(path, true)) continue;
    DeviceRow row{ParseId(path, 12), ParseId(path, 21), 0, {}};
    std::memcpy(row.devicePath, path.c_str(), path.size() + 1);
    found.push_back(row);
  }
  DeviceTable::Process().Record(map_.get(), found);
  return DeviceTable::Process().Count();
}

int32_t CFx3Api::OpenDevicePath(DeviceHandle *out, int32_t row, bool overlapped) {
  if (out == nullptr) return 0;
  out->reset();
  if (row < 0 || row >= kMaxRows || row >= DeviceTable::Process().Count()) return 0;
  *out = OpenDeviceInterface(DeviceTable::Process().Row(row).devicePath, overlapped);
  return *out ? 1 : 0;
}

int32_t CFx3Api::DeviceExists(int32_t row) {
  DeviceHandle handle;
  return OpenDevicePath(&handle, row, false);
}

int32_t CFx3Api::CloseDeviceHandle(DeviceHandle *slot) {
  if (slot == nullptr || !*slot) return 0;
  slot->reset();
  return 1;
}

int32_t CFx3Api::SetInterfaceGuid(const platform::UsbGuid *guid) {
  if (guid == nullptr) return 0;
  interfaceGuid = *guid;
  return 1;
}

int32_t CFx3Api::ControlTransfer(platform::UsbDevice *device, uint8_t *buffer, uint32_t *returned) {
  if (device == nullptr || buffer == nullptr) return 0;
  uint32_t count = 0;
  const bool ok = device->ControlTransfer(buffer, kControlBufferSize, &count);
  if (returned) *returned = count;
  return ok ? 1 : 0;
}

int32_t CFx3Api::TransferNonEp0(platform::UsbDevice *device, uint8_t *buffer, uint32_t size,
                                uint32_t *returned) {
  if (device == nullptr || buffer == nullptr) return 0;
  const std::unique_ptr<platform::UsbIo> io = device->NewIo();
  if (!io) return 0;
  const uint32_t status = device->StartBuffered(buffer, size, *io);
  if (status != platform::kUsbCompleted && status != platform::kUsbPending) return 0;
  if (status == platform::kUsbPending && !io->Wait(kBufferedWaitMs)) {
    DrainAbandoned(device, platform::SingleTransfer::Read(buffer).endpoint(), *io);
    return 0;
  }
  uint32_t count = 0;
  if (!io->Result(&count)) return 0;
  if (returned) *returned = count;
  return 1;
}

std::unique_ptr<platform::SingleTransfer> CFx3Api::SubmitDirect(platform::UsbDevice *device,
                                                                uint8_t *data, uint32_t length,
                                                                uint8_t endpoint,
                                                                Overlapped *overlapped) {
  if (device == nullptr || overlapped == nullptr || !overlapped->io) return nullptr;
  auto record = std::make_unique<platform::SingleTransfer>();
  record->setEndpoint(endpoint);
  overlapped->submitError = device->StartDirect(record->bytes, data, length, *overlapped->io);
  lastSubmitError = overlapped->submitError;
  return record;
}

int32_t CFx3Api::WaitSubmitted(Overlapped *overlapped, uint32_t milliseconds) {
  if (overlapped == nullptr || !overlapped->io) return 0;
  switch (overlapped->submitError) {
    case platform::kUsbCompleted:
      return 1;
    case platform::kUsbPending:
      return overlapped->io->Wait(int(milliseconds)) ? 1 : 0;
    default:
      return 0;
  }
}

int32_t CFx3Api::CompleteDirect(platform::UsbDevice *, Overlapped *overlapped,
                                std::unique_ptr<platform::SingleTransfer> record,
                                uint32_t *transferred) {
  if (overlapped == nullptr || !overlapped->io || !record) return 0;
  uint32_t count = 0;
  if (!overlapped->io->Result(&count)) return 0;
  if (transferred) *transferred = count;
  if (record->driverStatus() != 0 || record->usbStatus() != 0) {
    platform::sleep_ms(1);
    return 0;
  }
  return 1;
}

int32_t CFx3Api::ResetPipe(platform::UsbDevice *device, uint8_t endpoint) {
  return device && device->ResetPipe(endpoint) ? 1 : 0;
}

int32_t CFx3Api::ResetParentPort(platform::UsbDevice *device) {
  return device && device->ResetParentPort() ? 1 : 0;
}

int32_t CFx3Api::GetDeviceSpeed(platform::UsbDevice *device, uint32_t *code) {
  uint32_t speed = 0;
  if (device == nullptr || !device->GetDeviceSpeed(&speed)) return 0;
  if (code) *code = speed;
  return 1;
}

int32_t CFx3Api::AbortPipe(platform::UsbDevice *device) {
  if (device == nullptr) return 0;
  device->AbortPipe(0x81);
  return 1;
}

void CFx3Api::DrainAbandoned(platform::UsbDevice *device, uint8_t endpoint, platform::UsbIo &io) {
  device->AbortPipe(endpoint);
  if (io.Wait(kAbortGraceMs)) return;
  device->AbortPipe(endpoint);
  io.Wait(-1);
}

uint16_t CFx3Api::GetVendorIdAt(int32_t row) const { return GetDeviceRow(row).vendorId; }

uint16_t CFx3Api::GetProductIdAt(int32_t row) const { return GetDeviceRow(row).productId; }

int32_t CFx3Api::GetInstanceAt(int32_t row) const { return GetDeviceRow(row).instance; }

int32_t CFx3Api::GetDeviceRowCount() const { return DeviceTable::Process().Count(); }

DeviceRow CFx3Api::GetDeviceRow(int32_t row) const {
  if (row < 0 || row >= kMaxRows) return DeviceRow{};
  return DeviceTable::Process().Row(row);
}

}  // namespace velmor
