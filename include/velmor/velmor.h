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
 *        failure; may be null (then nothing is posted).
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

#ifdef __cplusplus
}
#endif

#endif /* VELMOR_VELMOR_H */
