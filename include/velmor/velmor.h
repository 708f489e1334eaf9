/**
 * @file velmor.h
 * @brief Public C interface of the Velmor S10PX camera SDK (VelmorSdk_S10PX).
 *
 * This is the only header a host includes. Every function is a plain C
 * function whose name begins with `Velmor_`.
 *
 * Conventions shared by every export:
 * - The first argument is the session handle returned by Velmor_Initialize(),
 *   except for Velmor_Initialize() and Velmor_GetDllVersion() themselves.
 * - A handle that is unknown (never issued, or already released) makes the
 *   function return its "unknown-handle value" without recording anything.
 *   That value is 0 unless the function's documentation says otherwise.
 * - Functions return 1 (or a value) on success and 0 on failure. The reason
 *   for a failure is pushed onto the session's error history (read it back
 *   with Velmor_GetLastError()) and posted to the notification window given
 *   to Velmor_Initialize() as message #VELMOR_WM_ERROR.
 * - No function throws, blocks on the host's message handling, or crashes on
 *   null pointers, bad handles or out-of-range values.
 */
#ifndef VELMOR_VELMOR_H
#define VELMOR_VELMOR_H

#include <stddef.h>
#include <stdint.h>
#include <wchar.h>

#if defined(_WIN32)
#if defined(VELMOR_BUILDING) || defined(VELMOR_STATIC)
#define VELMOR_API
#else
#define VELMOR_API __declspec(dllimport)
#endif
#else
#define VELMOR_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/**
 * @brief A host window that receives the library's posted messages.
 *
 * On Windows this is exactly the Win32 `HWND` type. Elsewhere it is an opaque
 * pointer type; message windows made with Velmor_CreateMessageWindow() are the
 * windows the library can post to there.
 */
#if defined(_WIN32)
typedef struct HWND__ *VELMOR_HWND;
#else
typedef struct VelmorWindow_ *VELMOR_HWND;
#endif

/** @name Window messages posted by the library */
/**@{*/
/** Frame message, posted to the callback window. wParam points to the
 *  session's #VELMOR_FRAME_RECORD on a delivered frame (lParam 0); on a
 *  failure wParam is 0 and lParam holds the error code (5, 8 or 13). */
#define VELMOR_WM_FRAME 0x8002u
/** Error notification, posted to the notification window: wParam 0,
 *  lParam the error code. */
#define VELMOR_WM_ERROR 0x8003u
/**@}*/

/** @name Error codes (the values kept by Velmor_GetLastError()) */
/**@{*/
#define VELMOR_ERROR_NONE 0           /**< success marker recorded by a few reads */
#define VELMOR_ERROR_NO_CAMERA 1      /**< no camera engine, or not allowed now */
#define VELMOR_ERROR_NOT_PRESENT 2    /**< the selected camera is not present */
#define VELMOR_ERROR_THREAD 3         /**< an acquisition or recording thread could not start */
#define VELMOR_ERROR_WINDOW 4         /**< a window could not be made, or no stored capture size */
#define VELMOR_ERROR_MEMORY 5         /**< memory could not be allocated, or a host buffer is too small */
#define VELMOR_ERROR_DEVICE 6         /**< a camera register operation failed */
#define VELMOR_ERROR_GEOMETRY 7       /**< readout geometry rejected */
#define VELMOR_ERROR_FRAME 8          /**< a frame could not be obtained */
#define VELMOR_ERROR_ARGUMENT 9       /**< invalid argument */
#define VELMOR_ERROR_UNUSED 10        /**< never reported */
#define VELMOR_ERROR_NOT_SUPPORTED 11 /**< the function or feature does not exist on this camera */
#define VELMOR_ERROR_CONVERSION 12    /**< text conversion or an update failed */
#define VELMOR_ERROR_FRAME_WAIT 13    /**< the frame wait failed during preview; preview stopped */
#define VELMOR_ERROR_MASK_FILE 14     /**< a mask file could not be read or written */
/**@}*/

