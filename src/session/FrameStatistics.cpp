#include "session/FrameStatistics.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace velmor {

bool FrameStatistics::Fill(VELMOR_STATISTICS &out, const TransferCounts &engine,
                           double fps) const {
  const std::size_t room = out.size;
  if (room < offsetof(VELMOR_STATISTICS, framesDelivered)) return false;
  VELMOR_STATISTICS full{};
  full.size = out.size;
  full.framesDelivered = delivered();
  full.headerFailures = engine.headerFailures;
  full.payloadFailures = engine.payloadFailures;
  full.timeouts = timeouts_.load(std::memory_order_relaxed);
  full.framesFailed = full.headerFailures + full.payloadFailures + full.timeouts;
  full.framesBehind = engine.framesSkipped;
  full.fps = fps;
  // An older host's smaller record gets the fields that fit.
  std::memcpy(&out, &full, std::min(room, sizeof full));
  return true;
}

}  // namespace velmor
