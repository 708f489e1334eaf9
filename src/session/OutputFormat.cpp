// The output format (colour mode, readout mode, loop wait time) and the
// orientation the host chooses; the format takes effect at the next capture
// preparation.
#include <algorithm>
#include <iterator>

#include "platform/Messages.h"
#include "session/Velmor.h"

namespace velmor {
namespace {

// The vertical mirror calls only post their code when there is no engine.
void ReportNoEngine(CVelmor &session, bool postOnly) {
  if (postOnly)
    session.PostErrorOnly(VELMOR_ERROR_NO_CAMERA);
  else
    session.ReportError(VELMOR_ERROR_NO_CAMERA);
}

}  // namespace

int32_t CVelmor::SetColourModeBits(int32_t bits) {
  const auto found = std::find(std::begin(kColourModeBits), std::end(kColourModeBits), bits);
  if (found == std::end(kColourModeBits)) {
    ReportError(VELMOR_ERROR_ARGUMENT);
    return 0;
  }
  if (engine_) {
    const bool eightBitPath = bits == 8 || bits == 32;
    const bool colour = bits >= 24;
    if ((eightBitPath && !engine_->Supports8BitOutput()) ||
        (colour && !engine_->SupportsColorOutput())) {
      ReportError(VELMOR_ERROR_ARGUMENT);
      return 0;
    }
  }
  colourMode_.store(int32_t(found - std::begin(kColourModeBits)));
  return 1;
}

int32_t CVelmor::ColourModeBits() const {
  const int32_t mode = colourMode_.load();
  return mode >= 0 && mode <= 5 ? kColourModeBits[mode] : -1;
}

int32_t CVelmor::SetSubSample(int32_t mode) {
  if (mode != 0 && mode != 1 && mode != 17) return 0;
  subSample_ = mode;
  return 1;
}

int32_t CVelmor::SetWaitTime(int32_t milliseconds) {
  if (milliseconds < 0) return 0;
  waitTime_.store(milliseconds);
  return 1;
}

int32_t CVelmor::SetMirror(bool vertical, int32_t flag) {
  if (!engine_) {
    ReportNoEngine(*this, vertical);
    return 0;
  }
  const int32_t on = flag != 0 ? 1 : 0;
  // The frame path reads the mirrors under the image lock.
  std::lock_guard lock(frameLock_);
  if (vertical) {
    engine_->SetMirrorV(on);
    analog_.mirrorV = on;
  } else {
    engine_->SetMirrorH(on);
    analog_.mirrorH = on;
  }
  return 1;
}

int32_t CVelmor::GetMirror(bool vertical) {
  if (!engine_) {
    ReportNoEngine(*this, vertical);
    return 0;
  }
  std::lock_guard lock(frameLock_);
  return vertical ? analog_.mirrorV : analog_.mirrorH;
}

int32_t CVelmor::SetAutoIris(int32_t mode) {
  if (mode < 0 || mode > 2) {
    PostErrorOnly(VELMOR_ERROR_ARGUMENT);
    return 0;
  }
  std::lock_guard lock(frameLock_);
  analog_.autoExposure = mode;
  return 1;
}

int32_t CVelmor::autoIris() const {
  std::lock_guard lock(frameLock_);
  return analog_.autoExposure;
}

}  // namespace velmor
