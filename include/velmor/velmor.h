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
 *  failure wParam is 0 and lParam holds the error code
 *  (#VELMOR_ERROR_MEMORY, #VELMOR_ERROR_FRAME or #VELMOR_ERROR_FRAME_WAIT). */
#define VELMOR_WM_FRAME 0x8002u
/** Error notification, posted to the notification window: wParam 0,
 *  lParam the error code. */
#define VELMOR_WM_ERROR 0x8003u
/**@}*/

/**
 * @brief Error codes: the values of the session's error history (read by
 *        Velmor_GetLastError()) and the lParam of #VELMOR_WM_ERROR.
 *
 * A failure records its code: the code goes into the history and is posted
 * to the notification window. A few functions only post their code: it
 * reaches the notification window (on Windows a null window means the
 * calling thread's queue) but not the history. Each function's documentation
 * names the codes it records or posts.
 */
typedef enum VELMOR_ERROR {
  /** Success marker: recorded by a few reads when they succeed
   *  (Velmor_GetTemperatureEx()). */
  VELMOR_ERROR_NONE = 0,
  /** No camera engine, or the call is not allowed in the current
   *  acquisition state. */
  VELMOR_ERROR_NO_CAMERA = 1,
  /** The selected camera is not present or cannot be opened. */
  VELMOR_ERROR_NOT_PRESENT = 2,
  /** An acquisition or recording thread could not start. */
  VELMOR_ERROR_THREAD = 3,
  /** A window could not be made, or there is no stored capture size. */
  VELMOR_ERROR_WINDOW = 4,
  /** Memory could not be allocated, or a host buffer is too small. */
  VELMOR_ERROR_MEMORY = 5,
  /** A camera register, EEPROM or mode operation failed. */
  VELMOR_ERROR_DEVICE = 6,
  /** The readout geometry was rejected. */
  VELMOR_ERROR_GEOMETRY = 7,
  /** A frame could not be obtained. */
  VELMOR_ERROR_FRAME = 8,
  /** An argument is out of range or missing. */
  VELMOR_ERROR_ARGUMENT = 9,
  /** Never reported. */
  VELMOR_ERROR_UNUSED = 10,
  /** The function or feature does not exist on this camera. */
  VELMOR_ERROR_NOT_SUPPORTED = 11,
  /** A text conversion, a reading or an update failed. */
  VELMOR_ERROR_CONVERSION = 12,
  /** The frame wait failed during preview; preview stopped. */
  VELMOR_ERROR_FRAME_WAIT = 13,
  /** A mask file could not be read or written. */
  VELMOR_ERROR_MASK_FILE = 14
} VELMOR_ERROR;

/* The codes were macros before they became enumerators: the names stay
 * defined for hosts that test them with #ifdef. */
#define VELMOR_ERROR_NONE VELMOR_ERROR_NONE
#define VELMOR_ERROR_NO_CAMERA VELMOR_ERROR_NO_CAMERA
#define VELMOR_ERROR_NOT_PRESENT VELMOR_ERROR_NOT_PRESENT
#define VELMOR_ERROR_THREAD VELMOR_ERROR_THREAD
#define VELMOR_ERROR_WINDOW VELMOR_ERROR_WINDOW
#define VELMOR_ERROR_MEMORY VELMOR_ERROR_MEMORY
#define VELMOR_ERROR_DEVICE VELMOR_ERROR_DEVICE
#define VELMOR_ERROR_GEOMETRY VELMOR_ERROR_GEOMETRY
#define VELMOR_ERROR_FRAME VELMOR_ERROR_FRAME
#define VELMOR_ERROR_ARGUMENT VELMOR_ERROR_ARGUMENT
#define VELMOR_ERROR_UNUSED VELMOR_ERROR_UNUSED
#define VELMOR_ERROR_NOT_SUPPORTED VELMOR_ERROR_NOT_SUPPORTED
#define VELMOR_ERROR_CONVERSION VELMOR_ERROR_CONVERSION
#define VELMOR_ERROR_FRAME_WAIT VELMOR_ERROR_FRAME_WAIT
#define VELMOR_ERROR_MASK_FILE VELMOR_ERROR_MASK_FILE

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
 *
 * Calls still running on the handle in other threads are waited for; calls
 * made after the release see an unknown handle. The host should still not
 * release a handle that other threads use.
 * @return 1 released; 0 unknown or already released handle (nothing happens).
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
 * @return the newest error code (a #VELMOR_ERROR), 0 when the history is
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
 *         unknown or destroyed window, a null out or a time-out below -1
 *         (which returns at once).
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
 * @return 1 opened; 0 failed: #VELMOR_ERROR_NO_CAMERA without camera engine,
 *         #VELMOR_ERROR_NOT_PRESENT when the camera is absent or cannot be
 *         opened. Unknown handle: 0.
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
 * @return the number of names written; 0 with #VELMOR_ERROR_NO_CAMERA
 *         without camera engine, #VELMOR_ERROR_ARGUMENT for a null table.
 *         Unknown handle: 0.
 */
VELMOR_API int32_t Velmor_EnumDevice(int32_t handle, char names[10][256]);

/** @brief Velmor_EnumDevice() in wide characters. */
VELMOR_API int32_t Velmor_EnumDeviceW(int32_t handle, wchar_t names[10][256]);

/**
 * @brief The name of camera `index` ("VelmorS10PX_01" for index 0).
 * @param size bytes of `buffer`; the name is cut to fit.
 * @return 1 or 0: #VELMOR_ERROR_NO_CAMERA without camera engine,
 *         #VELMOR_ERROR_ARGUMENT for size 11 or less or a null buffer,
 *         #VELMOR_ERROR_NOT_PRESENT for an index outside 0..31 or of no
 *         connected camera. Unknown handle: 0.
 */
VELMOR_API int32_t Velmor_GetDeviceName(int32_t handle, int32_t index, char *buffer,
                                        int32_t size);

/**
 * @brief Velmor_GetDeviceName() in wide characters.
 * @param size wide characters of `buffer`; a name that does not fit, its
 *        terminator included, fails with
 *        #VELMOR_ERROR_CONVERSION.
 */
VELMOR_API int32_t Velmor_GetDeviceNameW(int32_t handle, int32_t index, wchar_t *buffer,
                                         int32_t size);

/**
 * @brief Reads the camera's serial number (at most 31 characters) from its
 *        EEPROM.
 * @param size bytes of `buffer`, at least 32.
 * @return 1 or 0: #VELMOR_ERROR_ARGUMENT for a size under 32 or a null
 *         buffer, #VELMOR_ERROR_NO_CAMERA without camera engine; 0 without a
 *         code when the EEPROM cannot be read. Unknown handle: 0.
 */
VELMOR_API int32_t Velmor_ReadSerialNumberA(int32_t handle, char *buffer, int32_t size);

/**
 * @brief Velmor_ReadSerialNumberA() in wide characters; `size` counts wide
 *        characters. A number that does not fit fails with
 *        #VELMOR_ERROR_CONVERSION.
 */
VELMOR_API int32_t Velmor_ReadSerialNumberW(int32_t handle, wchar_t *buffer, int32_t size);

/**
 * @brief Fills the camera-information record `info` up to its `size`.
 * @return 1 or 0: #VELMOR_ERROR_NO_CAMERA without camera engine,
 *         #VELMOR_ERROR_ARGUMENT for a null record, #VELMOR_ERROR_MEMORY for
 *         a size under 36. Unknown handle: 0.
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
 *         itself after #VELMOR_ERROR_FRAME_WAIT: call Velmor_StopPreview()
 *         first to restart); 0 failed: #VELMOR_ERROR_NO_CAMERA without camera
 *         engine or while a capture or trigger is prepared,
 *         #VELMOR_ERROR_NOT_PRESENT camera absent, #VELMOR_ERROR_GEOMETRY
 *         readout window rejected, #VELMOR_ERROR_MEMORY image memory,
 *         #VELMOR_ERROR_DEVICE the camera refused to start,
 *         #VELMOR_ERROR_THREAD no thread. Unknown handle: 0.
 */
VELMOR_API int32_t Velmor_StartPreview(int32_t handle);

/**
 * @brief Stops acquisition and recording and waits for their threads: at
 *        most one wait time plus one frame wait.
 * @return 1 (also when nothing ran); 0 with #VELMOR_ERROR_NO_CAMERA without
 *         camera engine.
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
 * that preparation fails with #VELMOR_ERROR_NOT_PRESENT (camera absent),
 * #VELMOR_ERROR_GEOMETRY (readout window rejected) or #VELMOR_ERROR_MEMORY
 * (image memory).
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
 * @return 1 running; 0 failed: #VELMOR_ERROR_WINDOW the preview window could
 *         not be made (no display, or built without a window system),
 *         #VELMOR_ERROR_FRAME acquisition could not start (after the reason
 *         the start recorded; the session is closed).
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
 *         started); 0 failed: #VELMOR_ERROR_NO_CAMERA without camera engine
 *         or while preview or a capture runs, #VELMOR_ERROR_WINDOW no preview
 *         window, #VELMOR_ERROR_THREAD no thread, or the preparation's code. Unknown handle: 0.
 */
VELMOR_API int32_t Velmor_Trigger(int32_t handle, VELMOR_HWND window, uint8_t *buffer,
                                  int32_t size, int32_t rowOrder);

/**
 * @brief Prepares the camera for Velmor_SnapShot() calls (state 2), which
 *        then shoot without preparing each time.
 * @return 1 prepared (also when it already was); 0 failed:
 *         #VELMOR_ERROR_NO_CAMERA without camera engine or while preview or
 *         trigger mode runs, or the preparation's code. Unknown handle: 0.
 */
VELMOR_API int32_t Velmor_Capture(int32_t handle);

/**
 * @brief Takes one frame on the calling thread and copies it into `buffer`.
 * @param buffer may be null: the frame is kept for Velmor_GetImage().
 * @return 1 or 0: #VELMOR_ERROR_NO_CAMERA without camera engine or while
 *         preview or trigger mode runs, #VELMOR_ERROR_FRAME no frame within
 *         the snapshot time-out, #VELMOR_ERROR_MEMORY (recorded twice)
 *         `buffer` is smaller than the image, or the preparation's code.
 *         Unknown handle: 0.
 */
VELMOR_API int32_t Velmor_SnapShot(int32_t handle, uint8_t *buffer, int32_t size,
                                   int32_t rowOrder);

/**
 * @brief Copies the last processed image (or the empty image of a
 *        preparation no frame followed) into `buffer`.
 * @return 1 or 0: #VELMOR_ERROR_NO_CAMERA without camera engine or image,
 *         #VELMOR_ERROR_MEMORY no pixels yet, a null buffer, or (recorded
 *         twice) a buffer smaller than the image.
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
 * @return 1; 0 with #VELMOR_ERROR_NO_CAMERA without camera engine. Unknown
 *         handle: 0.
 */
VELMOR_API int32_t Velmor_SetPreviewWindow(int32_t handle, VELMOR_HWND parent, int32_t x,
                                           int32_t y, int32_t width, int32_t height);

/**
 * @brief Selects the stored readout window preset of `width` x `height`.
 * @return 1 (also when the preset is rejected with #VELMOR_ERROR_GEOMETRY
 *         and the full sensor is used instead); 0 failed:
 *         #VELMOR_ERROR_NO_CAMERA without camera engine, #VELMOR_ERROR_WINDOW
 *         no stored
 *         preset of that size. Unknown handle: 0.
 */
VELMOR_API int32_t Velmor_SetCaptureWindow(int32_t handle, int32_t width, int32_t height);

/**
 * @brief Sets the readout window: total width and height (TH, TV), start
 *        column and row (EHS, EVS), width and height (EH, EV).
 *
 * A window is valid when EH, EV, EHS and EVS are within 0 ... 2848,
 * EHS + EH <= 2848, EVS + EV <= 2848 and the readout mode is 0, 1 or 17.
 * @return 1; 0 failed: #VELMOR_ERROR_NO_CAMERA without camera engine,
 *         #VELMOR_ERROR_ARGUMENT a size the sensor cannot change,
 *         #VELMOR_ERROR_GEOMETRY an invalid window (the values are kept all
 *         the same).
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
 * @return 1 or 0 with #VELMOR_ERROR_ARGUMENT: another value, 8 or 32 where
 *         the camera has no 8-bit output, 24 to 64 where it has no colour output (this
 *         monochrome camera takes 8 and 16). Unknown handle: 0.
 */
VELMOR_API int32_t Velmor_SetColorMode(int32_t handle, int32_t bits);

/** @brief Bits per pixel of the output format, -1 when none is set.
 *         Unknown handle: -1. */
VELMOR_API int32_t Velmor_GetColorMode(int32_t handle);

/**
 * @brief Readout mode: 0 full resolution, 1 every second pixel skipped,
 *        17 2 x 2 binned; 1 and 17 halve the image's width and height.
 * @return 1; 0 for another value (nothing recorded). Unknown handle: 0.
 */
VELMOR_API int32_t Velmor_SetSubSample(int32_t handle, int32_t mode);

/** @brief The readout mode. Unknown handle: -1. */
VELMOR_API int32_t Velmor_GetSubSample(int32_t handle);

/**
 * @brief Milliseconds the preview loop sleeps before each frame (default
 *        10): trades latency for CPU time; 0 runs at the camera's pace.
 * @return 1; 0 for a negative value (nothing recorded). Unknown handle: 0.
 */
VELMOR_API int32_t Velmor_SetWaitTime(int32_t handle, int32_t milliseconds);

/** @brief The preview loop's wait time. Unknown handle: -1. */
VELMOR_API int32_t Velmor_GetWaitTime(int32_t handle);

/**
 * @brief Mirrors the picture left to right (flag not 0) or not.
 * @return 1; 0 with #VELMOR_ERROR_NO_CAMERA without camera engine. Unknown
 *         handle: 0.
 */
VELMOR_API int32_t Velmor_SetMirrorH(int32_t handle, int32_t flag);

/**
 * @brief Mirrors the picture top to bottom (flag not 0) or not.
 * @return 1; 0 without camera engine (#VELMOR_ERROR_NO_CAMERA posted, not
 *         recorded).
 *         Unknown handle: 0.
 */
VELMOR_API int32_t Velmor_SetMirrorV(int32_t handle, int32_t flag);

/** @brief The horizontal mirror flag; 0 with #VELMOR_ERROR_NO_CAMERA without
 *         camera engine.
 *         Unknown handle: 0. */
VELMOR_API int32_t Velmor_GetMirrorH(int32_t handle);

/** @brief The vertical mirror flag; 0 without camera engine
 *         (#VELMOR_ERROR_NO_CAMERA posted, not recorded). Unknown handle: 0. */
VELMOR_API int32_t Velmor_GetMirrorV(int32_t handle);

/**
 * @brief Automatic exposure: 0 off, 1 exposure time, 2 gain.
 * @return 1; 0 for another value (#VELMOR_ERROR_ARGUMENT posted, not
 *         recorded). Unknown
 *         handle: 0.
 */
VELMOR_API int32_t Velmor_SetAutoIris(int32_t handle, int32_t mode);

/** @brief The automatic exposure mode; `ok` (may be null) becomes 1.
 *         Unknown handle: 0, `ok` untouched. */
VELMOR_API int32_t Velmor_GetAutoIris(int32_t handle, int32_t *ok);
/**@}*/

/** @name Still image files */
/**@{*/

/** @brief File types of Velmor_SaveImage(). */
#define VELMOR_FILE_BMP 0          /**< BMP at the image's own depth, rows bottom-up */
#define VELMOR_FILE_RAW 1          /**< the image buffer's bytes, top row first, padding included */
#define VELMOR_FILE_JPEG_100 2     /**< progressive JPEG, quality 100 */
#define VELMOR_FILE_JPEG_70 3      /**< progressive JPEG, quality 70 */
#define VELMOR_FILE_JPEG_20 4      /**< progressive JPEG, quality 20 */
#define VELMOR_FILE_PNG 5          /**< PNG, 8 or 16 bits per sample */
#define VELMOR_FILE_TIFF 6         /**< uncompressed TIFF, 8 or 16 bits per sample */

/**
 * @brief Writes the current processed image (the output format's) to `path`
 *        (in the ANSI code page), upright. 16-bit images keep their samples
 *        (0 ... 4095) in PNG, TIFF, BMP and raw files; JPEG takes their top
 *        eight significant bits. An existing file is overwritten.
 * @return 1 when the file was written whole; 0 failed: code 1 without camera
 *         engine or before the first frame was processed; without a code for
 *         an unknown file type (no file is made), a file that cannot be
 *         created, or a write that failed part way (the partial file stays).
 *         Unknown handle: 0.
 */
VELMOR_API int32_t Velmor_SaveImage(int32_t handle, const char *path, int32_t fileType);

/** @brief Velmor_SaveImage() with a wide-character path, converted in the
 *         thread's ANSI code page; 0 with code 12 when it cannot be. */
VELMOR_API int32_t Velmor_SaveImageW(int32_t handle, const wchar_t *path, int32_t fileType);
/**@}*/

/* ------------------------------------------------------------------------ */
/** @name Mask correction, mask files and configuration files */
/**@{*/

/**
 * @brief Captures a mask reference from the last frame: kind 0 the dark
 *        reference (lens capped), kind 1 the bright reference (flat light),
 *        of the frame's depth (8 or 16 bits). Rebuilds the hot map (dark) or
 *        dead map (bright) that the dot filter repairs.
 *
 * Take the frame with the mask filter off. Only a frame of the whole sensor
 * (2848 x 2848, readout mode 0) can be captured.
 * @return 1; 0 with code 1 without camera engine, code 12 for another kind
 *         or a frame that is not full size (nothing changes). Unknown
 *         handle: 0.
 */
VELMOR_API int32_t Velmor_UpdateMaskData(int32_t handle, int32_t kind);

/**
 * @brief Loads the four mask references (8- and 16-bit dark and bright)
 *        from a mask file written by Velmor_SaveMaskFile() and rebuilds the
 *        hot and dead maps.
 *
 * The file is checked whole (header and a length of 48666664 bytes) before
 * anything changes; windowed and reduced frames are corrected from the same
 * full-sensor references.
 * @return 1; 0 with code 1 without camera engine, code 14 for a missing,
 *         unreadable, foreign, short or long file (the references stay as
 *         they were). Unknown handle: 0.
 */
VELMOR_API int32_t Velmor_LoadMaskFile(int32_t handle, const char *path);

/** @brief Velmor_LoadMaskFile() with a UTF-16 path (code 12 when it cannot
 *         be converted to the thread's ANSI code page). */
VELMOR_API int32_t Velmor_LoadMaskFileW(int32_t handle, const wchar_t *path);

/**
 * @brief Writes the four mask references into a mask file, replacing any
 *        file of that name (the initial references when none was captured
 *        or loaded).
 * @return 1; 0 with code 1 without camera engine, code 14 when the file
 *         cannot be created or written whole. Unknown handle: 0.
 */
VELMOR_API int32_t Velmor_SaveMaskFile(int32_t handle, const char *path);

/** @brief Velmor_SaveMaskFile() with a UTF-16 path (code 12 when it cannot
 *         be converted to the thread's ANSI code page). */
VELMOR_API int32_t Velmor_SaveMaskFileW(int32_t handle, const wchar_t *path);

/**
 * @brief Reads a configuration file, a run of 8-byte records of two 32-bit
 *        little-endian integers, into the session's configuration list
 *        (replacing it; a trailing part shorter than a record is ignored).
 * @return 1, also for an empty file; 0 when the file cannot be read (no code
 *         recorded). Unknown handle: 0.
 */
VELMOR_API int32_t Velmor_LoadConfigFileA(int32_t handle, const char *path);

/** @brief Velmor_LoadConfigFileA() with a UTF-16 path (code 12 when it
 *         cannot be converted to the thread's ANSI code page). */
VELMOR_API int32_t Velmor_LoadConfigFileW(int32_t handle, const wchar_t *path);
/**@}*/

/* ------------------------------------------------------------------------ */
/** @name Filter values
 * Image filters, gains, exposure and camera functions addressed by an
 * identifier (VELMOR_FILTER_*). Values outside an identifier's range are
 * refused with #VELMOR_ERROR_ARGUMENT; without a camera engine every call
 * records #VELMOR_ERROR_NO_CAMERA.
 * Changes to the image filters take effect at the next frame. */
/**@{*/

#define VELMOR_FILTER_BRIGHTNESS        1
#define VELMOR_FILTER_CONTRAST          2
#define VELMOR_FILTER_HUE               3
#define VELMOR_FILTER_SATURATION        4
#define VELMOR_FILTER_SHARPNESS         5
#define VELMOR_FILTER_BAYER_GAIN_RGB    6
#define VELMOR_FILTER_BAYER_GAIN_RED    7
#define VELMOR_FILTER_BAYER_GAIN_GREEN  8
#define VELMOR_FILTER_BAYER_GAIN_BLUE   9
#define VELMOR_FILTER_BAYER_GAIN_AUTO   10
#define VELMOR_FILTER_GAMMA             11
#define VELMOR_FILTER_BAYER_MODE        12
#define VELMOR_FILTER_GLOBAL_GAIN       13
#define VELMOR_FILTER_COLOR_GAIN_RED    14
#define VELMOR_FILTER_COLOR_GAIN_GREEN1 15
#define VELMOR_FILTER_COLOR_GAIN_GREEN2 16
#define VELMOR_FILTER_COLOR_GAIN_BLUE   17
#define VELMOR_FILTER_EXPOSURE_TIME     18
#define VELMOR_FILTER_GRAY_MODE         19
#define VELMOR_FILTER_GRAY_GAIN_R       20
#define VELMOR_FILTER_GRAY_GAIN_G1      21
#define VELMOR_FILTER_GRAY_GAIN_G2      22
#define VELMOR_FILTER_GRAY_GAIN_B       23
#define VELMOR_FILTER_GRAY_OFFSET_R     24
#define VELMOR_FILTER_GRAY_OFFSET_G1    25
#define VELMOR_FILTER_GRAY_OFFSET_G2    26
#define VELMOR_FILTER_GRAY_OFFSET_B     27
#define VELMOR_FILTER_GRAY_GAIN_AUTO    28
#define VELMOR_FILTER_CHANNEL_GAIN_1    29
#define VELMOR_FILTER_CHANNEL_OFFSET_1  33
#define VELMOR_FILTER_PELTIER           100
#define VELMOR_FILTER_TEMPERATURE       101
#define VELMOR_FILTER_DOT_FILTER        102
#define VELMOR_FILTER_MASK_FILTER       103
#define VELMOR_FILTER_GAIN_MODE         104
#define VELMOR_FILTER_MODE_SWITCH       105
#define VELMOR_FILTER_BLACK_LEVEL       106

/**
 * @brief Sets filter value `id`.
 * @return 1, or the camera's result for VELMOR_FILTER_PELTIER and
 *         VELMOR_FILTER_GAIN_MODE; 0 with #VELMOR_ERROR_ARGUMENT for a value
 *         out of range or an identifier that cannot be set,
 *         #VELMOR_ERROR_NOT_SUPPORTED for a function the camera lacks,
 *         #VELMOR_ERROR_DEVICE when the camera refused it.
 *         VELMOR_FILTER_BLACK_LEVEL records #VELMOR_ERROR_NONE on success.
 *         Unknown handle: 0.
 */
VELMOR_API int32_t Velmor_SetFilterValue(int32_t handle, int32_t id, int32_t value);

/**
 * @brief Reads filter value `id`; `ok` (may be null) becomes 1 on success,
 *        0 on failure.
 * @return the value; 0 with #VELMOR_ERROR_ARGUMENT for an identifier
 *         that cannot be read (VELMOR_FILTER_GRAY_GAIN_AUTO, the channel
 *         gains and offsets); -1 with #VELMOR_ERROR_NOT_SUPPORTED for
 *         VELMOR_FILTER_PELTIER on cameras without cooling and always for
 *         VELMOR_FILTER_TEMPERATURE. Unknown handle: 0, `ok` untouched.
 */
VELMOR_API int32_t Velmor_GetFilterValue(int32_t handle, int32_t id, int32_t *ok);

/* One getter and one setter per filter value, the same as
 * Velmor_GetFilterValue and Velmor_SetFilterValue with its identifier. */
/** @brief Filter value 1: brightness, -255 ... 255 (0: none). */
VELMOR_API int32_t Velmor_GetBrightness(int32_t handle, int32_t *ok);
VELMOR_API int32_t Velmor_SetBrightness(int32_t handle, int32_t value);
/** @brief Filter value 2: contrast, -127 ... 127 (0: none). */
VELMOR_API int32_t Velmor_GetContrast(int32_t handle, int32_t *ok);
VELMOR_API int32_t Velmor_SetContrast(int32_t handle, int32_t value);
/** @brief Filter value 3: hue shift of colour output, -360 ... 360 degrees. */
VELMOR_API int32_t Velmor_GetHue(int32_t handle, int32_t *ok);
VELMOR_API int32_t Velmor_SetHue(int32_t handle, int32_t value);
/** @brief Filter value 4: saturation of colour output, -255 ... 255. */
VELMOR_API int32_t Velmor_GetSaturation(int32_t handle, int32_t *ok);
VELMOR_API int32_t Velmor_SetSaturation(int32_t handle, int32_t value);
/** @brief Filter value 5: sharpness, 0 ... 30 (0: none). */
VELMOR_API int32_t Velmor_GetSharpness(int32_t handle, int32_t *ok);
VELMOR_API int32_t Velmor_SetSharpness(int32_t handle, int32_t value);
/** @brief Filter value 6: Bayer gains packed: red bits 0-7, green 8-15, blue 16-23. */
VELMOR_API int32_t Velmor_GetBayerGainRGB(int32_t handle, int32_t *ok);
VELMOR_API int32_t Velmor_SetBayerGainRGB(int32_t handle, int32_t value);
/** @brief Filter value 7: Bayer gain red, 0 ... 400 percent. */
VELMOR_API int32_t Velmor_GetBayerGainRed(int32_t handle, int32_t *ok);
VELMOR_API int32_t Velmor_SetBayerGainRed(int32_t handle, int32_t value);
/** @brief Filter value 8: Bayer gain green, 0 ... 400 percent. */
VELMOR_API int32_t Velmor_GetBayerGainGreen(int32_t handle, int32_t *ok);
VELMOR_API int32_t Velmor_SetBayerGainGreen(int32_t handle, int32_t value);
/** @brief Filter value 9: Bayer gain blue, 0 ... 400 percent. */
VELMOR_API int32_t Velmor_GetBayerGainBlue(int32_t handle, int32_t *ok);
VELMOR_API int32_t Velmor_SetBayerGainBlue(int32_t handle, int32_t value);
/** @brief Filter value 10: automatic white balance (any non-zero value: on). */
VELMOR_API int32_t Velmor_GetBayerGainAuto(int32_t handle, int32_t *ok);
VELMOR_API int32_t Velmor_SetBayerGainAuto(int32_t handle, int32_t value);
/** @brief Filter value 11: gamma, 0 ... 200 (100: none). */
VELMOR_API int32_t Velmor_GetGamma(int32_t handle, int32_t *ok);
VELMOR_API int32_t Velmor_SetGamma(int32_t handle, int32_t value);
/** @brief Filter value 12: Bayer pattern mode, 0 ... 3. */
VELMOR_API int32_t Velmor_GetBayerMode(int32_t handle, int32_t *ok);
VELMOR_API int32_t Velmor_SetBayerMode(int32_t handle, int32_t value);
/** @brief Filter value 13: global gain within the camera's limits (also the four colour gains). */
VELMOR_API int32_t Velmor_GetGlobalGain(int32_t handle, int32_t *ok);
VELMOR_API int32_t Velmor_SetGlobalGain(int32_t handle, int32_t value);
/** @brief Filter value 14: colour gain red within the camera's limits. */
VELMOR_API int32_t Velmor_GetColorGainRed(int32_t handle, int32_t *ok);
VELMOR_API int32_t Velmor_SetColorGainRed(int32_t handle, int32_t value);
/** @brief Filter value 15: colour gain green 1 within the camera's limits. */
VELMOR_API int32_t Velmor_GetColorGainGreen1(int32_t handle, int32_t *ok);
VELMOR_API int32_t Velmor_SetColorGainGreen1(int32_t handle, int32_t value);
/** @brief Filter value 16: colour gain green 2 within the camera's limits. */
VELMOR_API int32_t Velmor_GetColorGainGreen2(int32_t handle, int32_t *ok);
VELMOR_API int32_t Velmor_SetColorGainGreen2(int32_t handle, int32_t value);
/** @brief Filter value 17: colour gain blue within the camera's limits. */
VELMOR_API int32_t Velmor_GetColorGainBlue(int32_t handle, int32_t *ok);
VELMOR_API int32_t Velmor_SetColorGainBlue(int32_t handle, int32_t value);
/** @brief Filter value 18: exposure time in 0.1 ms units within the camera's limits. */
VELMOR_API int32_t Velmor_GetExposureTime(int32_t handle, int32_t *ok);
VELMOR_API int32_t Velmor_SetExposureTime(int32_t handle, int32_t value);
/** @brief Filter value 19: grey mode, 0 off, 1 gains and offsets, 2 grey from colour. */
VELMOR_API int32_t Velmor_GetGrayMode(int32_t handle, int32_t *ok);
VELMOR_API int32_t Velmor_SetGrayMode(int32_t handle, int32_t value);
/** @brief Filter value 20: grey gain R, 0 ... 255 (128: unity). */
VELMOR_API int32_t Velmor_GetGrayGainR(int32_t handle, int32_t *ok);
VELMOR_API int32_t Velmor_SetGrayGainR(int32_t handle, int32_t value);
/** @brief Filter value 21: grey gain G1, 0 ... 255. */
VELMOR_API int32_t Velmor_GetGrayGainG1(int32_t handle, int32_t *ok);
VELMOR_API int32_t Velmor_SetGrayGainG1(int32_t handle, int32_t value);
/** @brief Filter value 22: grey gain G2, 0 ... 255. */
VELMOR_API int32_t Velmor_GetGrayGainG2(int32_t handle, int32_t *ok);
VELMOR_API int32_t Velmor_SetGrayGainG2(int32_t handle, int32_t value);
/** @brief Filter value 23: grey gain B, 0 ... 255. */
VELMOR_API int32_t Velmor_GetGrayGainB(int32_t handle, int32_t *ok);
VELMOR_API int32_t Velmor_SetGrayGainB(int32_t handle, int32_t value);
/** @brief Filter value 24: grey offset R, -255 ... 255. */
VELMOR_API int32_t Velmor_GetGrayOffsetR(int32_t handle, int32_t *ok);
VELMOR_API int32_t Velmor_SetGrayOffsetR(int32_t handle, int32_t value);
/** @brief Filter value 25: grey offset G1, -255 ... 255. */
VELMOR_API int32_t Velmor_GetGrayOffsetG1(int32_t handle, int32_t *ok);
VELMOR_API int32_t Velmor_SetGrayOffsetG1(int32_t handle, int32_t value);
/** @brief Filter value 26: grey offset G2, -255 ... 255. */
VELMOR_API int32_t Velmor_GetGrayOffsetG2(int32_t handle, int32_t *ok);
VELMOR_API int32_t Velmor_SetGrayOffsetG2(int32_t handle, int32_t value);
/** @brief Filter value 27: grey offset B, -255 ... 255. */
VELMOR_API int32_t Velmor_GetGrayOffsetB(int32_t handle, int32_t *ok);
VELMOR_API int32_t Velmor_SetGrayOffsetB(int32_t handle, int32_t value);
/** @brief Filter value 100: cooling, on cameras that have it (else
 *         #VELMOR_ERROR_NOT_SUPPORTED). */
VELMOR_API int32_t Velmor_GetPeltier(int32_t handle, int32_t *ok);
VELMOR_API int32_t Velmor_SetPeltier(int32_t handle, int32_t value);
/** @brief Filter value 102: defect pixel correction, 0 or 1. */
VELMOR_API int32_t Velmor_GetDotFilter(int32_t handle, int32_t *ok);
VELMOR_API int32_t Velmor_SetDotFilter(int32_t handle, int32_t value);
/** @brief Filter value 103: mask correction, 0 or 1. */
VELMOR_API int32_t Velmor_GetMaskFilter(int32_t handle, int32_t *ok);
VELMOR_API int32_t Velmor_SetMaskFilter(int32_t handle, int32_t value);

/** @brief Filter value 101, the sensor temperature: not available on this
 *         camera (-1, `ok` 0, #VELMOR_ERROR_NOT_SUPPORTED). */
VELMOR_API int32_t Velmor_GetTemperature(int32_t handle, int32_t *ok);

/**
 * @brief Per-channel gains and offsets of channels 1 ... 4 (filter values 29
 *        ... 32 and 33 ... 36): not available on this camera
 *        (#VELMOR_ERROR_ARGUMENT).
 * @return 0; another channel returns 0 without a record (`ok` 0).
 */
VELMOR_API int32_t Velmor_SetChannelGain(int32_t handle, int32_t channel, int32_t value);
VELMOR_API int32_t Velmor_GetChannelGain(int32_t handle, int32_t channel, int32_t *ok);
VELMOR_API int32_t Velmor_SetChannelOffset(int32_t handle, int32_t channel, int32_t value);
VELMOR_API int32_t Velmor_GetChannelOffset(int32_t handle, int32_t channel, int32_t *ok);
/**@}*/

/* ------------------------------------------------------------------------ */
/**
 * @name Exposure, temperature and sampling
 *
 * One exposure setting, three units: 0.1 ms units (Velmor_SetExposureTime()
 * of the filter values), seconds and microseconds. This camera takes 1 to
 * 20000 units (0.1 ms to 2 s, default 260) and real exposures of one line
 * period plus 2.47 us to 2.0 s. The time the library allows for each part of
 * a frame's transfer follows the exposure, so that frames of long exposures
 * are not taken for lost: 5 s after an exposure set in units or microseconds,
 * the seconds plus one after Velmor_SetExposureTimeEx() with more than 2 s
 * (4 s for 3 s).
 */
/**@{*/

/**
 * @brief Sets the exposure in seconds.
 * @param seconds clamped by the camera to its real exposure range; the
 *        session keeps `seconds` and, truncated, seconds x 10000 as its
 *        0.1 ms units (what Velmor_GetRealExposureTime() reports).
 * @return 1; 0 when the camera refused it (nothing recorded), with
 *         #VELMOR_ERROR_NOT_SUPPORTED on a camera without real exposure, or
 *         with #VELMOR_ERROR_NO_CAMERA without camera engine. Unknown
 *         handle: 0.
 */
VELMOR_API int32_t Velmor_SetExposureTimeEx(int32_t handle, double seconds);

/**
 * @brief The exposure in seconds as the camera applies it.
 * @param ok may be null; 1 when the camera answered, else 0.
 * @return the seconds; -1.0 with #VELMOR_ERROR_NOT_SUPPORTED on a camera
 *         without real exposure or with #VELMOR_ERROR_NO_CAMERA without
 *         camera engine. Unknown handle: 0.0, `ok` untouched.
 */
VELMOR_API double Velmor_GetExposureTimeEx(int32_t handle, int32_t *ok);

/**
 * @brief Sets the exposure in microseconds: microseconds / 100, truncated,
 *        as 0.1 ms units.
 * @return 1; 0 with #VELMOR_ERROR_ARGUMENT when the units lie outside the
 *         camera's range (1 to 20000: 100 us to 2 s; nothing changes), with
 *         #VELMOR_ERROR_NO_CAMERA without camera engine. Unknown handle: 0.
 */
VELMOR_API int32_t Velmor_SetRealExposureTime(int32_t handle, int32_t microseconds);

/**
 * @brief The session's exposure in microseconds (its 0.1 ms units x 100),
 *        without asking the camera.
 * @param ok may be null; becomes 1.
 * @return the microseconds. Unknown handle: 0, `ok` untouched.
 */
VELMOR_API int32_t Velmor_GetRealExposureTime(int32_t handle, int32_t *ok);

/**
 * @brief The sensor temperature in degrees Celsius.
 * @param ok may be null; 1 with a reading, else 0.
 * @return the temperature, recording #VELMOR_ERROR_NONE; 0.0 with
 *         #VELMOR_ERROR_CONVERSION when the reading failed, with
 *         #VELMOR_ERROR_NOT_SUPPORTED on a camera without temperature sensor
 *         (this camera), with #VELMOR_ERROR_NO_CAMERA without camera engine.
 *         Unknown handle: 0.0, `ok` untouched.
 */
VELMOR_API double Velmor_GetTemperatureEx(int32_t handle, int32_t *ok);

/**
 * @brief Hands a frame rate to the camera's sensor.
 * @return the sensor's answer: 0 on this camera, whose rate follows from the
 *         readout window and the exposure; 0 without camera engine. Nothing
 *         is recorded. Unknown handle: 0.
 */
VELMOR_API int32_t Velmor_SetSamplingRate(int32_t handle, int32_t rate);

/** @brief Not available on this camera: `out` (may be null) becomes 0.
 *  @return 0, nothing recorded. Unknown handle: 0, `out` untouched. */
VELMOR_API int32_t Velmor_GetSamplingRate(int32_t handle, int32_t *out);

/** @brief Same as Velmor_GetSamplingRate(): `out` becomes 0.
 *  @return 0, nothing recorded. Unknown handle: 0, `out` untouched. */
VELMOR_API int32_t Velmor_GetVideoFormat(int32_t handle, int32_t *out);
/**@}*/

/* ------------------------------------------------------------------------ */
/**
 * @name Registers and identification
 *
 * Direct access to the camera's FPGA registers (8-bit numbers holding 8-bit
 * values), its sensor registers (16-bit addresses holding 8-bit values), the
 * identification bytes of its EEPROM and the FPGA's general-purpose I/O
 * port. Writing registers the library programs itself (window, depth,
 * exposure) can disturb acquisition.
 */
/**@{*/

/**
 * @brief Reads FPGA register `address` AND 0xFF.
 * @param ok may be null; 1 when read, else 0.
 * @return the register's 8-bit value; 0 with #VELMOR_ERROR_DEVICE when the
 *         read failed, with #VELMOR_ERROR_NO_CAMERA without camera engine.
 *         Unknown handle: 0, `ok` untouched.
 */
VELMOR_API int32_t Velmor_Fpga_ReadRegister(int32_t handle, int32_t address, int32_t *ok);

/**
 * @brief Writes `value` to FPGA register `address` AND 0xFF; the register
 *        keeps the value's low 8 bits.
 * @return 1; 0 with #VELMOR_ERROR_DEVICE when the write failed, with
 *         #VELMOR_ERROR_NO_CAMERA without camera engine. Unknown handle: 0.
 */
VELMOR_API int32_t Velmor_Fpga_WriteRegister(int32_t handle, int32_t address, int32_t value);

/**
 * @brief Reads sensor register `address` AND 0xFF.
 * @param ok may be null; 1 when read, else 0.
 * @return the register's value (0-255); 0 with #VELMOR_ERROR_DEVICE when the
 *         read failed (also when no camera is open), with
 *         #VELMOR_ERROR_NO_CAMERA without camera engine. Unknown handle: 0,
 *         `ok` untouched.
 */
VELMOR_API int32_t Velmor_ReadRegister(int32_t handle, int32_t address, int32_t *ok);

/** @brief Velmor_ReadRegister() for the whole 16-bit sensor address space
 *         (0-0xFFFF; higher bits are ignored). */
VELMOR_API int32_t Velmor_ReadRegisterEx(int32_t handle, int32_t address, int32_t *ok);

/**
 * @brief Writes sensor register `address` AND 0xFF; the register keeps the
 *        value's low 8 bits.
 * @return 1; 0 with #VELMOR_ERROR_DEVICE when the write failed (also when no
 *         camera is open), with #VELMOR_ERROR_NO_CAMERA without camera
 *         engine. Unknown handle: 0.
 */
VELMOR_API int32_t Velmor_WriteRegister(int32_t handle, int32_t address, int32_t value);

/** @brief Velmor_WriteRegister() for the whole 16-bit sensor address space. */
VELMOR_API int32_t Velmor_WriteRegisterEx(int32_t handle, int32_t address, int32_t value);

/**
 * @brief Reads the identification byte at EEPROM address `address` AND
 *        0xFFF.
 * @param ok may be null; 1 when read, else 0.
 * @return the byte; 0 when it could not be read or without camera engine
 *         (#VELMOR_ERROR_NO_CAMERA posted, not recorded). Unknown handle: 0,
 *         `ok` untouched.
 */
VELMOR_API int32_t Velmor_ReadSromID(int32_t handle, int32_t address, int32_t *ok);

/**
 * @brief Writes the low byte of `value` to EEPROM address `address` AND
 *        0xFFF and reads it back, writing again while it differs, at most 10
 *        times (about a quarter of a second).
 * @return 1 once the byte read back matches; 0 with #VELMOR_ERROR_DEVICE
 *         when it never did; 0 when the first write failed or without
 *         camera engine (#VELMOR_ERROR_NO_CAMERA posted, not recorded).
 *         Unknown handle: 0.
 */
VELMOR_API int32_t Velmor_WriteSromID(int32_t handle, int32_t address, int32_t value);

/**
 * @brief Reads the I/O port byte (FPGA register 0x07) into `out`.
 * @param out receives the byte; untouched on failure.
 * @param reserved1, reserved2 ignored.
 * @return 1; 0 for a null `out` or a failed read (#VELMOR_ERROR_ARGUMENT
 *         posted, not recorded; nothing is read for a null `out`), or
 *         without camera engine (#VELMOR_ERROR_NO_CAMERA posted, not
 *         recorded). Unknown handle: 0.
 */
VELMOR_API int32_t Velmor_GetIOPort(int32_t handle, uint8_t *out, int32_t reserved1,
                                    int32_t reserved2);

/**
 * @brief Writes the low 8 bits of `value` to the I/O port (FPGA register
 *        0x07).
 * @return 1 written; 0 when the write failed (nothing recorded), or without
 *         camera engine (#VELMOR_ERROR_NO_CAMERA posted, not recorded).
 *         Unknown handle: 0.
 */
VELMOR_API int32_t Velmor_SetIOPort(int32_t handle, int32_t value);
/**@}*/

/* ------------------------------------------------------------------------ */
/**
 * @name Functions of other camera models
 *
 * Present so that hosts written for other models of the family load and run;
 * none of them does anything on this camera. Their arguments are ignored.
 */
/**@{*/

/** @brief Not supported: posts #VELMOR_ERROR_NOT_SUPPORTED (not recorded).
 *  @return 0. Unknown handle: 0, nothing posted. */
VELMOR_API int32_t Velmor_Fps(int32_t handle);
/** @brief Not supported: as Velmor_Fps(). */
VELMOR_API int32_t Velmor_GetHalfClock(int32_t handle, int32_t *ok);
/** @brief Not supported: as Velmor_Fps(). */
VELMOR_API int32_t Velmor_SetHalfClock(int32_t handle, int32_t on);
/** @brief Not supported: as Velmor_Fps(). */
VELMOR_API int32_t Velmor_GetInternalCorrection(int32_t handle, int32_t *ok);
/** @brief Not supported: as Velmor_Fps(). */
VELMOR_API int32_t Velmor_SetInternalCorrection(int32_t handle, int32_t on);
/** @brief Not supported: as Velmor_Fps(). */
VELMOR_API int32_t Velmor_SetCrossbar(int32_t handle, int32_t value);

/** @brief Not supported: records #VELMOR_ERROR_NOT_SUPPORTED.
 *  @return 0. Unknown handle: 0. */
VELMOR_API int32_t Velmor_SendText(int32_t handle, const char *text, int32_t length);
/** @brief Not supported: as Velmor_SendText(); `buffer` is untouched. */
VELMOR_API int32_t Velmor_ReceiveText(int32_t handle, char *buffer, int32_t size);

/** @brief Not supported: records #VELMOR_ERROR_NOT_SUPPORTED.
 *  @return -1. Unknown handle: 0. */
VELMOR_API int32_t Velmor_SetConfigFilter(int32_t handle, int32_t id, int32_t value);
/** @brief Not supported: as Velmor_SetConfigFilter(); `ok` is untouched.
 *  @return -1. Unknown handle: 0. */
VELMOR_API int32_t Velmor_GetConfigFilter(int32_t handle, int32_t id, int32_t *ok);
/**@}*/

/* ------------------------------------------------------------------------- */
/** @name Settings dialogs
 * Modal on the calling thread over `parent` (an HWND on Windows; elsewhere
 * the X11 window id, or null), in Japanese where the system's language is
 * Japanese, else in English. The analog and image dialogs apply every change
 * at once and undo them on Cancel; the camera dialog stops a running
 * acquisition, stores the output format and readout window presets on OK
 * or Apply, takes them up after OK and restarts the acquisition it stopped.
 * Each returns 1 however the dialog ended; 0 without an open camera
 * (code 1). Unknown handle: 0. */
/**@{*/
VELMOR_API int32_t Velmor_SetAnalogDlg(int32_t handle, VELMOR_HWND parent);
VELMOR_API int32_t Velmor_SetImageDlg(int32_t handle, VELMOR_HWND parent);
VELMOR_API int32_t Velmor_SetCameraDlg(int32_t handle, VELMOR_HWND parent);
/**@}*/

/* ------------------------------------------------------------------------ */
/**
 * @name Recording
 *
 * The live preview recorded into an uncompressed AVI file of 24-bit frames
 * (bottom-up BGR, 8-bit samples repeated in all three channels; 16-bit
 * samples give their top eight significant bits, v >> 4). Files past about
 * 1 GiB continue in OpenDML (AVI 2.0) RIFFs, which ordinary players read.
 * The frame rate in the file is the rate actually recorded.
 */
/**@{*/

/**
 * @brief Starts the preview and records it into `path` for `durationMs`
 *        milliseconds, counted from the first recorded frame. The callback
 *        window and the host buffer are turned off: recorded frames are not
 *        handed to the host.
 *
 * The recording ends by itself at the first frame past its duration.
 * Velmor_StopPreview(), Velmor_Close(), Velmor_Release() and a camera that
 * goes away end it early; the file is finished in every case. A write that
 * fails (a full disk) ends it with #VELMOR_ERROR_CONVERSION; the file then
 * holds the frames before the failed one.
 * @param path file name in the thread's ANSI code page; an existing file is
 *        replaced.
 * @param show not 0: the preview window is shown when one was asked for
 *        with Velmor_SetPreviewWindow().
 * @return 1 recording; 0 failed: #VELMOR_ERROR_ARGUMENT null or empty path,
 *         #VELMOR_ERROR_NO_CAMERA a recording still runs,
 *         #VELMOR_ERROR_WINDOW the preview window could not be made,
 *         #VELMOR_ERROR_CONVERSION the preview could not start or the file
 *         could not be written (the session is closed), #VELMOR_ERROR_THREAD
 *         no thread. Unknown handle: 0.
 */
VELMOR_API int32_t Velmor_Record(int32_t handle, const char *path, int32_t durationMs,
                                 int32_t show);

/**
 * @brief Velmor_Record() with a UTF-16 path.
 * @return as Velmor_Record(); 0 with #VELMOR_ERROR_CONVERSION when the path
 *         has no form of at most 1023 bytes in the thread's ANSI code page.
 */
VELMOR_API int32_t Velmor_RecordW(int32_t handle, const wchar_t *path, int32_t durationMs,
                                  int32_t show);
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
 * Velmor_Release(), which is refused there (0, #VELMOR_ERROR_NO_CAMERA); Velmor_StopPreview()
 * from inside is accepted and the acquisition ends after the callback
 * returns. While a stop on another thread waits for the callback to return,
 * a call from inside that starts, stops, shoots or changes the camera, the
 * readout window or the output format is refused (0, #VELMOR_ERROR_NO_CAMERA)
 * instead of waiting for that stop.
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
 * @return 1; 0 with #VELMOR_ERROR_ARGUMENT for a null pointer or a size below 8. Unknown
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
