#include "session/ErrorText.h"

#include <iterator>

namespace velmor {

const char *ErrorText(int32_t code) {
  // Indexed by the code.
  static const char *const kTexts[] = {
      "no error",
      "no camera is open, or the call is not allowed in this state",
      "the selected camera is not present",
      "an acquisition or recording thread could not start",
      "a window could not be made, or no stored capture window of that size",
      "memory could not be allocated, or the host buffer is too small",
      "a camera register operation failed",
      "the readout window was rejected",
      "a frame could not be obtained",
      "invalid argument",
      "unused code",
      "the function or feature is not supported by this camera",
      "a text conversion or an update failed",
      "the frame transfer failed during acquisition; acquisition stopped",
      "a mask file could not be read or written",
  };
  if (code < 0 || code >= int32_t(std::size(kTexts))) return "unknown error code";
  return kTexts[code];
}

}  // namespace velmor
