#include "emulator/EmulatorHub.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace velmor::emulator {
namespace {

// An OVERLAPPED record of an emulated device: the request it carries is
// answered by the camera it was started on.
class EmulatedIo final : public platform::UsbIo {
 public:
  explicit EmulatedIo(std::shared_ptr<EmulatedCamera> camera) : camera_(std::move(camera)) {}
  ~EmulatedIo() override { camera_->Forget(request_); }

  bool Wait(int timeoutMs) override { return camera_->Wait(request_, timeoutMs); }
  bool Result(uint32_t *transferred) override { return camera_->Result(request_, transferred); }

  BulkRequest &request() { return request_; }

 private:
  const std::shared_ptr<EmulatedCamera> camera_;
  BulkRequest request_;
};

class EmulatedDevice final : public platform::UsbDevice {
 public:
  EmulatedDevice(std::shared_ptr<EmulatedCamera> camera, uint32_t generation)
      : camera_(std::move(camera)), generation_(generation) {}

  std::unique_ptr<platform::UsbIo> NewIo() override {
    return std::make_unique<EmulatedIo>(camera_);
  }

  bool ControlTransfer(uint8_t *buffer, uint32_t size, uint32_t *returned) override {
    return camera_->ControlTransfer(generation_, buffer, size, returned);
  }

  uint32_t StartBuffered(uint8_t *buffer, uint32_t size, platform::UsbIo &io) override {
    if (size < platform::SingleTransfer::kSize) return platform::kUsbGenFailure;
    BulkRequest &request = static_cast<EmulatedIo &>(io).request();
    request.record = buffer;
    request.data = buffer + platform::SingleTransfer::kSize;
    request.length = size - platform::SingleTransfer::kSize;
    request.extra = platform::SingleTransfer::kSize;
    return camera_->Submit(generation_, request, RequestKind::Buffered);
  }

  uint32_t StartDirect(uint8_t *record, uint8_t *data, uint32_t length,
                       platform::UsbIo &io) override {
    BulkRequest &request = static_cast<EmulatedIo &>(io).request();
    request.record = record;
    request.data = data;
    request.length = length;
    request.extra = 0;
    return camera_->Submit(generation_, request, RequestKind::Bulk);
  }

  bool AbortPipe(uint8_t endpoint) override { return camera_->AbortPipe(generation_, endpoint); }
  bool ResetPipe(uint8_t endpoint) override { return camera_->ResetPipe(generation_, endpoint); }
  bool ResetParentPort() override { return camera_->ResetPort(generation_); }
  bool GetDeviceSpeed(uint32_t *code) override { return camera_->Speed(generation_, code); }

 private:
  const std::shared_ptr<EmulatedCamera> camera_;
  const uint32_t generation_;
};

bool ParseNumber(std::string_view text, unsigned *value) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    base = 16;
  }
  if (text.empty()) return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value, base);
  return error == std::errc() && end == text.data() + text.size();
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// Product IDs named by a camera list; false when it is malformed.
bool ParseCameraList(std::string_view cameras, std::vector<uint16_t> *products) {
  cameras = Trim(cameras);
  const bool list = cameras.find(',') != std::string_view::npos || cameras.substr(0, 2) == "0x" ||
                    cameras.substr(0, 2) == "0X";
  unsigned value = 0;
  if (!list) {
    if (!cameras.empty() && (!ParseNumber(cameras, &value) || value > unsigned(kMaxConfiguredCameras)))
      return false;
    products->assign(cameras.empty() ? 0 : value, kDefaultProductId);
    return true;
  }
  while (!cameras.empty()) {
    const std::size_t comma = cameras.find(',');
    if (!ParseNumber(Trim(cameras.substr(0, comma)), &value) || value > 0xFFFF) return false;
    products->push_back(uint16_t(value));
    cameras = comma == std::string_view::npos ? std::string_view() : cameras.substr(comma + 1);
  }
  return products->size() <= std::size_t(kMaxConfiguredCameras);
}

}  // namespace

EmulatorHub &EmulatorHub::Instance() {
  static EmulatorHub hub;
  return hub;
}

EmulatorHub::EmulatorHub() {
  if (const char *pattern = std::getenv("VELMOR_EMULATOR_PATTERN")) {
    constexpr std::pair<std::string_view, Pattern> kNames[] = {
        {"ramp", Pattern::Ramp}, {"dark", Pattern::Dark}, {"flat", Pattern::Flat}};
    for (const auto &[name, value] : kNames)
      if (name == pattern) pattern_ = value;
  }
  if (const char *fps = std::getenv("VELMOR_EMULATOR_FPS")) {
    unsigned value = 0;
    if (ParseNumber(Trim(fps), &value) && value <= 100000) fps_ = int(value);
  }
  if (const char *cameras = std::getenv("VELMOR_EMULATED_CAMERAS")) {
    active_ = true;
    Configure(cameras);
  }
}

bool EmulatorHub::Active() const {
  std::lock_guard lock(mutex_);
  return active_;
}

bool EmulatorHub::Configure(std::string_view cameras) {
  std::vector<uint16_t> products;
  if (!ParseCameraList(cameras, &products)) return false;
  Clear();
  for (uint16_t product : products) Add(product);
  std::lock_guard lock(mutex_);
  active_ = true;
  return true;
}

std::shared_ptr<EmulatedCamera> EmulatorHub::Add(uint16_t productId, std::string path) {
  std::lock_guard lock(mutex_);
  const int number = int(cameras_.size());
  if (path.empty()) path = InterfacePath(productId, number);
  cameras_.push_back(
      std::make_shared<EmulatedCamera>(number, productId, std::move(path), pattern_, fps_));
  active_ = true;
  return cameras_.back();
}

void EmulatorHub::SetDefaults(Pattern pattern, int fps) {
  std::lock_guard lock(mutex_);
  pattern_ = pattern;
  fps_ = fps;
}

void EmulatorHub::Clear() {
  std::vector<std::shared_ptr<EmulatedCamera>> removed;
  {
    std::lock_guard lock(mutex_);
    removed.swap(cameras_);
  }
  for (const auto &camera : removed) camera->Set("unplug", 1);
}

int EmulatorHub::Count() const {
  std::lock_guard lock(mutex_);
  return int(cameras_.size());
}

std::shared_ptr<EmulatedCamera> EmulatorHub::Camera(int index) const {
  std::lock_guard lock(mutex_);
  if (index < 0 || index >= int(cameras_.size())) return nullptr;
  return cameras_[index];
}

std::string EmulatorHub::InterfacePath(uint16_t productId, int number) {
  char path[96];
  std::snprintf(path, sizeof path,
                "\\\\?\\usb#vid_%04x&pid_%04x#emu%04d#{328184c5-93e6-49b7-94b8-2ada13aabb39}",
                kEmulatedVendorId, productId, number);
  return path;
}

std::vector<std::string> EmulatorHub::ListInterfaces(const platform::UsbGuid &guid) {
  std::vector<std::string> paths;
  if (!(guid == platform::kCameraInterfaceGuid)) return paths;
  std::lock_guard lock(mutex_);
  for (const auto &camera : cameras_)
    if (camera->Plugged(nullptr)) paths.push_back(camera->path());
  return paths;
}

std::unique_ptr<platform::UsbDevice> EmulatorHub::Open(const std::string &path, bool) {
  std::lock_guard lock(mutex_);
  for (const auto &camera : cameras_) {
    uint32_t generation = 0;
    if (camera->path() == path && camera->Plugged(&generation))
      return std::make_unique<EmulatedDevice>(camera, generation);
  }
  return nullptr;
}

}  // namespace velmor::emulator