/**
 * @brief The record that #VELMOR_WM_FRAME points to.
 *
 * It belongs to the session and is overwritten by the next frame; read it
 * while handling the message.
 */
typedef struct VELMOR_FRAME_RECORD {
  int32_t reserved;       /**< offset 0: always 0 */
  int32_t width;          /**< offset 4: width of the delivered frame in pixels */
  int32_t height;         /**< offset 8: height in rows */
  int32_t bitsPerPixel;   /**< offset 12: 8, 16, 24, 32, 48 or 64 */
  int32_t fpsTimesTen;    /**< offset 16: frames per second x 10; 0 in trigger mode */
  int32_t padding;        /**< offset 20: unused */
  void *hostBuffer;       /**< offset 24: the host buffer that received the frame, or null */
} VELMOR_FRAME_RECORD;

#if defined(__cplusplus) && __cplusplus >= 201103L
static_assert(offsetof(VELMOR_FRAME_RECORD, width) == 4, "FrameRecord layout");
static_assert(offsetof(VELMOR_FRAME_RECORD, fpsTimesTen) == 16, "FrameRecord layout");
static_assert(sizeof(void *) != 8 || offsetof(VELMOR_FRAME_RECORD, hostBuffer) == 24,
              "FrameRecord layout");
#elif defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
_Static_assert(offsetof(VELMOR_FRAME_RECORD, width) == 4, "FrameRecord layout");
_Static_assert(offsetof(VELMOR_FRAME_RECORD, fpsTimesTen) == 16, "FrameRecord layout");
_Static_assert(sizeof(void *) != 8 || offsetof(VELMOR_FRAME_RECORD, hostBuffer) == 24,
               "FrameRecord layout");
#else
/* C99: a negative array size stops the build if the layout is off. */
typedef char velmor_frame_record_width_at_4[offsetof(VELMOR_FRAME_RECORD, width) == 4 ? 1 : -1];
typedef char velmor_frame_record_fps_at_16[offsetof(VELMOR_FRAME_RECORD, fpsTimesTen) == 16 ? 1
                                                                                            : -1];
typedef char velmor_frame_record_buffer_at_24
    [sizeof(void *) != 8 || offsetof(VELMOR_FRAME_RECORD, hostBuffer) == 24 ? 1 : -1];
#endif

/* ------------------------------------------------------------------------ */
/** @name Handles and errors */
/**@{*/

/**
 * @brief Creates a session and returns its handle.
 *
 * When exactly one camera is connected it is opened at once; otherwise select
 * one with Velmor_SetDeviceNumber().
 *
 * @param notifyWindow window that receives #VELMOR_WM_ERROR for every recorded
 *        failure; may be null (then nothing is posted). It is also registered
 *        for the camera arrival and removal notices: WM_DEVICECHANGE (0x0219)
 *        with wParam DBT_DEVICEARRIVAL (0x8000) or DBT_DEVICEREMOVECOMPLETE
 *        (0x8004). Windows sends them for the camera interface class; on Linux
 *        the library posts them itself (lParam 0) where libusb reports
 *        hotplug events.
 * @return the new handle, or 0 when no session could be made. A session whose
 *         initialisation failed still gets a handle; its error history says why.
 */
VELMOR_API int32_t Velmor_Initialize(VELMOR_HWND notifyWindow);

/**
 * @brief Stops everything the session runs, closes its camera and frees it.
 * @return 1 released; 0 unknown handle (nothing happens).
 */
VELMOR_API int32_t Velmor_Release(int32_t handle);

/**
 * @brief The library version: 35521825 (0x021E0521), major 0x021E in the
 *        upper 16 bits, minor 0x0521 in the lower 16 bits. Needs no handle.
 */
VELMOR_API int32_t Velmor_GetDllVersion(void);

/**
 * @brief Removes and returns the newest code of the session's error history.
 *
 * The history keeps the 20 newest codes; each call returns the newest and
 * drops it, so repeated calls walk back to older codes and finally return 0.
 *
 * @return the newest error code (see VELMOR_ERROR_*), 0 when the history is
 *         empty; unknown handle: 0.
 */
