/* Records two seconds of a 1024 x 1024 window into an AVI file.
 * Usage: record_avi [FILE.avi] */
#include <stdio.h>

#include "velmor/velmor.h"

#if defined(_WIN32)
#include <windows.h>
#define sleep_ms(ms) Sleep(ms)
#else
#include <unistd.h>
#define sleep_ms(ms) usleep((ms) * 1000)
#endif

int main(int argc, char **argv) {
  const char *path = argc > 1 ? argv[1] : "recording.avi";
  int32_t handle = Velmor_Initialize(NULL);
  if (handle == 0) return 1;
  Velmor_SetCaptureWindowEx(handle, 2848, 912, 1024, 2848, 912, 1024);
  Velmor_SetPreviewWindow(handle, NULL, 0, 0, 0, 0);
  if (!Velmor_Record(handle, path, 2000, 0)) {
    fprintf(stderr, "no recording: %s\n", Velmor_GetErrorText(Velmor_GetLastError(handle)));
    Velmor_Release(handle);
    return 1;
  }
  sleep_ms(2500);
  Velmor_StopPreview(handle); /* finishes the file if it is still open */
  printf("wrote %s\n", path);
  Velmor_Release(handle);
  return 0;
}
