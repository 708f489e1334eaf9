// The preview window: made by the start calls when the host asked for one,
// drawn by the acquisition loops with frameLock held, closed by CloseSession.
#include <cstdio>
#include <cstdlib>

#include "imaging/PreviewScaler.h"
#include "imaging/Reductions.h"
#include "platform/Clock.h"
#include "session/Velmor.h"

namespace velmor {

bool CVelmor::OpenPreviewWindowIfWanted() {
  const int32_t *rect = previewRect_;
  if (previewParent_ == nullptr && rect[0] == 0 && rect[1] == 0 && rect[2] == 0 && rect[3] == 0)
    return true;
  std::snprintf(windowClassName_, sizeof windowClassName_, "VideoRenderer_%08x_%08x",
                unsigned(reinterpret_cast<uintptr_t>(this)),
                unsigned(platform::multimedia_time() + unsigned(std::rand())));
  std::unique_ptr<platform::PreviewWindow> window;
  if (previewParent_ != nullptr) {
    window = platform::create_preview_window(windowClassName_, previewParent_, rect[0], rect[1],
                                             rect[2], rect[3]);
  } else {
    // A top-level window shows the image one to one; the placement only
    // says that a window is wanted.
    const int32_t divisor = SubsampleDivisor(subSample_);
    window = platform::create_preview_window(windowClassName_, nullptr, 0, 0,
                                             geometry_.EH / divisor, geometry_.EV / divisor);
  }
  std::lock_guard lock(frameLock_);
  previewWindow_ = std::move(window);
  return previewWindow_ != nullptr;
}

void CVelmor::ClosePreviewWindow() {
  // The acquisition thread draws with the lock held; the window goes only
  // between two frames.
  std::lock_guard lock(frameLock_);
  previewWindow_.reset();
}

bool CVelmor::PreviewClientSize(int32_t &width, int32_t &height) const {
  return previewWindow_ != nullptr && previewWindow_->ClientSize(width, height);
}

const imaging::DibImage *CVelmor::PreviewSource() {
  using imaging::DibImage;
  const auto reduce = [](DibImage &target, imaging::PixelRoutine routine, const DibImage &source,
                         int32_t bits) -> const DibImage * {
    if (target.width() != source.width() || target.height() != source.height() ||
        target.bitsPerPixel() != bits) {
      if (!target.Create(source.width(), source.height(), bits)) return nullptr;
      if (bits == 8) target.SetColourTable(DibImage::kGreyRamp);
    }
    return DibImage::Convert(target, routine, source) != 0 ? &target : nullptr;
  };
  switch (frameColourMode_.load()) {
    case 0:
      return raw8_.get();
    case 1:
      // Twelve significant bits: the top eight of them, not the high byte.
      return reduce(*raw8_, imaging::Reduce16To8, *raw16_, 8);
    case 2:
      return colour24_.get();
    case 3:
      return reduce(*colour24_, imaging::CopyColour24, *colour32_, 24);
    case 4:
      return reduce(*colour24_, imaging::ReduceColour16To8, *colour48_, 24);
    case 5:
      return reduce(*colour24_, imaging::ReduceColour16To8, *colour64_, 24);
    default:
      return nullptr;
  }
}

void CVelmor::DrawPreview() {
  int32_t width = 0, height = 0;
  if (!PreviewClientSize(width, height)) return;
  const imaging::DibImage *source = PreviewSource();
  if (source == nullptr || source->bits() == nullptr) return;
  // Drawing failures leave the window as it was.
  const int32_t mode = frameColourMode_.load();
  if (width == source->width() && height == source->height() && mode != 1) {
    previewWindow_->Draw(source->info(), source->bits(), source->stride(), source->dc(), true);
    return;
  }
  const int32_t bits = mode <= 1 ? 8 : 24;
  if (display_->width() != width || display_->height() != height ||
      display_->bitsPerPixel() != bits) {
    display_->Release();
    if (!display_->Create(width, height, bits)) return;
    if (bits == 8) display_->SetColourTable(imaging::DibImage::kGreyRamp);
  }
  imaging::DibImage::ConvertRects(*display_,
                                  bits == 8 ? imaging::ScalePreview8 : imaging::ScalePreview24,
                                  *source, nullptr, nullptr);
  previewWindow_->Draw(display_->info(), display_->bits(), display_->stride(), display_->dc(),
                       false);
}

}  // namespace velmor