VELMOR_API int32_t Velmor_GetLastError(int32_t handle);
/**@}*/

/* ------------------------------------------------------------------------ */
/**
 * @name Message windows (portable helpers)
 *
 * These three functions are this SDK's own addition: they let a host on any
 * platform receive #VELMOR_WM_FRAME and #VELMOR_WM_ERROR without a GUI
 * toolkit. On Windows the window is a message-only window and only the thread
 * that created it may wait on it; elsewhere any thread may wait. Each window
 * queues at most 10 000 messages; further posts are dropped, like a full
 * Win32 message queue.
 */
/**@{*/

/** @brief A message as removed by Velmor_WaitMessage(). */
typedef struct VELMOR_MSG {
  unsigned int message; /**< #VELMOR_WM_FRAME, #VELMOR_WM_ERROR, ... */
  uintptr_t wParam;
  intptr_t lParam;
} VELMOR_MSG;

/** @brief Creates a window that only receives messages; null on failure. */
VELMOR_API VELMOR_HWND Velmor_CreateMessageWindow(void);

/**
 * @brief Removes the oldest message of a message window.
 * @param window a window from Velmor_CreateMessageWindow().
 * @param out receives the message.
 * @param timeoutMs 0 polls, -1 waits without limit, otherwise the longest
 *        wait in milliseconds.
 * @return 1 when a message was removed into *out; 0 on time-out, for an
 *         unknown or destroyed window, or a null out.
 */
VELMOR_API int32_t Velmor_WaitMessage(VELMOR_HWND window, VELMOR_MSG *out, int32_t timeoutMs);

/** @brief Destroys a message window; queued messages are dropped and waiting
 *         threads return 0. Unknown windows are ignored. */
VELMOR_API void Velmor_DestroyMessageWindow(VELMOR_HWND window);
/**@}*/

/* ------------------------------------------------------------------------ */
/**
 * @name Emulated cameras
 *
 * With the environment variable VELMOR_EMULATED_CAMERAS set ("N" for N
 * cameras of product ID 0x32F0, or a comma-separated list of product IDs) the
 * library lists emulated cameras beside real ones. These functions steer
 * them, so that hosts can test their own error handling; `camera` counts the
 * emulated cameras from 0 in creation order. The keys are listed in the
 * README: knobs (pattern, fps, drop_headers, fail_payload, stall, unplug,
 * sensor_busy, eeprom_stuck, fpga_not_ready, trigger_mode, trigger,
 * info_length), counters (frames_sent, headers_sent) and register peeks
 * ("fpga:XX", "sensor:XXXX", "eeprom:XXXX", hexadecimal addresses).
 */
/**@{*/

/**
 * @brief Sets a knob of an emulated camera (or writes a register for a peek key).
 * @return 1 on success; 0 for an unknown camera or key, a null key, a
 *         read-only counter or a value the knob does not take.
 */
VELMOR_API int Velmor_EmulatorSet(int camera, const char *key, int value);

/**
 * @brief Reads a knob, counter or register of an emulated camera.
 * @param value receives the current value.
 * @return 1 on success; 0 for an unknown camera or key, a null key or a null
 *         value pointer.
 */
VELMOR_API int Velmor_EmulatorGet(int camera, const char *key, int *value);
/**@}*/

/* ------------------------------------------------------------------------ */
/** @name Camera selection and identification */
/**@{*/

/** @brief The camera-information record filled by Velmor_GetCameraInfo().
 *  The host sets `size` to the bytes it provides: at least 36; 56 (the whole
 *  record) also gets the real exposure limits. */
