// CVelmor: the session object behind one handle. It owns the camera engine
// and the images frames pass through, keeps every setting the host sees,
// runs the acquisition thread and reports errors.
#pragma once

#include <atomic>
#include <optional>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "dialogs/CameraDialogModel.h"
#include "engine/VelmorUSB3K7SimpleSdk.h"
#include "imaging/DibImage.h"
#include "imaging/MaskCorrection.h"
#include "imaging/FilterChain.h"
#include "platform/PreviewWindow.h"
#include "platform/DeviceNotifications.h"
#include "platform/Event.h"
#include "session/ErrorHistory.h"
#include "settings/ConfigFile.h"
#include "session/LiveFilterValues.h"
#include "session/AnalogChange.h"
#include "session/Recorder.h"
#include "session/FrameCallback.h"
#include "session/FrameStatistics.h"
#include "settings/SessionSettings.h"
#include "velmor/velmor.h"

namespace velmor {

namespace dialogs {
class AnalogDialogModel;
class ImageDialogModel;
}  // namespace dialogs

// Acquisition states.
enum AcquisitionState : int32_t {
  kIdle = 0,
  kPreviewing = 1,
  kCapturePrepared = 2,
  kTriggered = 3,
};

// runFlag values.
enum RunFlag : int32_t { kStop = 0, kRun = 1, kPaused = 2 };

// Colour modes whose raw frames are 16-bit (16, 48 and 64 bits per pixel).
inline bool Uses16BitRaw(int32_t mode) { return mode == 1 || mode == 4 || mode == 5; }

// Readout modes reduce the window by 2 (1, 17), 4 (2, 18) or 8 (3, 19).
inline int32_t SubsampleDivisor(int32_t mode) {
  switch (mode) {
    case 1:
    case 17:
      return 2;
    case 2:
    case 18:
      return 4;
    case 3:
    case 19:
      return 8;
    default:
      return 1;
  }
}

// Bits per pixel of the colour modes 0 to 5.
inline constexpr int32_t kColourModeBits[] = {8, 16, 24, 32, 48, 64};

// Rows of the name tables of EnumerateNames.
inline constexpr int32_t kNameRows = 10;
inline constexpr int32_t kNameLength = 256;

class CVelmor {
 public:
  static constexpr int32_t kProductId = 0x32F0;

  CVelmor();
  virtual ~CVelmor();
  CVelmor(const CVelmor &) = delete;
  CVelmor &operator=(const CVelmor &) = delete;

  // Lifecycle (Velmor.cpp).
  int32_t InitializeSession(VELMOR_HWND window);
  int32_t SelectDevice(int32_t number);
  int32_t CloseSession();

  // Camera names and identity (DeviceIdentity.cpp).
  int32_t EnumerateNames(char (*table)[kNameLength]);
  int32_t EnumerateNames(wchar_t (*table)[kNameLength]);
  int32_t QueryDeviceName(int32_t index, char *buffer, int32_t size);
  int32_t QueryDeviceName(int32_t index, wchar_t *buffer, int32_t size);
  int32_t QuerySerialNumber(char *buffer, int32_t size);
  int32_t QuerySerialNumber(wchar_t *buffer, int32_t size);
  int32_t QueryCameraInfo(VELMOR_CAMERA_INFO *record);

  // Acquisition (Acquisition.cpp).
  int32_t StartAcquisition();
  // The session part of a triggered start: preparation, trigger mode, the
  // thread in trigger mode.
  int32_t StartTriggerAcquisition();
  int32_t StopAcquisition();
  // Where delivered frames go: the frame message window and the host's
  // buffer with its size and row order (not 0: top row first).
  void SetFrameTarget(VELMOR_HWND window, uint8_t *buffer, int32_t size, int32_t rowOrder);
  int32_t CopyToHost(const imaging::DibImage &image, int32_t rowOrder, uint8_t *buffer,
                     int32_t size);

