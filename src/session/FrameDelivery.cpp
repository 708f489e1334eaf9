// Frames to the host's frame callback, and the statistics of what was
// delivered and lost.
#include <chrono>

#include "session/Velmor.h"

namespace velmor {

void CVelmor::DeliverToCallback() {
  statistics_.CountDelivered();
  const imaging::DibImage *image = CurrentImage();
  if (image == nullptr) return;
  VELMOR_FRAME_INFO frame{};
  frame.size = sizeof frame;
  frame.width = image->width();
  frame.height = image->height();
  frame.stride = image->stride();
  frame.bitsPerPixel = image->bitsPerPixel();
  frame.frameNumber = statistics_.delivered();
  frame.timestampNs = uint64_t(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count());
  // Memory row 0 is the picture's top row.
  frame.pixels = image->bits();
  frameCallback_.Deliver(frame);
}

bool CVelmor::FillStatistics(VELMOR_STATISTICS &out) const {
  const TransferCounts engine = engine_ ? engine_->transferCounts() : TransferCounts{};
  return statistics_.Fill(out, engine, double(fpsTimesTen_) / 10.0);
}

}  // namespace velmor
