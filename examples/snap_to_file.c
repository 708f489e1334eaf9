/* Takes one 16-bit snapshot, prints its mean and saves it as a PNG file.
 * Usage: snap_to_file [FILE.png] */
#include <stdio.h>
#include <stdlib.h>

#include "velmor/velmor.h"

int main(int argc, char **argv) {
  const char *path = argc > 1 ? argv[1] : "snapshot.png";
  int32_t handle = Velmor_Initialize(NULL);
  int32_t width, height, stride, y, x, status = 1;
  uint16_t *image;
  double sum = 0;
  if (handle == 0) return 1;
  if (!Velmor_SetColorMode(handle, 16) || !Velmor_Capture(handle)) {
    fprintf(stderr, "cannot prepare the camera: %s\n",
            Velmor_GetErrorText(Velmor_GetLastError(handle)));
    Velmor_Release(handle);
    return 1;
  }
  width = Velmor_Width(handle);
  height = Velmor_Height(handle);
  stride = (width * 2 + 3) & ~3;
  image = (uint16_t *)malloc((size_t)stride * (size_t)height);
  if (image != NULL && Velmor_SnapShot(handle, (uint8_t *)image, stride * height, 1)) {
    for (y = 0; y < height; ++y)
      for (x = 0; x < width; ++x) sum += image[(size_t)y * (size_t)(stride / 2) + (size_t)x];
    printf("%d x %d, mean %.1f of 4095\n", (int)width, (int)height, sum / ((double)width * height));
    if (Velmor_SaveImage(handle, path, 5)) {
      printf("wrote %s\n", path);
      status = 0;
    }
  }
  if (status != 0) fprintf(stderr, "failed: %s\n", Velmor_GetErrorText(Velmor_GetLastError(handle)));
  free(image);
  Velmor_Release(handle);
  return status;
}