  // Image retrieval (ImageRetrieval.cpp).
  int32_t Preview();
  int32_t CallBackPreview(VELMOR_HWND window, uint8_t *buffer, int32_t size, int32_t rowOrder);
  int32_t Trigger(VELMOR_HWND window, uint8_t *buffer, int32_t size, int32_t rowOrder);
  int32_t Capture();
  int32_t SnapShot(uint8_t *buffer, int32_t size, int32_t rowOrder);
  int32_t GetImage(uint8_t *buffer, int32_t size, int32_t rowOrder);

  // Where the preview window goes and the readout window (CaptureWindow.cpp).
  int32_t SetPreviewWindow(VELMOR_HWND parent, int32_t x, int32_t y, int32_t width,
                           int32_t height);
  int32_t SetCaptureWindow(int32_t width, int32_t height);
  // TH, EHS, EH, TV, EVS, EV of `window`; its Buf is not used.
  int32_t SetCaptureWindowEx(const CaptureGeometry &window);

  // Output format and orientation (OutputFormat.cpp).
  int32_t SetColourModeBits(int32_t bits);
  // Bits per pixel of the colour mode, -1 for an invalid one.
  int32_t ColourModeBits() const;
  int32_t SetSubSample(int32_t mode);
  int32_t subSample() const { return subSample_.load(); }
  int32_t SetWaitTime(int32_t milliseconds);
  int32_t SetMirror(bool vertical, int32_t flag);
  int32_t GetMirror(bool vertical);
  int32_t SetAutoIris(int32_t mode);
  int32_t autoIris() const;

  // The preview window of the running start, or null (PreviewWindow.cpp).
  const platform::PreviewWindow *previewWindow() const { return previewWindow_.get(); }

  // Capture preparation (CaptureSetup.cpp).
  int32_t PrepareCapture();
  // The readout window fits the sensor and the readout mode is one this
  // camera takes.
  bool GeometryValid() const;

  // The host's frame callback and what acquisition delivered and lost
  // (FrameDelivery.cpp).
  FrameCallback &frameCallback() { return frameCallback_; }
  bool FillStatistics(VELMOR_STATISTICS &out) const;

  // Records code as the newest error and posts it to the notification
  // window when there is one.
  void ReportError(int32_t code);
  // Posts code to the notification window without recording it and without
  // checking the window (a null window simply receives nothing).
  void PostErrorOnly(int32_t code) const;
  // Velmor_GetLastError: removes and returns the newest code.
  int32_t PopLastError() { return errorHistory_.Pop(); }
  const ErrorHistory &errorHistory() const { return errorHistory_; }

  VELMOR_HWND notifyWindow() const { return notifyWindow_.load(); }
  VELMOR_HWND callbackWindow() const { return callbackWindow_.load(); }
  void setCallbackWindow(VELMOR_HWND window) { callbackWindow_.store(window); }

  CVelmorUSB3K7SimpleSdk *engine() const { return engine_.get(); }
  int32_t state() const { return state_.load(); }
  int32_t colourMode() const { return colourMode_.load(); }
  int32_t waitTime() const { return waitTime_.load(); }
  int32_t deviceNumber() const { return deviceNumber_; }
  int32_t imageReady() const { return imageReady_.load(); }
  const CaptureGeometry &geometry() const { return geometry_; }
  // Stores the readout window; the camera and the images follow it at the
  // next capture preparation.
  void SetGeometry(const CaptureGeometry &geometry) { geometry_ = geometry; }
  const AnalogValues &analog() const { return analog_; }
  FilterValues filters() const { return filters_.Snapshot(); }
  const VELMOR_FRAME_RECORD &frameRecord() const { return frameRecord_; }
  // The image the colour mode delivers, or null.
  imaging::DibImage *CurrentImage() const;
  // The image lock: held from fetch to hand-off of every frame.
  std::recursive_mutex &frameLock() { return frameLock_; }

