/* Streams frames through the frame callback and prints the statistics.
 * Usage: stream_frames [FRAMES] */
#include <stdio.h>
#include <stdlib.h>

#include "velmor/velmor.h"

#if defined(_WIN32)
#include <windows.h>
#define sleep_ms(ms) Sleep(ms)
#else
#include <time.h>
static void sleep_ms(long ms) {
  struct timespec delay;
  delay.tv_sec = ms / 1000;
  delay.tv_nsec = (ms % 1000) * 1000000L;
  nanosleep(&delay, NULL);
}
#endif

struct Progress {
  volatile long frames;
  double lastMean;
};

/* Runs on the library's acquisition thread, one frame at a time. */
static void on_frame(int32_t handle, const VELMOR_FRAME_INFO *frame, void *user) {
  struct Progress *progress = (struct Progress *)user;
  const uint8_t *row = (const uint8_t *)frame->pixels + (size_t)(frame->height / 2) * (size_t)frame->stride;
  long sum = 0;
  int32_t x;
  (void)handle;
  for (x = 0; x < frame->width; ++x) sum += row[x];
  progress->lastMean = (double)sum / frame->width;
  progress->frames = (long)frame->frameNumber;
}

int main(int argc, char **argv) {
  const long wanted = argc > 1 ? atol(argv[1]) : 50;
  struct Progress progress = {0, 0.0};
  VELMOR_STATISTICS stats;
  int32_t handle = Velmor_Initialize(NULL);
  int waited = 0;
  if (handle == 0) return 1;
  Velmor_SetPreviewWindow(handle, NULL, 0, 0, 0, 0); /* no window */
  Velmor_SetFrameCallback(handle, on_frame, &progress);
  if (!Velmor_CallBackPreview(handle, NULL, NULL, 0, 1)) {
    fprintf(stderr, "no preview: %s\n", Velmor_GetErrorText(Velmor_GetLastError(handle)));
    Velmor_Release(handle);
    return 1;
  }
  while (progress.frames < wanted && waited < 30000) {
    sleep_ms(10);
    waited += 10;
  }
  Velmor_StopPreview(handle); /* returns after a running callback has finished */
  Velmor_SetFrameCallback(handle, NULL, NULL);
  stats.size = sizeof stats;
  Velmor_GetStatistics(handle, &stats);
  printf("frames %lu delivered, %lu failed, %lu behind, %.1f fps; middle row mean %.1f\n",
         (unsigned long)stats.framesDelivered, (unsigned long)stats.framesFailed,
         (unsigned long)stats.framesBehind, stats.fps, progress.lastMean);
  Velmor_Release(handle);
  return progress.frames >= wanted ? 0 : 1;
}
