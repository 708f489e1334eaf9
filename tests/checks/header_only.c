/* Compiled on its own, as C and as C++: the public header needs nothing but
 * itself and the standard headers. */
#include "velmor/velmor.h"

int velmor_header_check(void);
int velmor_header_check(void) {
  VELMOR_FRAME_RECORD record = {0, 0, 0, 0, 0, 0, 0};
  VELMOR_MSG message = {VELMOR_WM_FRAME, 0, VELMOR_ERROR_MASK_FILE};
  return record.width + (int)message.lParam + (int)sizeof(&Velmor_Initialize);
}
