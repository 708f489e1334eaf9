// The fault matrix: every start mode against every fault of the emulated
// camera, applied before the first frame and while frames flow. Each cell
// runs on a camera and session of its own, all cells of one fault at once,
// so the matrix costs about one fault's time per fault. A cell checks the
// code the host is told and how soon, that the stop returns within one wait
// time plus one frame wait, and that after the fault is cleared (and the
// camera replugged and selected again) frames flow.
#include <chrono>
#include <future>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "../session/SessionFixture.h"
#include "transport/VelmorCy3Cam.h"

namespace velmor {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

enum class Mode { kPreview, kCallbackPreview, kTrigger, kCaptureSnapshot, kSnapshot };
constexpr Mode kModes[] = {Mode::kPreview, Mode::kCallbackPreview, Mode::kTrigger,
                           Mode::kCaptureSnapshot, Mode::kSnapshot};
const char *Name(Mode mode) {
  constexpr const char *kNames[] = {"preview", "callback preview", "trigger", "capture + snapshot",
                                    "snapshot"};
  return kNames[int(mode)];
}
bool Streams(Mode mode) { return mode <= Mode::kTrigger; }

struct Fault {
  const char *knob;
  int value;
  bool fails;                  // the host is told within `bound`; else frames keep coming
  int32_t streamingCode;       // what a streaming mode is told
  int32_t shotCode;            // what a prepared shot is told
  int32_t unpreparedShotCode;  // what a shot that prepares the camera first is told (0: fine)
  std::chrono::milliseconds bound;
};

// The retry budget of the cells: one header read per frame attempt and a
// short payload time-out, so that a stall is given up after about 1 s.
constexpr int kHeaderAttempts = 1;
constexpr int32_t kPayloadTimeoutMs = 300;
// The longest a stop may take: the wait time (10 ms) plus one frame wait.
constexpr auto kStopBound = 3010ms;
constexpr int32_t kSide = 640;
constexpr int32_t kRows = 64;

const Fault kFaults[] = {
    {"unplug", 1, true, VELMOR_ERROR_FRAME_WAIT, VELMOR_ERROR_FRAME, VELMOR_ERROR_NOT_PRESENT,
     1000ms},
    // Five failed attempts of one header read each (a triggered camera's
    // attempts wait for their triggers too), or a payload time-out.
    {"stall", 1, true, VELMOR_ERROR_FRAME_WAIT, VELMOR_ERROR_FRAME, VELMOR_ERROR_FRAME, 6000ms},
    {"fail_payload", 5, true, VELMOR_ERROR_FRAME_WAIT, VELMOR_ERROR_FRAME, VELMOR_ERROR_FRAME,
     1000ms},
    {"drop_headers", 2, false, 0, 0, 0, 0ms},
    // The sensor is not needed while the settings stay as they are.
    {"sensor_busy", 1, false, 0, 0, 0, 0ms},
    {"eeprom_stuck", 1, false, 0, 0, 0, 0ms},
};

constexpr uint32_t kSeed = 20261208;

class FaultMatrixTest : public SessionFixture {};

// One cell: its camera, its session and its message windows.
class Cell {
 public:
  Cell(int camera, Mode mode, const Fault &fault, bool streaming, uint32_t seed)
      : camera_(camera), mode_(mode), fault_(fault), streaming_(streaming), random_(seed) {}

  // The whole cell on the calling thread, which owns its message windows.
  void Run() {
    SCOPED_TRACE(Describe());
    notices_ = Velmor_CreateMessageWindow();
    frames_ = Velmor_CreateMessageWindow();
    RunCell();
    if (handle_) Velmor_Release(handle_);
    Velmor_DestroyMessageWindow(notices_);
    Velmor_DestroyMessageWindow(frames_);
  }

