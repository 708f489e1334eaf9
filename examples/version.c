/* The smallest host: load the library, open a session, read its version and
 * error history, release it. */
#include <stdio.h>

#include "velmor/velmor.h"

int main(void) {
  int32_t handle = Velmor_Initialize(NULL);
  printf("library version 0x%08X, handle %d\n", (unsigned)Velmor_GetDllVersion(), (int)handle);
  printf("last error %d\n", (int)Velmor_GetLastError(handle));
  return Velmor_Release(handle) == 1 ? 0 : 1;
}
