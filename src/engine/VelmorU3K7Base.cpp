#include "engine/VelmorU3K7Base.h"

#include <algorithm>
#include <climits>

#include "sensors/SensorGeneric.h"
#include "sensors/SensorIMX487.h"
#include "transport/VelmorCy3Cam.h"

namespace velmor {
namespace {

// Which sensor driver a camera gets, by USB product ID. A product ID without
// a row gets the family's generic driver.
struct SensorChoice {
  uint16_t productId;
  std::unique_ptr<CSensorBase> (*make)(CControllerBase *controller, uint8_t busAddress);
  uint8_t busAddress;
  int32_t modelCode;  // passed to SetModelCode; kNoModelCode: not set
};
constexpr int32_t kNoModelCode = -1;

template <class Driver>
std::unique_ptr<CSensorBase> Make(CControllerBase *controller, uint8_t busAddress) {
  return std::make_unique<Driver>(controller, busAddress);
}

constexpr SensorChoice kSensorChoices[] = {
    {0x32F0, &Make<CSensorIMX487>, CSensorIMX487::kBusAddress, kNoModelCode},
};

std::unique_ptr<CSensorBase> MakeSensor(int32_t productId, CControllerBase *controller) {
  for (const SensorChoice &choice : kSensorChoices) {
    if (choice.productId != productId) continue;
    std::unique_ptr<CSensorBase> sensor = choice.make(controller, choice.busAddress);
    if (choice.modelCode != kNoModelCode) sensor->SetModelCode(choice.modelCode);
    return sensor;
  }
  return std::make_unique<CSensorGeneric>(controller);
}

}  // namespace

CVelmorU3K7Base::CVelmorU3K7Base() = default;

CVelmorU3K7Base::~CVelmorU3K7Base() { CloseDevice(); }

// ---- device selection ---------------------------------------------------

int32_t CVelmorU3K7Base::CreateController(VELMOR_HWND, const platform::UsbGuid *guid) {
  CloseDevice();
  controller_ = std::make_unique<CVelmorCy3Cam>(guid);
  return 1;
}

int32_t CVelmorU3K7Base::InitializeDevice() {
  if (!controller_ || !controller_->PrepareStaging()) return 0;
  controller_->ReadInfoBlock(infoBlock_);
  if (!sensor_ || !sensor_->DetectSensor()) return 0;
  return sensor_->InitializeSensor();
}

int32_t CVelmorU3K7Base::CloseDevice(int32_t) {
  StopCapture();
  if (controller_) {
    controller_->CloseStream();
    controller_.reset();
  }
  std::fill(std::begin(infoBlock_), std::end(infoBlock_), uint8_t(0));
  transferBuffer_.reset();
  transferCapacity_ = 0;
  captureMode_ = 0;
  frameBuffers_.Free();
  sensor_.reset();
  if (transferThread_.joinable()) transferThread_.join();
  transferFailed_ = false;
  return 1;
}

int32_t CVelmorU3K7Base::ReadInfoBlock(uint8_t *destination) {
  if (destination == nullptr || !controller_) return 0;
  return controller_->ReadInfoBlock(destination);
}

int32_t CVelmorU3K7Base::ReadInfoBlock2(uint8_t *destination) {
  if (destination == nullptr || !controller_) return 0;
  return controller_->ReadInfoBlock2(destination);
}

int32_t CVelmorU3K7Base::ReopenDevice(int32_t number) {
  StopCapture();
  return OpenDevice(number) ? 0 : -1;
}

int32_t CVelmorU3K7Base::RowOf(int32_t number) const {
  for (int32_t row = 0; row < kMaxDevices; ++row) {
    if (controller_->GetProductIdAt(row) == (productId_ & 0xFFFF) &&
        controller_->GetInstanceAt(row) == number) {
      return row;
    }
  }
  return -1;
}

int32_t CVelmorU3K7Base::OpenDevice(int32_t number) {
  if (!controller_ || productId_ == -1 || controller_->EnumerateDevices() < 1 ||
      !IsDevicePresent(number)) {
    return 0;
  }
  if (!controller_->SelectDevice(RowOf(number))) return 0;
  sensor_.reset();
  sensor_ = MakeSensor(productId_, controller_.get());
  deviceNumber_ = number;
  buffersDirty_ = true;
  return InitializeDevice();
}

int32_t CVelmorU3K7Base::IsDevicePresent(int32_t number) {
  if (!controller_) return 0;
  for (int32_t row = 0; row < kMaxDevices; ++row) {
    if (controller_->GetProductIdAt(row) == (productId_ & 0xFFFF) &&
        controller_->GetInstanceAt(row) == number && controller_->DeviceExists(row)) {
      return 1;
    }
  }
  return 0;
}

int32_t CVelmorU3K7Base::EnumerateDevices(int32_t productId) {
  if (!controller_) return 0;
  const int32_t rows = controller_->EnumerateDevices();
  if (productId == 0) return rows;
  int32_t present = 0;
  const int32_t scanned = std::min(controller_->GetDeviceRowCount(), kMaxDevices);
  for (int32_t row = 0; row < scanned; ++row) {
    present += controller_->GetProductIdAt(row) == productId && controller_->DeviceExists(row);
  }
  return present;
}

int32_t CVelmorU3K7Base::GetDeviceName(int32_t row, char *text, int32_t capacity) {
  if (!controller_ || text == nullptr || capacity <= 0 || !controller_->DeviceExists(row)) return 0;
  return controller_->GetDeviceName(row, text, std::size_t(capacity));
}

int32_t CVelmorU3K7Base::GetVendorIdAt(int32_t row) {
  return controller_ ? controller_->GetVendorIdAt(row) : 0;
}

int32_t CVelmorU3K7Base::GetProductIdAt(int32_t row) {
  return controller_ ? controller_->GetProductIdAt(row) : 0;
}

int32_t CVelmorU3K7Base::GetDeviceNumberAt(int32_t row) {
  return controller_ ? controller_->GetInstanceAt(row) : -1;
}

// ---- FPGA, EEPROM and sensor registers ----------------------------------

int32_t CVelmorU3K7Base::WriteFpgaRegister(int32_t reg, int32_t value) {
  if (!controller_ || UsesPortResetPath()) return 0;
  return controller_->WriteFpgaRegister(uint8_t(reg), uint8_t(value));
}

int32_t CVelmorU3K7Base::ReadFpgaRegister(int32_t reg, int32_t *ok) {
  uint8_t value = 0;
  const bool read =
      controller_ && !UsesPortResetPath() && controller_->ReadFpgaRegister(uint8_t(reg), &value);
  if (ok != nullptr) *ok = read ? 1 : 0;
  return read ? value : 0;
}

int32_t CVelmorU3K7Base::WriteEeprom(uint16_t address, uint8_t value) {
  return controller_ ? controller_->WriteEeprom(address, value) : 0;
}

int32_t CVelmorU3K7Base::ReadEeprom(uint16_t address, uint8_t *out) {
  if (!controller_ || out == nullptr) return 0;
  return controller_->ReadEeprom(address, out);
}

int32_t CVelmorU3K7Base::WriteUserByte(uint8_t value) {
  return WriteEeprom(kUserByteAddress, value);
}

int32_t CVelmorU3K7Base::ReadUserByte(uint8_t *out) { return ReadEeprom(kUserByteAddress, out); }

int32_t CVelmorU3K7Base::ReadSensorRegister(uint16_t reg, int32_t *ok) {
  int32_t value = 0;
  const bool read = sensor_ && sensor_->ReadSensorRegister(reg, &value);
  if (ok != nullptr) *ok = read ? 1 : 0;
  return read ? value : 0;
}

int32_t CVelmorU3K7Base::GetGainMultiplier(int32_t *out) {
  int32_t value = 0;
  if (!sensor_ || !sensor_->GetGainMultiplier(&value)) return 0;
  if (out != nullptr) *out = value;
  return 1;
}

// ---- exposure, clock and geometry -----------------------------------------

int32_t CVelmorU3K7Base::SetExposureTime(uint32_t units) {
  // A payload chunk may take as long as twice the exposure.
  SetTransferTimeout(units <= 50000 ? 5000 : int32_t(units / 5));
  return Plain<&CSensorBase::SetExposureTime, 0>(units);
}

int32_t CVelmorU3K7Base::SetRealExposure(double seconds) {
  if (seconds > 2.0) SetTransferTimeout(int32_t(std::min((seconds + 1) * 1000, double(INT32_MAX))));
  return Plain<&CSensorBase::SetRealExposure, 0>(seconds);
}

int32_t CVelmorU3K7Base::SetSamplingRate(int32_t code) {
  // The high rate needs a SuperSpeed link.
  uint32_t speed = 0;
  if (code == 2 && !UsesPortResetPath() && controller_ && controller_->GetDeviceSpeed(&speed) &&
      speed != platform::kUsbSuperSpeed) {
    code = 0;
  }
  return Plain<&CSensorBase::SetSamplingRate, 0>(code);
}

int32_t CVelmorU3K7Base::SetFrameRate(int32_t, int32_t flag, float *framesPerSecond) {
  return Plain<&CSensorBase::SetFrameRate, 0>(flag, framesPerSecond);
}

int32_t CVelmorU3K7Base::SetCaptureWindow(int32_t hStart, int32_t vStart, int32_t width,
                                          int32_t height, int32_t mode) {
  if (!sensor_) return 0;
  SensorInfo &info = sensor_->info();
  if (hStart == info.hStart && vStart == info.vStart && width == info.width &&
      height == info.height && mode == info.readoutMode) {
    return 1;
  }
  if (!sensor_->SetReadoutWindow(hStart, width, vStart, height, mode)) return 0;
  int32_t window[5] = {};
  sensor_->GetReadoutWindow(&window[0], &window[1], &window[2], &window[3], &window[4]);
  info.hStart = window[0];
  info.width = window[1];
  info.vStart = window[2];
  info.height = window[3];
  info.readoutMode = window[4];
  buffersDirty_ = true;
  return 1;
}

int32_t CVelmorU3K7Base::GetCaptureWindow(int32_t *hStart, int32_t *vStart, int32_t *width,
                                          int32_t *height, int32_t *mode) {
  if (!sensor_ || !hStart || !vStart || !width || !height || !mode) return 0;
  const SensorInfo &info = sensor_->info();
  *hStart = info.hStart;
  *vStart = info.vStart;
  *width = info.width;
  *height = info.height;
  *mode = info.readoutMode;
  return 1;
}

}  // namespace velmor