 private:
  void RunCell() {
    handle_ = Velmor_Initialize(notices_);
    ASSERT_NE(handle_, 0);
    ASSERT_EQ(Velmor_SetDeviceNumber(handle_, camera_), 1);
    ASSERT_EQ(Velmor_SetPreviewWindow(handle_, nullptr, 0, 0, 0, 0), 1);
    ASSERT_EQ(Velmor_SetColorMode(handle_, 8), 1);
    ASSERT_EQ(Velmor_SetCaptureWindowEx(handle_, 0, 0, kSide, 0, 0, kRows), 1);
    if (mode_ == Mode::kTrigger) {
      ASSERT_EQ(Velmor_EmulatorSet(camera_, "trigger_mode", 1), 1);
    }
    CVelmorCy3Cam *controller = SdkChain().SessionOf(handle_)->engine()->controller();
    ASSERT_NE(controller, nullptr);
    controller->SetHeaderAttempts(kHeaderAttempts);

    ASSERT_NO_FATAL_FAILURE(Start());
    SdkChain().SessionOf(handle_)->engine()->SetTransferTimeout(kPayloadTimeoutMs);
    if (streaming_) {
      ASSERT_NO_FATAL_FAILURE(ExpectFrame());
      std::this_thread::sleep_for(std::chrono::milliseconds(random_() % 30));
    }
    ASSERT_EQ(Velmor_EmulatorSet(camera_, fault_.knob, fault_.value), 1);
    if (mode_ == Mode::kSnapshot && fault_.unpreparedShotCode != 0) {
      ExpectShotFailure(fault_.unpreparedShotCode);
    } else if (fault_.fails) {
      if (Streams(mode_))
        ExpectStreamFailure();
      else
        ExpectShotFailure(fault_.shotCode);
    } else {
      ExpectFrame();
      EXPECT_EQ(Velmor_GetLastError(handle_), 0) << "a fault the camera gets over was reported";
    }
    ASSERT_NO_FATAL_FAILURE(Stop());

    // Cleared, replugged, selected again: frames flow.
    ASSERT_EQ(Velmor_EmulatorSet(camera_, fault_.knob, 0), 1);
    ASSERT_EQ(Velmor_EmulatorSet(camera_, "unplug", 0), 1);
    ASSERT_EQ(Velmor_SetDeviceNumber(handle_, camera_), 1) << Velmor_GetLastError(handle_);
    ASSERT_EQ(Velmor_SetCaptureWindowEx(handle_, 0, 0, kSide, 0, 0, kRows), 1);
    while (Velmor_GetLastError(handle_) != 0) {
    }
    Drain(frames_);
    ASSERT_NO_FATAL_FAILURE(Start());
    ExpectFrame();
    Stop();
  }

  std::string Describe() const {
    return std::string(Name(mode_)) + " / " + fault_.knob +
           (streaming_ ? " while streaming" : " before the first frame");
  }
  static void Drain(VELMOR_HWND window) {
    for (VELMOR_MSG message; Velmor_WaitMessage(window, &message, 0) == 1;) {
    }
  }

  void Start() {
    int32_t started = 1;
    switch (mode_) {
      case Mode::kPreview:
        started = Velmor_Preview(handle_);
        break;
      case Mode::kCallbackPreview:
        started = Velmor_CallBackPreview(handle_, frames_, nullptr, 0, 1);
        break;
      case Mode::kTrigger:
        started = Velmor_Trigger(handle_, frames_, nullptr, 0, 1);
        break;
      case Mode::kCaptureSnapshot:
        started = Velmor_Capture(handle_);
        break;
      case Mode::kSnapshot:
        break;  // each shot starts by itself
    }
    ASSERT_EQ(started, 1) << "code " << Velmor_GetLastError(handle_);
  }

  int32_t Shoot() {
    std::vector<uint8_t> image(std::size_t(kSide) * kRows);
    return Velmor_SnapShot(handle_, image.data(), int32_t(image.size()), 1);
  }

  // A delivered frame: a shot, a frame message, or (preview, which has no
  // frame window) a new image.
  void ExpectFrame() {
    const auto deadline = Clock::now() + 3s;
    switch (mode_) {
      case Mode::kCaptureSnapshot:
      case Mode::kSnapshot:
        ASSERT_EQ(Shoot(), 1) << "code " << Velmor_GetLastError(handle_);
        return;
      case Mode::kPreview: {
        int sent = 0, before = 0;
        Velmor_EmulatorGet(camera_, "frames_sent", &before);
        while ((Velmor_EmulatorGet(camera_, "frames_sent", &sent), sent < before + 2) &&
               Clock::now() < deadline)
          std::this_thread::sleep_for(5ms);
        ASSERT_GE(sent, before + 2) << "no frames within 3 s";
        return;
      }
      case Mode::kCallbackPreview:
      case Mode::kTrigger:
        for (;;) {
          if (mode_ == Mode::kTrigger) Velmor_EmulatorSet(camera_, "trigger", 1);
          VELMOR_MSG message{};
          if (Velmor_WaitMessage(frames_, &message, 50) == 1) {
            ASSERT_EQ(message.lParam, 0) << "a failed frame instead of a frame";
            return;
          }
          ASSERT_LT(Clock::now(), deadline) << "no frame message within 3 s";
        }
    }
  }

  void ExpectShotFailure(int32_t code) {
    const auto start = Clock::now();
    EXPECT_EQ(Shoot(), 0) << "a shot of a broken camera succeeded";
    EXPECT_EQ(Velmor_GetLastError(handle_), code);
    if (fault_.bound.count() > 0) {
      EXPECT_LT(Clock::now() - start, fault_.bound);
    }
  }

