// Exports that save the current image as a still image file.
#include <cwchar>
#include <optional>
#include <string>

#include "api/CallFrame.h"
#include "platform/Text.h"
#include "velmor/velmor.h"

using velmor::CVelmor;
using velmor::api::WithSession;

namespace {

// The narrow path must fit the 1024-byte buffer the narrow form works in.
constexpr std::size_t kPathBufferBytes = 1024;

}  // namespace

extern "C" {

int32_t Velmor_SaveImage(int32_t handle, const char *path, int32_t fileType) {
  return WithSession(handle, 0,
                     [&](CVelmor &session) { return session.SaveImage(path, fileType); });
}

int32_t Velmor_SaveImageW(int32_t handle, const wchar_t *path, int32_t fileType) {
  return WithSession(handle, 0, [&](CVelmor &session) {
    std::optional<std::string> narrow;
    if (path != nullptr)
      narrow = velmor::platform::to_narrow(path, velmor::platform::CodePage::ThreadAnsi);
    if (!narrow || narrow->size() >= kPathBufferBytes) {
      session.ReportError(VELMOR_ERROR_CONVERSION);
      return 0;
    }
    return session.SaveImage(narrow->c_str(), fileType);
  });
}

}  // extern "C"