typedef struct VELMOR_CAMERA_INFO {
  int32_t size;            /**< offset 0: set by the host */
  int32_t maxWidth;        /**< offset 4: 2848 */
  int32_t maxHeight;       /**< offset 8: 2848 */
  int32_t gainMin;         /**< offset 12 */
  int32_t gainMax;         /**< offset 16 */
  int32_t colourGainMin;   /**< offset 20 */
  int32_t colourGainMax;   /**< offset 24 */
  int32_t exposureMin;     /**< offset 28: 0.1 ms units */
  int32_t exposureMax;     /**< offset 32: 0.1 ms units */
  int32_t reserved;        /**< offset 36: never written */
  double realExposureMin;  /**< offset 40: seconds; written when size >= 56 */
  double realExposureMax;  /**< offset 48: seconds; written when size >= 56 */
} VELMOR_CAMERA_INFO;

#if defined(__cplusplus) && __cplusplus >= 201103L
static_assert(offsetof(VELMOR_CAMERA_INFO, exposureMax) == 32, "camera information layout");
static_assert(offsetof(VELMOR_CAMERA_INFO, realExposureMin) == 40, "camera information layout");
static_assert(sizeof(VELMOR_CAMERA_INFO) == 56, "camera information layout");
#elif defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
_Static_assert(offsetof(VELMOR_CAMERA_INFO, exposureMax) == 32, "camera information layout");
_Static_assert(offsetof(VELMOR_CAMERA_INFO, realExposureMin) == 40, "camera information layout");
_Static_assert(sizeof(VELMOR_CAMERA_INFO) == 56, "camera information layout");
#else
typedef char velmor_camera_info_exposure_at_32
    [offsetof(VELMOR_CAMERA_INFO, exposureMax) == 32 ? 1 : -1];
typedef char velmor_camera_info_real_at_40
    [offsetof(VELMOR_CAMERA_INFO, realExposureMin) == 40 ? 1 : -1];
typedef char velmor_camera_info_size_56[sizeof(VELMOR_CAMERA_INFO) == 56 ? 1 : -1];
#endif

/**
 * @brief Opens camera `number` (0-based, in enumeration order) and re-applies
 *        the session's analog settings to it.
 * @return 1 opened; 0 failed: 1 without camera engine, 2 when the camera is
 *         absent or cannot be opened. Unknown handle: 0.
 */
VELMOR_API int32_t Velmor_SetDeviceNumber(int32_t handle, int32_t number);

/**
 * @brief Stops acquisition and recording; the camera stays open and the
 *        session usable.
 * @return 1, also when called again. Unknown handle: 0.
 */
VELMOR_API int32_t Velmor_Close(int32_t handle);

/**
 * @brief Writes "VelmorS10PX_01", "VelmorS10PX_02", ... for the connected
 *        cameras (at most 10) into the rows of `names`; the other rows become
 *        empty strings.
 * @return the number of names written; 0 with code 1 without camera engine,
 *         9 for a null table. Unknown handle: 0.
 */
VELMOR_API int32_t Velmor_EnumDevice(int32_t handle, char names[10][256]);

/** @brief Velmor_EnumDevice() in wide characters. */
VELMOR_API int32_t Velmor_EnumDeviceW(int32_t handle, wchar_t names[10][256]);

/**
 * @brief The name of camera `index` ("VelmorS10PX_01" for index 0).
 * @param size bytes of `buffer`; the name is cut to fit.
 * @return 1 or 0: 1 without camera engine, 9 for size 11 or less or a null
 *         buffer, 2 for an index outside 0..31 or of no connected camera.
 *         Unknown handle: 0.
 */
VELMOR_API int32_t Velmor_GetDeviceName(int32_t handle, int32_t index, char *buffer,
                                        int32_t size);

/**
 * @brief Velmor_GetDeviceName() in wide characters.
 * @param size wide characters of `buffer`; a name that does not fit, its
 *        terminator included, fails with 12.
 */
VELMOR_API int32_t Velmor_GetDeviceNameW(int32_t handle, int32_t index, wchar_t *buffer,
                                         int32_t size);

/**
 * @brief Reads the camera's serial number (at most 31 characters) from its
 *        EEPROM.
 * @param size bytes of `buffer`, at least 32.
 * @return 1 or 0: 9 for a size under 32 or a null buffer, 1 without camera
 *         engine; 0 without a code when the EEPROM cannot be read. Unknown
 *         handle: 0.
 */
