// Starting a recording: the preview, on top of which the recorder runs, and
// the recorder itself. Recording takes the frames the host callback would
// get, so it turns the callback and the host buffer off.
#include <mutex>
#include <string>

#include "platform/Text.h"
#include "session/Velmor.h"

namespace velmor {
namespace {

// Longest narrow path a wide path may become.
constexpr std::size_t kMaxNarrowPath = 1023;

}  // namespace

int32_t CVelmor::StartRecording(const char *path, int32_t durationMs, int32_t show) {
  const ControlHold control = HoldControl();
  if (!control) return 0;
  if (path == nullptr || path[0] == '\0') {
    ReportError(VELMOR_ERROR_ARGUMENT);
    return 0;
  }
  if (recorder_.recording()) {
    ReportError(VELMOR_ERROR_NO_CAMERA);
    return 0;
  }
  SetFrameTarget(nullptr, nullptr, 0, 0);
  if (show != 0 && !OpenPreviewWindowIfWanted()) {
    ReportError(VELMOR_ERROR_WINDOW);
    return 0;
  }
  if (!StartAcquisition()) {
    CloseSession();
    ReportError(VELMOR_ERROR_CONVERSION);
    return 0;
  }
  if (const int32_t code = recorder_.Start(path, durationMs); code != 0) {
    CloseSession();
    ReportError(code);
    return 0;
  }
  return 1;
}

int32_t CVelmor::StartRecording(const wchar_t *path, int32_t durationMs, int32_t show) {
  if (path == nullptr) return StartRecording(static_cast<const char *>(nullptr), durationMs, show);
  const std::optional<std::string> narrow =
      platform::to_narrow(path, platform::CodePage::ThreadAnsi);
  if (!narrow || narrow->size() > kMaxNarrowPath) {
    ReportError(VELMOR_ERROR_CONVERSION);
    return 0;
  }
  return StartRecording(narrow->c_str(), durationMs, show);
}

}  // namespace velmor