  // Mask correction, mask files and configuration files (MaskCalibration.cpp).
  // kind 0 captures the dark reference, 1 the bright one, from the last
  // full-size raw frame.
  int32_t UpdateMaskData(int32_t kind);
  int32_t LoadMaskFile(const char *path);
  int32_t LoadMaskFile(const wchar_t *path);
  int32_t SaveMaskFile(const char *path);
  int32_t SaveMaskFile(const wchar_t *path);
  int32_t LoadConfigFile(const char *path);
  int32_t LoadConfigFile(const wchar_t *path);
  // The switches of filter values 103 and 102: 0 or 1, else 0 is returned
  // and nothing stored.
  int32_t SetMaskFilter(int32_t on);
  int32_t SetDotFilter(int32_t on);
  int32_t maskFilter() const { return maskFilterOn_; }
  int32_t dotFilter() const { return dotFilterOn_; }
  // The configuration list; read under the image lock.
  const std::vector<ConfigPair> &configList() const { return configList_; }
  const imaging::MaskCorrection &maskCorrection() const { return maskCorrection_; }

  // Still image files (StillImageSaving.cpp).
  // Writes the current image as `fileType`: the image lock is held only
  // while the writer copies the image, encoding runs after it.
  int32_t SaveImage(const char *path, int32_t fileType);
  // ---- Exposure in every unit, temperature, sampling rate ----------------
  // Exposure in 0.1 ms units from a host (AnalogControls.cpp): outside the
  // engine's exposure range code 9 and 0; else stored, applied, the seconds
  // refreshed from the engine where it keeps them, 1.
  int32_t SetExposureUnits(int32_t units);
  // ExposureControls.cpp: the seconds form where the engine supports it
  // (code 11 where not), the microsecond form over the 0.1 ms units, the
  // temperature and the sampling rate handed to the engine.
  int32_t SetExposureSeconds(double seconds);
  double GetExposureSeconds(int32_t *ok);
  int32_t SetExposureMicroseconds(int32_t microseconds);
  int32_t GetExposureMicroseconds(int32_t *ok) const;
  double GetTemperatureEx(int32_t *ok);
  int32_t SetSamplingRate(int32_t rate);

  // Settings dialogs (SettingsDialogs.cpp): modal on the calling thread;
  // 1, or 0 (error 1 recorded) without an open camera.
  int32_t RunAnalogDialog(VELMOR_HWND parent);
  int32_t RunImageDialog(VELMOR_HWND parent);
  int32_t RunCameraDialog(VELMOR_HWND parent);
  // Called by whatever changes the camera's gain or exposure or the filter
  // values behind an open dialog (automatic exposure and gain, a host's
  // global gain, white balance, automatic grey gains), so that the dialog
  // shows the new values. Safe from any thread.
  void ShowGainInDialog(int32_t gain);
  void ShowExposureInDialog(int32_t units);
  void ShowFiltersInDialog();

  // ---- Filter values, the filter chain, automatic exposure ---------------
  // Filter values and the global gain as hosts set them (FilterTable.cpp).
  // The filter-value table: 1 or the value, 0 with the
  // code recorded on failure; `ok` (may be null) says which.
  int32_t SetFilterValue(int32_t id, int32_t value);
  int32_t GetFilterValue(int32_t id, int32_t *ok);
  // The global gain within the engine's limits (else code 9), kept as the
  // gain and the four colour gains, then set.
  int32_t SetGlobalGain(int32_t gain);
  // Recording (Recording.cpp): the preview recorded into an AVI file for
  // `durationMs`, with the preview window when `show` is set and one is
  // wanted.
  int32_t StartRecording(const char *path, int32_t durationMs, int32_t show);
  int32_t StartRecording(const wchar_t *path, int32_t durationMs, int32_t show);
  Recorder &recorder() { return recorder_; }
  // The acquisition thread is wanted (not stopped or ended by itself).
  bool Acquiring() const { return runFlag_.load() != kStop; }

 private:
  // Velmor.cpp
  void CreateImages();
  void DestroyImages();
  void SaveCameraSettings();
  void ApplyGainAndExposure();
  void ReapplyAnalogValues();
  // Registers the notification window for camera arrival and removal.
  bool RegisterDeviceNotices(VELMOR_HWND window);

