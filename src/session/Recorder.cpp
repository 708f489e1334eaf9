#include "session/Recorder.h"

#include <mutex>
#include <system_error>

#include "imaging/GreyToBgr.h"
#include "imaging/Reductions.h"
#include "platform/Clock.h"
#include "session/Velmor.h"

namespace velmor {
namespace {

constexpr int kPollMs = 10;
// The measured rate is in hundredths of a frame per second.
constexpr uint64_t kRateUnitsPerSecondMs = 100000;

// The routine that makes a bottom-up 24-bit frame of an image of `bits` per
// pixel; 16-bit samples give their top eight significant bits.
imaging::PixelRoutine FrameRoutine(int32_t bits) {
  switch (bits) {
    case 8:
      return imaging::GreyToBgrFlipped;
    case 16:
      return imaging::Grey16ToBgrFlipped;
    case 24:
    case 32:
      return imaging::CopyColour24Flipped;
    case 48:
    case 64:
      return imaging::ReduceColour16To8Flipped;
    default:
      return nullptr;
  }
}

}  // namespace

int32_t Recorder::Start(const char *path, int32_t durationMs) {
  Stop();
  {
    std::lock_guard lock(session_.frameLock());
    const imaging::DibImage *image = session_.CurrentImage();
    if (image == nullptr || image->bits() == nullptr) return VELMOR_ERROR_CONVERSION;
    width_ = image->width();
    height_ = image->height();
  }
  if (!frame_.Create(width_, height_, 24) || !writer_.Open(path, width_, height_))
    return VELMOR_ERROR_CONVERSION;
  durationMs_ = uint32_t(durationMs < 0 ? 0 : durationMs);
  newFrame_.store(0);
  framesRecorded_.store(0);
  framesSkipped_.store(0);
  recording_.store(1);
  done_.reset();
  try {
    thread_ = std::thread(&Recorder::Run, this);
  } catch (const std::system_error &) {
    recording_.store(0);
    done_.set();
    writer_.Reset();
    return VELMOR_ERROR_THREAD;
  }
  return 0;
}

void Recorder::FrameProcessed() {
  if (recording_.load() == 0) return;
  if (newFrame_.exchange(1) != 0) framesSkipped_.fetch_add(1);
  wake_.set();
}

void Recorder::Stop() {
  recording_.store(0);
  wake_.set();
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

bool Recorder::TakeFrame() {
  std::lock_guard lock(session_.frameLock());
  const imaging::DibImage *image = session_.CurrentImage();
  if (image == nullptr || image->width() != width_ || image->height() != height_) return false;
  const imaging::PixelRoutine routine = FrameRoutine(image->bitsPerPixel());
  return routine != nullptr && imaging::DibImage::Convert(frame_, routine, *image) != 0;
}

void Recorder::Finish(int32_t frames, uint32_t elapsedMs) {
  // Frames taken over elapsedMs span one frame period fewer than frames.
  const int32_t rate = elapsedMs == 0
                           ? files::AviWriter::kStartRate
                           : int32_t(uint64_t(frames - 1) * kRateUnitsPerSecondMs / elapsedMs);
  if (!writer_.Finish(rate)) session_.ReportError(VELMOR_ERROR_CONVERSION);
}

void Recorder::Run() {
  int32_t frames = 0;
  uint32_t start = 0, last = 0;
  // The recording also ends with the preview (a stop or a camera that went
  // away), and finishes its file then too.
  while (recording_.load() != 0 && session_.Acquiring()) {
    wake_.wait(kPollMs);
    if (newFrame_.exchange(0) == 0) continue;
    const uint32_t now = platform::multimedia_time();
    if (!TakeFrame()) continue;
    // A frame that cannot be appended (a full disk) ends the recording.
    if (!writer_.AppendFrame(frame_.bits())) break;
    framesRecorded_.store(++frames);
    if (frames == 1) start = now;
    last = now;
    if (now - start > durationMs_) break;
  }
  Finish(frames, last - start);
  frame_.Release();
  recording_.store(0);
  done_.set();
}

}  // namespace velmor
