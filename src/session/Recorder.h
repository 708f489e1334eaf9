// Recorder: the session's recording thread and its AVI file. While the
// preview runs, the thread takes each frame the acquisition thread has
// processed, turns the current image into a bottom-up 24-bit frame under the
// image lock, appends it to the file outside the lock, and after the
// recording's duration (or when the recording is stopped, the preview ends,
// or a write fails) finishes the file with the achieved frame rate.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

#include "files/AviWriter.h"
#include "imaging/DibImage.h"
#include "platform/Event.h"

namespace velmor {

class CVelmor;

class Recorder {
 public:
  explicit Recorder(CVelmor &session) : session_(session) {}
  ~Recorder() { Stop(); }
  Recorder(const Recorder &) = delete;
  Recorder &operator=(const Recorder &) = delete;

  // Opens `path` for frames of the session's current image and starts the
  // thread; the preview must be running. The error code, 0 on success:
  // 12 when the file cannot be opened or the image cannot be had, 3 when
  // the thread cannot start.
  int32_t Start(const char *path, int32_t durationMs);
  // The preview loop's note that a new frame is in the current image.
  void FrameProcessed();
  // Ends a running recording, finishing its file, and waits for the thread.
  // Never called from the recording thread.
  void Stop();
  bool recording() const { return recording_.load() != 0; }
  // Frames appended since the start.
  int32_t framesRecorded() const { return framesRecorded_.load(); }
  // Frames the preview processed while recording that were replaced by the
  // next before the recorder took them.
  int32_t framesSkipped() const { return framesSkipped_.load(); }
  // Waits up to timeoutMs for the thread to have finished its file; true
  // when it has (or none ran).
  bool WaitUntilDone(int timeoutMs) { return done_.wait(timeoutMs); }
  // The writer, for its RIFF limit.
  files::AviWriter &writer() { return writer_; }

 private:
  void Run();
  // Converts the current image into frame_ under the image lock; false when
  // there is none of the recorded size.
  bool TakeFrame();
  // Finishes the file with the rate of `frames` taken over `elapsedMs`.
  void Finish(int32_t frames, uint32_t elapsedMs);

  CVelmor &session_;
  files::AviWriter writer_;
  // The bottom-up 24-bit frame, made once per recording.
  imaging::DibImage frame_;
  int32_t width_ = 0;
  int32_t height_ = 0;
  uint32_t durationMs_ = 0;
  std::atomic<int32_t> recording_{0};
  std::atomic<int32_t> newFrame_{0};
  std::atomic<int32_t> framesRecorded_{0};
  std::atomic<int32_t> framesSkipped_{0};
  // Wakes the thread for a new frame or a stop; it looks at least every
  // poll period without one.
  platform::Event wake_{false};
  // Set by the thread as its last act (manual reset).
  platform::Event done_{true, true};
  std::thread thread_;
};

}  // namespace velmor
