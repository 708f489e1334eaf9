/* Lists the connected cameras with their serial numbers. */
#include <stdio.h>

#include "velmor/velmor.h"

int main(void) {
  static char names[10][256];
  int32_t handle = Velmor_Initialize(NULL);
  int32_t count, i;
  if (handle == 0) return 1;
  count = Velmor_EnumDevice(handle, names);
  printf("%d camera(s)\n", (int)count);
  for (i = 0; i < count; ++i) {
    char serial[32] = "";
    if (Velmor_SetDeviceNumber(handle, i) && Velmor_ReadSerialNumberA(handle, serial, sizeof serial))
      printf("%d  %s  serial %s\n", (int)i, names[i], serial);
    else
      printf("%d  %s  (%s)\n", (int)i, names[i], Velmor_GetErrorText(Velmor_GetLastError(handle)));
  }
  Velmor_Release(handle);
  return count > 0 ? 0 : 3;
}
