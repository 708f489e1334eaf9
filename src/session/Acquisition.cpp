// The session's acquisition thread (preview and trigger loops), its start and
// stop, and the hand-off of each frame to the host.
#include <algorithm>
#include <chrono>
#include <cstring>
#include <optional>
#include <system_error>

#include "imaging/Demosaic.h"
#include "imaging/FilterChain.h"
#include "imaging/Restride.h"
#include "platform/Clock.h"
#include "platform/Messages.h"
#include "session/Velmor.h"

namespace velmor {
namespace {

constexpr int32_t kFrameArrived = 3;
constexpr int32_t kTransferFailed = 1;
constexpr int32_t kPreviewFrameWaitMs = 3000;
// How often the frame callback, calling in, looks for a stop while the
// control lock is busy.
constexpr auto kControlPoll = std::chrono::milliseconds(1);
constexpr int32_t kTriggerFrameWaitMs = 60000;
constexpr int32_t kPausedPollMs = 10;
constexpr uint32_t kFpsPeriodMs = 1000;

}  // namespace

imaging::DibImage *CVelmor::RawImage() const {
  return Uses16BitRaw(frameColourMode_.load()) ? raw16_.get() : raw8_.get();
}

imaging::DibImage *CVelmor::CurrentImage() const {
  const std::unique_ptr<imaging::DibImage> *const images[] = {&raw8_,     &raw16_,    &colour24_,
                                                              &colour32_, &colour48_, &colour64_};
  const int32_t mode = frameColourMode_.load();
  if (mode < 0 || mode > 5) return nullptr;
  return images[mode]->get();
}

void CVelmor::SetFrameTarget(VELMOR_HWND window, uint8_t *buffer, int32_t size, int32_t rowOrder) {
  std::lock_guard lock(frameLock_);
  callbackWindow_.store(window);
  hostBuffer_ = buffer;
  hostBufferSize_ = size;
  hostRowOrder_ = rowOrder;
}

void CVelmor::PostFrameMessage(uintptr_t wParam, intptr_t lParam) const {
  if (VELMOR_HWND window = callbackWindow(); window != nullptr)
    platform::post_message(window, VELMOR_WM_FRAME, wParam, lParam);
}

int32_t CVelmor::CopyToHost(const imaging::DibImage &image, int32_t rowOrder, uint8_t *buffer,
                            int32_t size) {
  const std::size_t stride = std::size_t(image.stride());
  const int32_t rows = image.height();
  if (size < 0 || std::size_t(size) < image.sizeBytes() || buffer == nullptr) {
    PostFrameMessage(0, VELMOR_ERROR_MEMORY);
    ReportError(VELMOR_ERROR_MEMORY);
    return 0;
  }
  if (rowOrder != 0) {
    std::memcpy(buffer, image.bits(), image.sizeBytes());
    return 1;
  }
  for (int32_t row = 0; row < rows; ++row)
    std::memcpy(buffer + std::size_t(row) * stride,
                image.bits() + std::size_t(rows - 1 - row) * stride, stride);
  return 1;
}

int32_t CVelmor::FetchFrame(imaging::DibImage &raw) {
  const int32_t result = engine_->GetNextImage(raw.bits(), int32_t(raw.sizeBytes()), 0, 0, 1);
  // The engine delivers rows packed at width x pixel size.
  if (raw.width() * raw.bytesPerPixel() != raw.stride())
    imaging::DibImage::Convert(raw, imaging::RestrideRows, raw);
  return result;
}

void CVelmor::FillFrameRecord(const imaging::DibImage &raw) {
  frameRecord_.width = raw.width();
  frameRecord_.height = raw.height();
  frameRecord_.hostBuffer = hostBuffer_;
  const int32_t mode = frameColourMode_.load();
  frameRecord_.bitsPerPixel = mode >= 0 && mode <= 5 ? kColourModeBits[mode] : 0;
}

void CVelmor::CountFrame() {
  ++fpsFrames_;
  const uint32_t now = platform::multimedia_time();
  const uint32_t elapsed = now - fpsPeriodStart_;
  if (elapsed > kFpsPeriodMs) {
    fpsTimesTen_ = int32_t(double(fpsFrames_) * 10000.0 / double(elapsed));
    fpsFrames_ = 0;
    fpsPeriodStart_ = now;
  }
  frameRecord_.fpsTimesTen = fpsTimesTen_;
}

void CVelmor::ProcessFrame() {
  imaging::DibImage &raw = *RawImage();
  imaging::DibImage *image = CurrentImage();
  if (image == nullptr) return;
  // One snapshot per frame: a host's change lands whole at the next frame.
  FilterValues values = filters_.Snapshot();
  RunAutoIris(raw);
  // Mask correction, then defect repair, under the mask lock.
  maskCorrection_.Apply(raw, RawPlacement(), maskFilterOn_.load() != 0, dotFilterOn_.load() != 0);
  const int32_t bayerMode = imaging::MirrorAdjustedBayerMode(
      values.byId[kFilterBayerMode], std::atomic_ref<int32_t>(analog_.mirrorV).load() != 0,
      std::atomic_ref<int32_t>(analog_.mirrorH).load() != 0);
  const int32_t mode = frameColourMode_.load();
  imaging::ChainMeasurements measured;
  if (mode <= 1) measured = chain_.GreyMode(raw, *colour24_, values, bayerMode);
  MirrorRawInSoftware(raw);
  if (mode >= 2) chain_.Demosaic(*image, raw, values, bayerMode, measured);
  chain_.Finish(*image, values);
  KeepMeasurements(values, measured);
}

bool CVelmor::HandOff() {
  if (hostBuffer_ == nullptr || hostBufferSize_ == 0) return true;
  const imaging::DibImage *image = CurrentImage();
  return image != nullptr && CopyToHost(*image, hostRowOrder_, hostBuffer_, hostBufferSize_) != 0;
}

void CVelmor::AcquisitionThread() {
  acquisitionThreadId_.store(std::this_thread::get_id());
  if (state_.load() == kTriggered)
    TriggerLoop();
  else
    PreviewLoop();
  // A later thread may be given the same id.
  acquisitionThreadId_.store(std::thread::id{});
}

void CVelmor::StopLoopWithFrameWaitError() {
  runFlag_.store(kStop);
  PostFrameMessage(0, VELMOR_ERROR_FRAME_WAIT);
  ReportError(VELMOR_ERROR_FRAME_WAIT);
}

void CVelmor::PreviewLoop() {
  while (runFlag_.load() != kStop) {
    // The wait time ends early when a stop comes.
    stopSignal_.wait(int(waitTime_.load()));
    if (runFlag_.load() != kRun) continue;
    const int32_t waited = engine_->WaitForFrame(kPreviewFrameWaitMs);
    if (waited == kTransferFailed) {
      StopLoopWithFrameWaitError();
      break;
    }
    if (waited != kFrameArrived) {
      statistics_.CountTimeout();
      continue;
    }
    {
      std::lock_guard lock(frameLock_);
      imaging::DibImage &raw = *RawImage();
      if (FetchFrame(raw) != 0) {
        PostFrameMessage(0, VELMOR_ERROR_FRAME);
        ReportError(VELMOR_ERROR_FRAME);
        continue;
      }
      FillFrameRecord(raw);
      CountFrame();
      ProcessFrame();
      recorder_.FrameProcessed();
      imageReady_.store(1);
      DrawPreview();
      if (!HandOff()) continue;
    }
    DeliverToCallback();
    if (runFlag_.load() == kRun) PostFrameMessage(reinterpret_cast<uintptr_t>(&frameRecord_), 0);
  }
}

void CVelmor::TriggerLoop() {
  stopSignal_.wait(int(engine_->GetExposureTime() / 10 + 100));
  engine_->SyncFrameCounter();
  while (runFlag_.load() != kStop) {
    if (runFlag_.load() != kRun) {
      stopSignal_.wait(int(kPausedPollMs));
      continue;
    }
    {
      // One capture is armed per trigger, and none after a stop.
      std::lock_guard arm(captureLock_);
      if (runFlag_.load() == kStop) break;
      if (!engine_->StartCapture(2)) {
        StopLoopWithFrameWaitError();
        break;
      }
    }
    const int32_t waited = engine_->WaitForFrame(kTriggerFrameWaitMs);
    if (runFlag_.load() == kStop) break;
    // A camera that cannot deliver its triggered frames stops the loop as a
    // failed preview does, so that a host waiting for frames learns of it.
    if (waited == kTransferFailed) {
      StopLoopWithFrameWaitError();
      break;
    }
    if (waited != kFrameArrived) continue;
    if (skipNextTrigger_.exchange(0) != 0) continue;
    {
      std::lock_guard lock(frameLock_);
      imaging::DibImage &raw = *RawImage();
      FetchFrame(raw);
      FillFrameRecord(raw);
      frameRecord_.fpsTimesTen = 0;
      ProcessFrame();
      imageReady_.store(1);
      DrawPreview();
      if (!HandOff()) continue;
    }
    DeliverToCallback();
    PostFrameMessage(reinterpret_cast<uintptr_t>(&frameRecord_), 0);
  }
}

std::optional<int32_t> CVelmor::CheckStartState(int32_t wanted) {
  if (!engine_) {
    ReportError(VELMOR_ERROR_NO_CAMERA);
    return 0;
  }
  const int32_t state = state_.load();
  if (state == wanted) return 1;
  if (state != kIdle) {
    ReportError(VELMOR_ERROR_NO_CAMERA);
    return 0;
  }
  return std::nullopt;
}

bool CVelmor::LaunchAcquisitionThread() {
  if (acquisitionThread_.joinable()) acquisitionThread_.join();
  try {
    acquisitionThread_ = std::thread(&CVelmor::AcquisitionThread, this);
  } catch (const std::system_error &) {
    return false;
  }
  return true;
}

int32_t CVelmor::StartAcquisition() {
  const ControlHold control = HoldControl();
  if (!control) return 0;
  if (const auto settled = CheckStartState(kPreviewing)) return *settled;
  if (!PrepareCapture()) return 0;
  if (!engine_->StartCapture(0)) {
    StopAcquisition();
    ReportError(VELMOR_ERROR_DEVICE);
    return 0;
  }
  state_.store(kPreviewing);
  engine_->GetDeviceNumber();
  // The rate is measured from the start of delivery, not from whenever the
  // session was made.
  fpsFrames_ = 0;
  fpsPeriodStart_ = platform::multimedia_time();
  stopSignal_.reset();
  runFlag_.store(kRun);
  if (!LaunchAcquisitionThread()) {
    StopAcquisition();
    ReportError(VELMOR_ERROR_THREAD);
    return 0;
  }
  return 1;
}

int32_t CVelmor::StartTriggerAcquisition() {
  const ControlHold control = HoldControl();
  if (!control) return 0;
  // Already triggering: the running thread goes on; a second one never starts.
  if (const auto settled = CheckStartState(kTriggered)) return *settled;
  if (!PrepareCapture()) {
    CloseSession();
    return 0;
  }
  state_.store(kTriggered);
  snapTimeout_ = 6000;
  engine_->SetTransferTimeout(6000);
  engine_->SetTriggerMode(1, 0);
  skipNextTrigger_.store(0);
  stopSignal_.reset();
  runFlag_.store(kRun);
  if (!LaunchAcquisitionThread()) {
    CloseSession();
    ReportError(VELMOR_ERROR_THREAD);
    return 0;
  }
  return 1;
}

CVelmor::ControlHold CVelmor::HoldControl() {
  ControlHold control(controlLock_, std::defer_lock);
  if (std::this_thread::get_id() != acquisitionThreadId_.load()) {
    control.lock();
    return control;
  }
  // The frame callback calling in: a stop on another thread clears the run
  // flag once it holds the lock, and then waits for this thread to end.
  while (!control.try_lock()) {
    if (runFlag_.load() == kStop) {
      ReportError(VELMOR_ERROR_NO_CAMERA);
      break;
    }
    std::this_thread::sleep_for(kControlPoll);
  }
  return control;
}

int32_t CVelmor::StopAcquisition() {
  const ControlHold control = HoldControl();
  if (!control) {
    // A stop from inside the frame callback while another thread's stop
    // waits for this thread: that stop does the rest.
    runFlag_.store(kStop);
    stopSignal_.set();
    return 1;
  }
  if (!engine_) {
    ReportError(VELMOR_ERROR_NO_CAMERA);
    return 0;
  }
  runFlag_.store(kStop);
  stopSignal_.set();
  {
    std::lock_guard stop(captureLock_);
    if (state_.load() != kIdle) {
      state_.store(kIdle);
      engine_->StopCapture();
      engine_->GetDeviceNumber();
    }
  }
  // A stop from the session's own threads would wait for itself.
  const std::thread::id self = std::this_thread::get_id();
  if (acquisitionThread_.joinable() && acquisitionThread_.get_id() != self)
    acquisitionThread_.join();
  recorder_.Stop();
  return 1;
}

}  // namespace velmor
