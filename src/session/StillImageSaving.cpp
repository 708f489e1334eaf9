// Velmor_SaveImage: the current image to a still image file. The writer's
// private copy is taken under the image lock; encoding a progressive JPEG or
// a 16-bit PNG takes far longer than a frame, so it runs after the lock is
// left and the acquisition thread carries on meanwhile.
#include <mutex>
#include <optional>

#include "files/StillImage.h"
#include "session/Velmor.h"

namespace velmor {

int32_t CVelmor::SaveImage(const char *path, int32_t fileType) {
  if (!engine_ || imageReady_.load() == 0) {
    ReportError(VELMOR_ERROR_NO_CAMERA);
    return 0;
  }
  std::optional<files::StillImage> copy;
  {
    std::lock_guard lock(frameLock_);
    const imaging::DibImage *image = CurrentImage();
    if (image == nullptr) {
      ReportError(VELMOR_ERROR_NO_CAMERA);
      return 0;
    }
    copy = files::StillImage::Take(*image, fileType, imaging::kSampleBits);
  }
  return copy && copy->Write(path) ? 1 : 0;
}

}  // namespace velmor