VELMOR_API int32_t Velmor_ReadSerialNumberA(int32_t handle, char *buffer, int32_t size);

/**
 * @brief Velmor_ReadSerialNumberA() in wide characters; `size` counts wide
 *        characters. A number that does not fit fails with 12.
 */
VELMOR_API int32_t Velmor_ReadSerialNumberW(int32_t handle, wchar_t *buffer, int32_t size);

/**
 * @brief Fills the camera-information record `info` up to its `size`.
 * @return 1 or 0: 1 without camera engine, 9 for a null record, 5 for a size
 *         under 36. Unknown handle: 0.
 */
VELMOR_API int32_t Velmor_GetCameraInfo(int32_t handle, VELMOR_CAMERA_INFO *info);
/**@}*/

/* ------------------------------------------------------------------------ */
/** @name Acquisition */
/**@{*/

/**
 * @brief Starts continuous acquisition on the session's own thread.
 *
 * Each frame is processed into the image of the colour mode, copied into
 * the host buffer when one was given, and announced with #VELMOR_WM_FRAME
 * to the callback window when one was given.
 *
 * @return 1 running (also when it already was, or when a previous run stopped
 *         itself after code 13: call Velmor_StopPreview() first to restart);
 *         0 failed: 1 without camera engine or while a capture or trigger is
 *         prepared, 2 camera absent, 7 readout window rejected, 5 image
 *         memory, 6 the camera refused to start, 3 no thread. Unknown
 *         handle: 0.
 */
VELMOR_API int32_t Velmor_StartPreview(int32_t handle);

/**
 * @brief Stops acquisition and recording and waits for their threads: at
 *        most one wait time plus one frame wait.
 * @return 1 (also when nothing ran); 0 with code 1 without camera engine.
 *         Unknown handle: 0.
 */
VELMOR_API int32_t Velmor_StopPreview(int32_t handle);
/**@}*/

/* ------------------------------------------------------------------------ */
/**
 * @name Image retrieval
 *
 * Acquisition states: 0 idle, 1 preview (Velmor_StartPreview() and the calls
 * built on it), 2 capture prepared (Velmor_Capture()), 3 trigger
 * (Velmor_Trigger()). Velmor_StopPreview() and Velmor_Close() return to 0.
 * Every start prepares the camera and the images for the current settings:
 * that preparation fails with 2 (camera absent), 7 (readout window rejected)
 * or 5 (image memory).
 *
 * Images leave the library `width x height` pixels at a stride of
 * (width x bits per pixel / 8) rounded up to a multiple of 4 bytes; the
 * row-order flag `rowOrder` puts the top picture row first when not 0, the
 * bottom row first when 0. A host buffer must hold height x stride bytes.
 * 16-bit samples carry this camera's 12 significant bits, low-aligned.
 */
/**@{*/

/**
 * @brief Velmor_CallBackPreview() without callback window and host buffer.
 * @return as Velmor_CallBackPreview(). Unknown handle: 0.
 */
VELMOR_API int32_t Velmor_Preview(int32_t handle);

/**
 * @brief Starts preview: frames go to the preview window (see
 *        Velmor_SetPreviewWindow()), are copied into `buffer` and announced
 *        to `window` with #VELMOR_WM_FRAME.
 * @param window callback window, may be null.
 * @param buffer host buffer, may be null (then nothing is copied).
 * @param size bytes of `buffer`.
 * @param rowOrder not 0: top row first; 0: bottom row first.
 * @return 1 running; 0 failed: 4 the preview window could not be made (no
 *         display, or built without a window system), 8 acquisition could not
 *         start (after the reason the start recorded; the session is closed).
 *         Unknown handle: 0.
 */
VELMOR_API int32_t Velmor_CallBackPreview(int32_t handle, VELMOR_HWND window, uint8_t *buffer,
                                          int32_t size, int32_t rowOrder);

