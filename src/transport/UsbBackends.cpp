#include "transport/UsbBackends.h"

#include "emulator/EmulatorHub.h"

namespace velmor {
namespace {

std::vector<platform::UsbDriver *> ActiveBackends() {
  std::vector<platform::UsbDriver *> backends;
  if (platform::UsbDriver *system = platform::system_usb_driver()) backends.push_back(system);
  emulator::EmulatorHub &emulated = emulator::EmulatorHub::Instance();
  if (emulated.Active()) backends.push_back(&emulated);
  return backends;
}

}  // namespace

std::vector<std::string> ListDeviceInterfaces(const platform::UsbGuid &guid) {
  std::vector<std::string> paths;
  for (platform::UsbDriver *backend : ActiveBackends()) {
    std::vector<std::string> more = backend->ListInterfaces(guid);
    paths.insert(paths.end(), more.begin(), more.end());
  }
  return paths;
}

std::unique_ptr<platform::UsbDevice> OpenDeviceInterface(const std::string &path, bool overlapped) {
  for (platform::UsbDriver *backend : ActiveBackends())
    if (auto device = backend->Open(path, overlapped)) return device;
  return nullptr;
}

}  // namespace velmor