  // Acquisition.cpp
  // The check every acquisition start shares: 1 when the session already is
  // in `wanted`, 0 (error 1 recorded) without an engine or in another
  // acquisition state, nothing when it is idle and may start.
  std::optional<int32_t> CheckStartState(int32_t wanted);
  bool LaunchAcquisitionThread();
  void AcquisitionThread();
  void PreviewLoop();
  void TriggerLoop();
  // Fetches the frame the engine signalled into the raw buffer at its
  // stride; the engine's result (0 on success).
  int32_t FetchFrame(imaging::DibImage &raw);
  void FillFrameRecord(const imaging::DibImage &raw);
  void CountFrame();
  // The per-frame chain: the raw frame into the image of the colour mode.
  void ProcessFrame();
  // The raw buffer the engine fills for the colour mode.
  imaging::DibImage *RawImage() const;
  // Host copy with the frame message's failure form; false when it failed.
  bool HandOff();
  void PostFrameMessage(uintptr_t wParam, intptr_t lParam) const;

  // FrameDelivery.cpp: the processed image to the frame callback, after the
  // image lock was left.
  void DeliverToCallback();

  // Preview window (PreviewWindow.cpp).
  // Makes the window when a parent or a placement is set; false when one
  // was wanted and could not be made.
  bool OpenPreviewWindowIfWanted();
  // The image the window shows for the colour mode, reduced to 8 or 24 bits.
  const imaging::DibImage *PreviewSource();
  void DrawPreview();
  void ClosePreviewWindow();
  // The preview window's client size when it is shown and drawable.
  bool PreviewClientSize(int32_t &width, int32_t &height) const;

  // ImageRetrieval.cpp: one frame on the calling thread into the current
  // image and the host buffer; the error code, 0 on success.
  int32_t ShootFrame(uint8_t *buffer, int32_t size, int32_t rowOrder);

  // CaptureSetup.cpp
  void ApplyCaptureSettings();
  bool SizeImages(int32_t width, int32_t height);

  std::unique_ptr<CVelmorUSB3K7SimpleSdk> engine_;
  std::unique_ptr<imaging::DibImage> raw8_, raw16_;
  std::unique_ptr<imaging::DibImage> colour24_, colour32_, colour48_, colour64_;
  std::unique_ptr<imaging::DibImage> outputCopy_;
  std::unique_ptr<imaging::DibImage> display_;
  // The preview window with its device context.
  std::unique_ptr<platform::PreviewWindow> previewWindow_;
  char windowClassName_[256] = {};
  CaptureGeometry geometry_;
  LiveFilterValues filters_;
  AnalogValues analog_;
  int32_t realExposureMicros_ = 0;
  mutable std::recursive_mutex frameLock_;
  int32_t openedOnce_ = 0;
  std::atomic<int32_t> runFlag_{kStop};
  // Joining the thread is the wait for its end.
  std::thread acquisitionThread_;
  // The running acquisition thread's id, stored by the thread itself: a stop
  // tells from it, before taking any lock, whether it stops itself.
  std::atomic<std::thread::id> acquisitionThreadId_{};
  // Taken around the trigger loop's arming and the stop's StopCapture, so a
  // capture is never armed behind a stop (nothing would end its frame wait)
  // and the engine never starts and stops a capture at once.
  std::mutex captureLock_;
  VELMOR_HWND previewParent_ = nullptr;
  int32_t previewRect_[4] = {0, 0, kSensorSize, kSensorSize};
  std::atomic<VELMOR_HWND> notifyWindow_{nullptr};
  std::atomic<VELMOR_HWND> callbackWindow_{nullptr};
  uint8_t *hostBuffer_ = nullptr;
  int32_t hostBufferSize_ = 0;
  int32_t hostRowOrder_ = 0;
  VELMOR_FRAME_RECORD frameRecord_{};
  std::atomic<int32_t> state_{kIdle};
  // The host's choice; the frames follow frameColourMode_, which takes it
  // over at each capture preparation (under the image lock).
  std::atomic<int32_t> colourMode_{0};
  std::atomic<int32_t> subSample_{0};
  std::atomic<int32_t> waitTime_{10};
  int32_t clock_ = 0;
  std::atomic<int32_t> imageReady_{0};
  std::atomic<int32_t> fpsTimesTen_{0};
  int32_t fpsFrames_ = 0;
  uint32_t fpsPeriodStart_ = 0;
  ErrorHistory errorHistory_;
  FrameCallback frameCallback_;
  FrameStatistics statistics_;
  int32_t snapTimeout_ = 3000;
  std::atomic<int32_t> skipNextTrigger_{0};
  int32_t deviceNumber_ = 0;
  std::atomic<int32_t> maskFilterOn_{0};
  std::atomic<int32_t> dotFilterOn_{0};
  std::unique_ptr<SessionSettings> settings_;
  // Camera arrival and removal notices for the notification window.
  std::unique_ptr<platform::DeviceNotification> deviceNotices_;