/**
 * @brief Starts trigger mode: the camera delivers one frame per hardware
 *        trigger, handed out like a preview frame (fps field 0). From now on
 *        Velmor_SnapShot() waits 6000 ms for a frame instead of 3000.
 * @param window, buffer, size, rowOrder as for Velmor_CallBackPreview().
 * @return 1 running (also when trigger mode already runs: nothing more is
 *         started); 0 failed: 1 without camera engine or while preview or a
 *         capture runs, 4 no preview window, 3 no thread, or the preparation's
 *         code. Unknown handle: 0.
 */
VELMOR_API int32_t Velmor_Trigger(int32_t handle, VELMOR_HWND window, uint8_t *buffer,
                                  int32_t size, int32_t rowOrder);

/**
 * @brief Prepares the camera for Velmor_SnapShot() calls (state 2), which
 *        then shoot without preparing each time.
 * @return 1 prepared (also when it already was); 0 failed: 1 without camera
 *         engine or while preview or trigger mode runs, or the preparation's
 *         code. Unknown handle: 0.
 */
VELMOR_API int32_t Velmor_Capture(int32_t handle);

/**
 * @brief Takes one frame on the calling thread and copies it into `buffer`.
 * @param buffer may be null: the frame is kept for Velmor_GetImage().
 * @return 1 or 0: 1 without camera engine or while preview or trigger mode
 *         runs, 8 no frame within the snapshot time-out, 5 (recorded twice)
 *         `buffer` is smaller than the image, or the preparation's code.
 *         Unknown handle: 0.
 */
VELMOR_API int32_t Velmor_SnapShot(int32_t handle, uint8_t *buffer, int32_t size,
                                   int32_t rowOrder);

/**
 * @brief Copies the last processed image (or the empty image of a
 *        preparation no frame followed) into `buffer`.
 * @return 1 or 0: 1 without camera engine or image, 5 no pixels yet, a null
 *         buffer, or (recorded twice) a buffer smaller than the image.
 *         Unknown handle: 0.
 */
VELMOR_API int32_t Velmor_GetImage(int32_t handle, uint8_t *buffer, int32_t size,
                                   int32_t rowOrder);

/** @brief Always 0, for every handle. */
VELMOR_API int32_t Velmor_GetStatus(int32_t handle);

/** @brief The readout window's width (not divided by the readout mode's
 *         reduction). Unknown handle: 0. */
VELMOR_API int32_t Velmor_Width(int32_t handle);

/** @brief The readout window's height. Unknown handle: 0. */
VELMOR_API int32_t Velmor_Height(int32_t handle);
/**@}*/

/* ------------------------------------------------------------------------ */
/** @name Preview window and readout window */
/**@{*/

/**
 * @brief Chooses where the next start draws its frames.
 *
 * With a parent: a child window at (x, y) of width x height. Without one but
 * with any of the four values not 0 (the default is 0, 0, 2848, 2848): a
 * top-level window "Active Window" of the image's size, centred on the
 * screen. A null parent with four zeros: no window. On Windows the parent is
 * an HWND; elsewhere it is the native X11 window id cast to #VELMOR_HWND.
 * @return 1; 0 with code 1 without camera engine. Unknown handle: 0.
 */
VELMOR_API int32_t Velmor_SetPreviewWindow(int32_t handle, VELMOR_HWND parent, int32_t x,
                                           int32_t y, int32_t width, int32_t height);

/**
 * @brief Selects the stored readout window preset of `width` x `height`.
 * @return 1 (also when the preset is rejected with 7 and the full sensor is
 *         used instead); 0 failed: 1 without camera engine, 4 no stored
 *         preset of that size. Unknown handle: 0.
 */
VELMOR_API int32_t Velmor_SetCaptureWindow(int32_t handle, int32_t width, int32_t height);

