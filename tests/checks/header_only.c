/* Compiled on its own, as C and as C++: the public header needs nothing but
 * itself and the standard headers. */
#include "velmor/velmor.h"

/* The error codes stay testable by name in the preprocessor. */
#ifndef VELMOR_ERROR_MASK_FILE
#error "the error code names are no longer defined"
#endif

int velmor_header_check(void);
int velmor_header_check(void) {
  VELMOR_FRAME_RECORD record = {0, 0, 0, 0, 0, 0, 0};
  VELMOR_MSG message = {VELMOR_WM_FRAME, 0, VELMOR_ERROR_MASK_FILE};
  VELMOR_ERROR code = VELMOR_ERROR_DEVICE;
  return record.width + (int)message.lParam + (int)code + (int)sizeof(&Velmor_Initialize);
}
