// The engine's capture operations: the transfer thread that moves frames from
// the camera into the ring, single-frame capture, the hand-off of frames to
// the session and the settings that change what the transfer delivers.
#include <climits>
#include <new>
#include <optional>
#include <system_error>

#include "engine/OrientedCopy.h"
#include "engine/VelmorU3K7Base.h"
#include "platform/Clock.h"
#include "platform/ThreadPriority.h"
#include "transport/VelmorCy3Cam.h"

namespace velmor {
namespace {

constexpr int32_t kPortResetProductId = 0x3042;
constexpr int32_t kFailuresBeforeGivingUp = 5;
constexpr uint32_t kSingleFrameWaitMs = 3000;
constexpr uint32_t kSingleFrameGiveUpMs = 10000;
constexpr int32_t kSingleFrameRepeats = 10;
constexpr uint16_t kPipeResetRevision = 0x1100;  // firmware that can reset pipe 0x81
constexpr uint8_t kFrameIn = 0x81;

constexpr uint8_t kFrameCounterRegister = 0x08;
constexpr uint8_t kOutputDepthRegister = 0x3C;
constexpr uint8_t kStopRegister = 0x68;

int32_t NextSlot(int32_t slot) { return (slot + 1) % FrameRing::kSlots; }
int32_t NewestSlot(int32_t writeIndex) {
  return (writeIndex + FrameRing::kSlots - 1) % FrameRing::kSlots;
}

}  // namespace

// ---- events ---------------------------------------------------------------

std::shared_ptr<platform::Event> CVelmorU3K7Base::FrameEvent() {
  const std::lock_guard lock(frameEventLock_);
  return frameEvent_;
}

void CVelmorU3K7Base::CreateFrameEvent() {
  const std::lock_guard lock(frameEventLock_);
  if (!frameEvent_) frameEvent_ = std::make_shared<platform::Event>(false);
}

void CVelmorU3K7Base::SignalFrame() {
  if (const std::shared_ptr<platform::Event> event = FrameEvent()) event->set();
}

// ---- capture start and stop -----------------------------------------------

int32_t CVelmorU3K7Base::StartCapture(int32_t mode) {
  const std::lock_guard control(captureControl_);
  if (running_) StopCapture();
  CreateFrameEvent();
  if (!SetCaptureMode(mode)) return 0;
  if (buffersDirty_) PrepareFrameBuffers();
  // A thread that ended by itself is collected before its events change.
  if (transferThread_.joinable()) transferThread_.join();
  threadEndEvent_ = std::make_shared<platform::Event>(false);
  transferFailed_ = false;
  if (controller_) controller_->ResumeTransfers();
  running_ = true;
  try {
    transferThread_ = std::thread(&CVelmorU3K7Base::TransferThread, this);
  } catch (const std::system_error &) {
    running_ = false;
    return 0;
  }
  if (sensor_) sensor_->OnCaptureStart();
  return 1;
}

void CVelmorU3K7Base::TransferThread() {
  platform::raise_to_time_critical();
  if (GetProductId() == kPortResetProductId) {
    TransferLoopPortReset();
    EndTransfer(false);
  } else {
    TransferLoop();
  }
}

int32_t CVelmorU3K7Base::StopCapture() {
  const std::lock_guard control(captureControl_);
  if (sensor_) sensor_->OnCaptureStop();
  // The transfer's waits end at once instead of running out their time.
  if (controller_) controller_->CancelTransfers();
  const std::shared_ptr<platform::Event> threadEnd = threadEndEvent_;
  if (running_.exchange(false) && threadEnd) threadEnd->wait(platform::Event::kInfinite);
  if (transferThread_.joinable()) {
    // The thread has announced its end; what remains of it is its return.
    transferThread_.join();
    platform::sleep_ms(1);
  }
  threadEndEvent_.reset();
  {
    const std::lock_guard lock(frameEventLock_);
    if (frameEvent_) {
      frameEvent_->set();  // releases a waiter
      frameEvent_.reset();
    }
  }
  if (controller_) controller_->ResumeTransfers();
  StopStreaming();
  platform::sleep_ms(5);
  captureMode_ = 0;
  return 1;
}

int32_t CVelmorU3K7Base::StopStreaming() {
  if (!controller_) return 0;
  const uint16_t revision = uint16_t(infoBlock_[24] | infoBlock_[25] << 8);
  if (revision >= kPipeResetRevision) controller_->ResetPipe(kFrameIn);
  if (sensor_) sensor_->PulseCaptureRestart();
  WriteFpgaRegister(kStopRegister, 2);
  controller_->ClearStream();
  return 1;
}

int32_t CVelmorU3K7Base::SetCaptureMode(int32_t mode) {
  const std::lock_guard control(captureControl_);
  if (!controller_) return 0;
  if (mode != captureMode_) {
    StopCapture();
    CreateFrameEvent();
    if (mode == 2) {
      // A triggered frame counts as new only once it has arrived.
      writeIndex_ = readIndex_.load();
      framesTaken_ = framesPublished_.load();
      SyncFrameCounter();
    }
  }
  captureMode_ = mode;
  return 1;
}

// ---- the transfer -----------------------------------------------------------

int32_t CVelmorU3K7Base::TransferLoop() {
  if (!controller_ || !transferBuffer_ || !controller_->OpenStream()) {
    EndTransfer(false);
    return 0;
  }
  TransferDescriptor descriptor{};
  descriptor.buffer = transferBuffer_.get();
  descriptor.capacity = uint32_t(transferCapacity_);
  frameRate_.Restart();
  const int32_t mode = captureMode_;
  const std::size_t frameSize = frameBuffers_.frameSize();
  int32_t failures = 0;
  while (running_) {
    if (exposurePending_.exchange(false) && sensor_) sensor_->SetExposureTime(pendingExposure_);
    if (mode == 2) {
      int32_t read = 0;
      const int32_t counter = ReadFpgaRegister(kFrameCounterRegister, &read);
      // A camera that no longer answers ends the wait for its trigger.
      if (!read) {
        if (++failures >= kFailuresBeforeGivingUp) break;
        platform::sleep_ms(1);
        continue;
      }
      if (counter == lastFrameCounter_) {
        platform::sleep_ms(1);
        continue;
      }
      lastFrameCounter_ = counter;
    }
    bool good = controller_->ReadFrameHeader(&descriptor, 0) != 0;
    // A stop cancels the transfer in flight: that is no failure of the frame.
    if (!good && running_) ++headerFailures_;
    if (good && mode != 2) lastFrameCounter_ = int32_t(descriptor.frameCounter());
    if (good && mode == 3) {
      EndTransfer(true);
      return 0;
    }
    if (good) {
      const uint32_t t0 = platform::multimedia_time();
      good = controller_->ReadFramePayload(&descriptor, uint32_t(transferTimeout_.load())) != 0;
      if (!good && running_) ++payloadFailures_;
      if (good) {
        const uint32_t elapsed = platform::multimedia_time() - t0;
        if (elapsed > 0) transferRate_ = double(frameSize / 1024) * 0.0078125 / (elapsed / 1000.0);
        failures = 0;
        transferFailed_ = false;
        if (const std::optional<float> rate = frameRate_.Count()) framesPerSecond_ = *rate;
        const int32_t slot = writeIndex_;
        frameBuffers_.Store(slot, transferBuffer_.get());
        writeIndex_ = NextSlot(slot);
        ++framesPublished_;
        SignalFrame();
        if (mode == 1 || mode == 2) {
          EndTransfer(true);
          return 0;
        }
        continue;
      }
    }
    controller_->CloseStream();
    if (++failures >= kFailuresBeforeGivingUp || !running_) break;
    if (sensor_) sensor_->PulseCaptureRestart();
    if (!controller_->OpenStream()) break;
  }
  EndTransfer(false);
  return 0;
}

void CVelmorU3K7Base::EndTransfer(bool delivered) {
  // Whatever ends a transfer that was not stopped is a failure the frame
  // waits report; a stop is not.
  if (!delivered && running_) transferFailed_ = true;
  if (controller_) controller_->CloseStream();
  if (threadEndEvent_) threadEndEvent_->set();
  if (transferFailed_) SignalFrame();
  running_ = false;
}

int32_t CVelmorU3K7Base::CaptureSingleFrame() {
  if (!controller_) return 2;
  if (buffersDirty_) PrepareFrameBuffers();
  if (!transferBuffer_) return 2;
  const uint32_t t0 = platform::multimedia_time();
  bool delivered = false;
  if (controller_->OpenStream()) {
    TransferDescriptor descriptor{};
    descriptor.buffer = transferBuffer_.get();
    descriptor.capacity = uint32_t(transferCapacity_);
    for (int32_t repeats = 0;; ++repeats) {
      if (controller_->ReadFrameHeader(&descriptor, int32_t(kSingleFrameWaitMs)) &&
          controller_->ReadFramePayload(&descriptor, kSingleFrameWaitMs)) {
        frameBuffers_.Store(0, transferBuffer_.get());
        delivered = true;
        break;
      }
      if (platform::multimedia_time() - t0 >= kSingleFrameGiveUpMs ||
          repeats >= kSingleFrameRepeats || controller_->TransfersCancelled())
        break;
    }
  }
  transferFailed_ = !delivered;
  EndTransfer(delivered);
  return 0;
}

int32_t CVelmorU3K7Base::SyncFrameCounter() {
  int32_t ok = 0;
  const int32_t counter = ReadFpgaRegister(kFrameCounterRegister, &ok);
  if (!ok) return 0;
  lastFrameCounter_ = counter;
  return 1;
}

// ---- frame buffers ----------------------------------------------------------

int32_t CVelmorU3K7Base::PrepareFrameBuffers() {
  // The buffers a running transfer writes into stay until the next start.
  if (running_) {
    buffersDirty_ = true;
    return 0;
  }
  transferBuffer_.reset();
  transferCapacity_ = 0;
  if (!sensor_) return 0;
  const SensorInfo &info = sensor_->info();
  const FrameGeometry geometry{info.width, info.height, pixelDepth_ != 0 ? 2 : 1};
  const std::size_t size = geometry.bufferSize();
  if (size > std::size_t(INT32_MAX)) return 0;
  try {
    transferBuffer_ = std::make_unique_for_overwrite<uint8_t[]>(size);
  } catch (const std::bad_alloc &) {
    return 0;
  }
  transferCapacity_ = int32_t(size);
  if (!frameBuffers_.Allocate(geometry)) return 0;

  WriteFpgaRegister(0x44, info.width & 0xFF);
  WriteFpgaRegister(0x45, (info.width >> 8) & 0xFF);
  WriteFpgaRegister(0x40, info.height & 0xFF);
  WriteFpgaRegister(0x41, (info.height >> 8) & 0xFF);
  WriteFpgaRegister(0x48, info.readoutMode == 0 ? 68 : 36);
  WriteFpgaRegister(0x49, 0);
  WriteFpgaRegister(0x4C, 4);
  WriteFpgaRegister(0x4D, 0);
  buffersDirty_ = false;
  return 1;
}

// ---- frame hand-off ---------------------------------------------------------

int32_t CVelmorU3K7Base::WaitForFrame(int32_t milliseconds) {
  if (transferFailed_) return 1;
  const std::shared_ptr<platform::Event> event = FrameEvent();
  if (!event || !event->wait(milliseconds)) return 2;
  if (framesPublished_ != framesTaken_) return 3;
  // The signal of a transfer that failed during the wait: a caller that
  // arms a new capture next would never see the failure otherwise.
  return transferFailed_ ? 1 : 2;
}

int32_t CVelmorU3K7Base::CopySlot(uint8_t *destination, int32_t size, int32_t slot,
                                  int32_t orientation) {
  if (destination == nullptr || size < 0) return 0;
  const int32_t code = sensor_ ? sensor_->info().readoutOrientation : 0;
  return frameBuffers_.Read(slot, [&](const uint8_t *frame, const FrameGeometry &geometry) {
    if (std::size_t(size) < geometry.frameSize()) return false;
    CopyOriented(destination, frame, geometry, OrientationFor(code, orientation));
    return true;
  });
}

int32_t CVelmorU3K7Base::CopyFrame(uint8_t *destination, int32_t size, int32_t fromSingle,
                                   int32_t orientation) {
  return CopySlot(destination, size, fromSingle ? 0 : NewestSlot(writeIndex_), orientation);
}

// `capacity` is the size of the caller's buffer in bytes; 0 means the caller
// vouches for a buffer that holds a frame of the current geometry. A frame
// that does not fit is not copied (-1), so a geometry change that the caller
// has not caught up with can never write past its buffer.
int32_t CVelmorU3K7Base::GetNextImage(uint8_t *destination, int32_t capacity, int32_t, int32_t,
                                      int32_t orientation) {
  // A frame published during the copy stays new for the next wait.
  const uint64_t published = framesPublished_;
  const int32_t written = writeIndex_;
  const int32_t copied =
      CopySlot(destination, capacity > 0 ? capacity : INT32_MAX, NewestSlot(written), orientation);
  readIndex_ = written;
  const uint64_t taken = framesTaken_.exchange(published);
  if (published > taken + 1) framesSkipped_ += published - taken - 1;
  return copied ? 0 : -1;
}

int32_t CVelmorU3K7Base::GetLatestImage(uint8_t *destination, int32_t capacity, int32_t, int32_t,
                                        int32_t orientation) {
  if (destination == nullptr) return -2;
  return CopyFrame(destination, capacity > 0 ? capacity : INT32_MAX, 1, orientation) ? 0 : -1;
}

// ---- settings that change the transfer ------------------------------------

int32_t CVelmorU3K7Base::SetBitDepth(int32_t code) {
  Plain<&CSensorBase::SetBitDepth, 0>(code);
  if (!WriteFpgaRegister(kOutputDepthRegister, code == 1 ? 2 : 1)) return 0;
  if (code == pixelDepth_) return 1;
  pixelDepth_ = code;
  PrepareFrameBuffers();
  return 1;
}

int32_t CVelmorU3K7Base::SetTriggerMode(int32_t mode, int32_t force) {
  const std::lock_guard control(captureControl_);
  if (!sensor_) return 0;
  if (!force && mode == triggerMode_) return 1;
  StopCapture();
  CreateFrameEvent();
  sensor_->SetTriggerMode(mode);
  if (mode == 1) SyncFrameCounter();
  triggerMode_ = mode;
  return 1;
}

}  // namespace velmor