/**
 * @brief Sets the readout window: total width and height (TH, TV), start
 *        column and row (EHS, EVS), width and height (EH, EV).
 *
 * A window is valid when EH, EV, EHS and EVS are within 0 ... 2848,
 * EHS + EH <= 2848, EVS + EV <= 2848 and the readout mode is 0, 1 or 17.
 * @return 1; 0 failed: 1 without camera engine, 9 a size the sensor cannot
 *         change, 7 an invalid window (the values are kept all the same).
 *         Unknown handle: 0.
 */
VELMOR_API int32_t Velmor_SetCaptureWindowEx(int32_t handle, int32_t TH, int32_t EHS, int32_t EH,
                                             int32_t TV, int32_t EVS, int32_t EV);

/**
 * @brief Reads the readout window back through the non-null pointers.
 * @return 1. Unknown handle: 0.
 */
VELMOR_API int32_t Velmor_GetCaptureWindowEx(int32_t handle, int32_t *TH, int32_t *EHS,
                                             int32_t *EH, int32_t *TV, int32_t *EVS,
                                             int32_t *EV);
/**@}*/

/* ------------------------------------------------------------------------ */
/** @name Output format and orientation (effective at the next start) */
/**@{*/

/**
 * @brief Sets the output format: 8, 16, 24, 32, 48 or 64 bits per pixel.
 * @return 1 or 0 with code 9: another value, 8 or 32 where the camera has
 *         no 8-bit output, 24 to 64 where it has no colour output (this
 *         monochrome camera takes 8 and 16). Unknown handle: 0.
 */
VELMOR_API int32_t Velmor_SetColorMode(int32_t handle, int32_t bits);

/** @brief Bits per pixel of the output format, -1 when none is set.
 *         Unknown handle: 0. */
VELMOR_API int32_t Velmor_GetColorMode(int32_t handle);

/**
 * @brief Readout mode: 0 full resolution, 1 every second pixel skipped,
 *        17 2 x 2 binned; 1 and 17 halve the image's width and height.
 * @return 1; 0 for another value (nothing recorded). Unknown handle: 0.
 */
VELMOR_API int32_t Velmor_SetSubSample(int32_t handle, int32_t mode);

/** @brief The readout mode. Unknown handle: 0. */
VELMOR_API int32_t Velmor_GetSubSample(int32_t handle);

/**
 * @brief Milliseconds the preview loop sleeps before each frame (default
 *        10): trades latency for CPU time; 0 runs at the camera's pace.
 * @return 1; 0 for a negative value (nothing recorded). Unknown handle: 0.
 */
VELMOR_API int32_t Velmor_SetWaitTime(int32_t handle, int32_t milliseconds);

/** @brief The preview loop's wait time. Unknown handle: 0. */
VELMOR_API int32_t Velmor_GetWaitTime(int32_t handle);

/**
 * @brief Mirrors the picture left to right (flag not 0) or not.
 * @return 1; 0 with code 1 without camera engine. Unknown handle: 0.
 */
VELMOR_API int32_t Velmor_SetMirrorH(int32_t handle, int32_t flag);

/**
 * @brief Mirrors the picture top to bottom (flag not 0) or not.
 * @return 1; 0 without camera engine (code 1 posted, not recorded).
 *         Unknown handle: 0.
 */
VELMOR_API int32_t Velmor_SetMirrorV(int32_t handle, int32_t flag);

/** @brief The horizontal mirror flag; 0 with code 1 without camera engine.
 *         Unknown handle: 0. */
VELMOR_API int32_t Velmor_GetMirrorH(int32_t handle);

/** @brief The vertical mirror flag; 0 without camera engine (code 1
 *         posted, not recorded). Unknown handle: 0. */
VELMOR_API int32_t Velmor_GetMirrorV(int32_t handle);

/**
 * @brief Automatic exposure: 0 off, 1 exposure time, 2 gain.
 * @return 1; 0 for another value (code 9 posted, not recorded). Unknown
 *         handle: 0.
 */
VELMOR_API int32_t Velmor_SetAutoIris(int32_t handle, int32_t mode);

/** @brief The automatic exposure mode; `ok` (may be null) becomes 1.
 *         Unknown handle: 0, `ok` untouched. */