  // ---- call order and thread safety ----
  // Ends a loop that can no longer get frames: run flag cleared, frame
  // message with code 13 and the error notice.
  void StopLoopWithFrameWaitError();
  // Serialises the host's starts, stops, shots, camera and format changes on
  // this session. The acquisition thread takes it only when the frame
  // callback calls in, through HoldControl, which never waits for it while a
  // stop holds it: that stop joins the acquisition thread.
  std::recursive_mutex controlLock_;
  using ControlHold = std::unique_lock<std::recursive_mutex>;
  // The control lock for a call; not held (and code 1 reported) when the
  // frame callback calls in while another thread's stop holds it.
  ControlHold HoldControl();
  // Set by a stop, reset by a start: ends the loop's wait time at once.
  platform::Event stopSignal_{true};
  // The colour mode the images were prepared for; what the frame path uses.
  std::atomic<int32_t> frameColourMode_{0};
  // A camera was opened by the last selection (a failed open leaves none).
  std::atomic<bool> cameraOpen_{false};

  // Mask correction and configuration files (MaskCalibration.cpp).
  // Where the raw frame lies on the sensor, for the mask references.
  imaging::FramePlacement RawPlacement() const;
  // The references and maps, guarded by their own mask lock.
  imaging::MaskCorrection maskCorrection_;
  // Pairs of the last configuration file loaded; replaced under the image lock.
  std::vector<ConfigPair> configList_;
  // Settings dialogs (SettingsDialogs.cpp).
  friend class SessionFilterStore;
  friend class SessionPresetStore;
  // The kept filter values back in place after a cancelled image dialog.
  void RestoreFilterValues(const FilterValues &kept);
  // The stored readout window and output format taken up after the camera
  // dialog's OK; the output format alone at initialisation.
  void ReloadCameraSettings();
  void ReloadOutputFormat();
  // Guards the open dialogs' pointers: the refreshes come from other
  // threads and must not reach a dialog that has closed.
  std::mutex dialogLock_;
  dialogs::AnalogDialogModel *openAnalogDialog_ = nullptr;
  dialogs::ImageDialogModel *openImageDialog_ = nullptr;
  // The per-frame filters (FilterTable.cpp, FrameFilters.cpp).
  void LoadFilters(int32_t camera);
  void SaveFilters(int32_t camera);
  // Automatic exposure or gain for one frame, when AutoIris asks for it.
  void RunAutoIris(imaging::DibImage &frame);
  void MirrorRawInSoftware(imaging::DibImage &raw);
  // Keeps the gains the chain measured and tells the listener.
  void KeepMeasurements(const FilterValues &values, const imaging::ChainMeasurements &measured);
  imaging::FilterChain chain_;
  // Recording: the thread and its file; destroyed first, so its thread
  // never outlives the images it reads.
  Recorder recorder_{*this};
};

}  // namespace velmor
