// The session's camera names, serial number and camera information.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>

#include "platform/Clock.h"
#include "platform/Text.h"
#include "session/Velmor.h"

namespace velmor {
namespace {

constexpr char kNameStem[] = "VelmorS10PX";
constexpr uint16_t kSerialAddress = 0x1040;
constexpr int32_t kSerialBytes = 32;
constexpr int32_t kSerialMinBuffer = 32;
constexpr int32_t kCameraInfoMinSize = 36;
constexpr int32_t kCameraInfoFullSize = int32_t(sizeof(VELMOR_CAMERA_INFO));
// The EEPROM needs a pause between byte reads.
constexpr uint32_t kEepromPauseMs = 10;

// The name of camera `ordinal` (1-based), cut to fit `size` bytes.
void FormatName(char *buffer, std::size_t size, int32_t ordinal) {
  std::snprintf(buffer, size, "%s_%02d", kNameStem, ordinal);
}

// `text` converted into a wide buffer of `size` characters, terminator
// included; false when it cannot be converted or does not fit.
bool WidenInto(const char *text, wchar_t *buffer, int32_t size, platform::CodePage page) {
  const auto wide = platform::to_wide(text, page);
  if (!wide || buffer == nullptr || int64_t(wide->size()) + 1 > size) return false;
  std::wmemcpy(buffer, wide->c_str(), wide->size() + 1);
  return true;
}

}  // namespace

int32_t CVelmor::EnumerateNames(char (*table)[kNameLength]) {
  if (!engine_) {
    ReportError(VELMOR_ERROR_NO_CAMERA);
    return 0;
  }
  if (table == nullptr) {
    ReportError(VELMOR_ERROR_ARGUMENT);
    return 0;
  }
  const int32_t count = engine_->EnumerateDevices(kProductId);
  int32_t written = 0;
  for (int32_t j = 0; j < count && written < kNameRows; ++j)
    if (engine_->IsDevicePresent(j)) {
      ++written;
      FormatName(table[written - 1], kNameLength, written);
    }
  for (int32_t row = written; row < kNameRows; ++row) table[row][0] = '\0';
  return written;
}

int32_t CVelmor::EnumerateNames(wchar_t (*table)[kNameLength]) {
  if (!engine_) {
    ReportError(VELMOR_ERROR_NO_CAMERA);
    return 0;
  }
  if (table == nullptr) {
    ReportError(VELMOR_ERROR_ARGUMENT);
    return 0;
  }
  engine_->GetMaxDevices();
  char narrow[kNameRows][kNameLength];
  const int32_t written = EnumerateNames(narrow);
  for (int32_t row = 0; row < kNameRows; ++row)
    if (row >= written ||
        !WidenInto(narrow[row], table[row], kNameLength, platform::CodePage::Ansi))
      table[row][0] = L'\0';
  return written;
}

int32_t CVelmor::QueryDeviceName(int32_t index, char *buffer, int32_t size) {
  if (!engine_) {
    ReportError(VELMOR_ERROR_NO_CAMERA);
    return 0;
  }
  if (size <= 11 || buffer == nullptr) {
    ReportError(VELMOR_ERROR_ARGUMENT);
    return 0;
  }
  if (index < 0 || index >= engine_->GetMaxDevices() || !engine_->IsDevicePresent(index)) {
    ReportError(VELMOR_ERROR_NOT_PRESENT);
    return 0;
  }
  FormatName(buffer, std::size_t(size), index + 1);
  return 1;
}

int32_t CVelmor::QueryDeviceName(int32_t index, wchar_t *buffer, int32_t size) {
  char narrow[kNameLength];
  if (!QueryDeviceName(index, narrow, kNameLength)) return 0;
  if (!WidenInto(narrow, buffer, size, platform::CodePage::ThreadAnsi)) {
    ReportError(VELMOR_ERROR_CONVERSION);
    return 0;
  }
  return 1;
}

int32_t CVelmor::QuerySerialNumber(char *buffer, int32_t size) {
  if (size < kSerialMinBuffer || buffer == nullptr) {
    ReportError(VELMOR_ERROR_ARGUMENT);
    return 0;
  }
  if (!engine_) {
    ReportError(VELMOR_ERROR_NO_CAMERA);
    return 0;
  }
  char text[kSerialBytes] = {};
  int32_t kept = 0;
  bool firstRead = false, firstErased = false;
  for (int32_t i = 0; i < kSerialBytes; ++i) {
    uint8_t byte = 0;
    if (!engine_->ReadEeprom(uint16_t(kSerialAddress + i), &byte)) break;
    if (i == 0) {
      firstRead = true;
      firstErased = byte == 0xFF;
    }
    if (byte == 0xFF) break;
    if (kept < kSerialBytes - 1) text[kept] = char(byte);
    ++kept;
    platform::sleep_ms(kEepromPauseMs);
  }
  if (!firstRead) return 0;
  std::memcpy(buffer, text, sizeof text);
  return kept > 0 || firstErased ? 1 : 0;
}

int32_t CVelmor::QuerySerialNumber(wchar_t *buffer, int32_t size) {
  char narrow[kSerialBytes];
  if (!QuerySerialNumber(narrow, size)) return 0;
  if (!WidenInto(narrow, buffer, size, platform::CodePage::ThreadAnsi)) {
    ReportError(VELMOR_ERROR_CONVERSION);
    return 0;
  }
  return 1;
}

int32_t CVelmor::QueryCameraInfo(VELMOR_CAMERA_INFO *record) {
  if (!engine_) {
    ReportError(VELMOR_ERROR_NO_CAMERA);
    return 0;
  }
  if (record == nullptr) {
    ReportError(VELMOR_ERROR_ARGUMENT);
    return 0;
  }
  if (record->size < kCameraInfoMinSize) {
    ReportError(VELMOR_ERROR_MEMORY);
    return 0;
  }
  record->maxWidth = kSensorSize;
  record->maxHeight = kSensorSize;
  record->gainMin = engine_->GetGainMin();
  record->gainMax = engine_->GetGainMax();
  record->colourGainMin = engine_->GetColorGainMin();
  record->colourGainMax = engine_->GetColorGainMax();
  record->exposureMin = engine_->GetExposureTimeMin();
  record->exposureMax = engine_->GetExposureTimeMax();
  if (record->size >= kCameraInfoFullSize) {
    engine_->GetRealExposureMin(&record->realExposureMin);
    engine_->GetRealExposureMax(&record->realExposureMax);
  }
  return 1;
}

}  // namespace velmor