  // The error notice within the bound, and for a frame window the failed
  // frame message. A triggered camera is triggered meanwhile: only a
  // trigger makes it try to send.
  void ExpectStreamFailure() {
    const auto start = Clock::now();
    VELMOR_MSG notice{};
    for (;;) {
      if (mode_ == Mode::kTrigger) Velmor_EmulatorSet(camera_, "trigger", 1);
      if (Velmor_WaitMessage(notices_, &notice, 10) == 1 || Clock::now() - start > fault_.bound)
        break;
    }
    EXPECT_EQ(notice.lParam, fault_.streamingCode)
        << "no notice within " << fault_.bound.count() << " ms";
    if (mode_ == Mode::kPreview) return;
    VELMOR_MSG message{};
    do {
      if (Velmor_WaitMessage(frames_, &message, 100) != 1) break;
    } while (message.lParam == 0);
    EXPECT_EQ(message.lParam, fault_.streamingCode) << "no failed frame message";
  }

  void Stop() {
    const auto start = Clock::now();
    EXPECT_EQ(Streams(mode_) ? Velmor_StopPreview(handle_) : Velmor_Close(handle_), 1);
    EXPECT_LT(Clock::now() - start, kStopBound) << "the stop took too long";
  }

  const int camera_;
  const Mode mode_;
  const Fault &fault_;
  const bool streaming_;
  std::minstd_rand random_;
  int32_t handle_ = 0;
  VELMOR_HWND notices_ = nullptr;
  VELMOR_HWND frames_ = nullptr;
};

TEST_F(FaultMatrixTest, EveryModeReportsEveryFaultAndRecovers) {
  std::printf("fault matrix seed %u\n", kSeed);
  SCOPED_TRACE("seed " + std::to_string(kSeed));
  std::minstd_rand seeds(kSeed);
  for (const Fault &fault : kFaults) {
    Hub().Clear();
    Hub().SetDefaults(emulator::Pattern::Ramp, 50);
    std::vector<std::unique_ptr<Cell>> cells;
    for (bool streaming : {false, true})
      for (Mode mode : kModes) {
        Hub().Add(emulator::kDefaultProductId);
        cells.push_back(std::make_unique<Cell>(int(cells.size()), mode, fault, streaming, seeds()));
      }
    std::vector<std::future<void>> running;
    for (auto &cell : cells)
      running.push_back(std::async(std::launch::async, [&] { cell->Run(); }));
    for (auto &run : running)
      ASSERT_EQ(run.wait_for(30s), std::future_status::ready) << fault.knob << ": a cell hangs";
  }
}

// A sensor that never answers fails the open with code 2 within a few
// seconds instead of leaving a session that only looks as if it worked.
TEST_F(FaultMatrixTest, OpeningACameraWithABusySensorFailsQuickly) {
  AddCameras(1);
  ASSERT_EQ(Velmor_EmulatorSet(0, "sensor_busy", 1), 1);
  const auto start = Clock::now();
  const int32_t handle = Open(notices);
  EXPECT_LT(Clock::now() - start, 3s);
  ASSERT_EQ(Velmor_SetColorMode(handle, 8), 1);
  EXPECT_EQ(Velmor_GetLastError(handle), VELMOR_ERROR_NOT_PRESENT);
  std::vector<uint8_t> image(2848u * 2848u);
  EXPECT_EQ(Velmor_SnapShot(handle, image.data(), int32_t(image.size()), 1), 0);
  EXPECT_EQ(Velmor_GetLastError(handle), VELMOR_ERROR_NOT_PRESENT);
  ASSERT_EQ(Velmor_EmulatorSet(0, "sensor_busy", 0), 1);
  ASSERT_EQ(Velmor_SetDeviceNumber(handle, 0), 1);
  EXPECT_EQ(Velmor_SnapShot(handle, image.data(), int32_t(image.size()), 1), 1);
}

// A session made while its camera was away reports the camera as absent,
// not its window as wrong, once the camera is back.
TEST_F(FaultMatrixTest, ACameraAbsentAtInitialisationIsReportedAbsentAfterItReturns) {
  const int32_t handle = Open(notices);
  ASSERT_EQ(Velmor_SetPreviewWindow(handle, nullptr, 0, 0, 0, 0), 1);
  AddCameras(1);
  static char names[10][256];
  ASSERT_EQ(Velmor_EnumDevice(handle, names), 1) << "the camera is back";
  std::vector<uint8_t> image(2848u * 2848u * 2u);
  EXPECT_EQ(Velmor_SnapShot(handle, image.data(), int32_t(image.size()), 1), 0);
  EXPECT_EQ(Velmor_GetLastError(handle), VELMOR_ERROR_NOT_PRESENT);
  EXPECT_EQ(Velmor_Preview(handle), 0);
  EXPECT_EQ(Errors(handle), (std::vector<int32_t>{VELMOR_ERROR_FRAME, VELMOR_ERROR_NOT_PRESENT}));
  ASSERT_EQ(Velmor_SetDeviceNumber(handle, 0), 1);
  ASSERT_EQ(Velmor_SetColorMode(handle, 16), 1);
  EXPECT_EQ(Velmor_SnapShot(handle, image.data(), int32_t(image.size()), 1), 1);
}

}  // namespace
}  // namespace velmor