VELMOR_API int32_t Velmor_GetAutoIris(int32_t handle, int32_t *ok);
/**@}*/

/* ------------------------------------------------------------------------ */
/** @name Frame callback, statistics and error texts */
/**@{*/

/**
 * @brief One processed frame, as the frame callback sees it.
 *
 * Starts with its own size so that later versions can add fields at the end.
 * `pixels` points to the processed image (the image Velmor_GetImage() would
 * copy), top row first, `stride` bytes per row; it is valid only during the
 * call.
 */
typedef struct VELMOR_FRAME_INFO {
  uint32_t size;          /**< sizeof(VELMOR_FRAME_INFO) of this library */
  int32_t width;          /**< pixels per row */
  int32_t height;         /**< rows */
  int32_t stride;         /**< bytes from one row to the next */
  int32_t bitsPerPixel;   /**< 8 or 16 on this camera; 16-bit samples hold 12 bits */
  int32_t reserved;       /**< 0 */
  uint64_t frameNumber;   /**< frames delivered by this session since it started, from 1 */
  uint64_t timestampNs;   /**< monotonic clock when the frame was processed, in ns */
  const void *pixels;     /**< the first byte of the top row */
} VELMOR_FRAME_INFO;

/** @brief The frame callback: `handle` is the session, `user` the pointer
 *         given to Velmor_SetFrameCallback(). */
typedef void (*VELMOR_FRAME_CALLBACK)(int32_t handle, const VELMOR_FRAME_INFO *frame, void *user);

/**
 * @brief Sets (or with a null callback clears) the function called for
 *        every processed frame of a preview, callback preview or trigger
 *        start.
 *
 * Contract: the callback runs on the session's acquisition thread after the
 * frame was processed and before the frame message is posted, in frame
 * order, never overlapping itself, with no library lock held; a slow
 * callback delays the next frame (frames the camera delivered meanwhile are
 * counted in VELMOR_STATISTICS::framesBehind). Clearing or replacing it, and
 * Velmor_StopPreview(), return only after a running call has finished.
 * Inside the callback the host may call any function of the session except
 * Velmor_Release(), which is refused there (0, code 1); Velmor_StopPreview()
 * from inside is accepted and the acquisition ends after the callback
 * returns.
 * @return 1; 0 unknown handle.
 */
VELMOR_API int32_t Velmor_SetFrameCallback(int32_t handle, VELMOR_FRAME_CALLBACK callback,
                                           void *user);

/** @brief What a session's acquisition delivered and lost. */
typedef struct VELMOR_STATISTICS {
  uint32_t size;             /**< set by the host: sizeof(VELMOR_STATISTICS) */
  uint32_t reserved;         /**< 0 */
  uint64_t framesDelivered;  /**< frames processed and handed out */
  uint64_t framesFailed;     /**< header failures + payload failures + time-outs */
  uint64_t headerFailures;   /**< frame headers that did not arrive or were wrong */
  uint64_t payloadFailures;  /**< frame payloads that did not arrive whole */
  uint64_t timeouts;         /**< frame waits that ended without a frame */
  uint64_t framesBehind;     /**< frames the camera delivered while the host (callback,
                                  window or buffer copy) was still busy, never handed out */
  double fps;                /**< current frames per second */
} VELMOR_STATISTICS;

/**
 * @brief Fills `statistics` with the counts since the session was created.
 * @param statistics its `size` must be set; a smaller size from an older
 *        header gets the fields that fit.
 * @return 1; 0 with code 9 for a null pointer or a size below 8. Unknown
 *         handle: 0.
 */
VELMOR_API int32_t Velmor_GetStatistics(int32_t handle, VELMOR_STATISTICS *statistics);

/**
 * @brief A short English text for an error code (see VELMOR_ERROR_*); a
 *        static string, also for codes the library does not know.
 */
VELMOR_API const char *Velmor_GetErrorText(int32_t code);
/**@}*/

#ifdef __cplusplus
}
#endif

#endif /* VELMOR_VELMOR_H */
