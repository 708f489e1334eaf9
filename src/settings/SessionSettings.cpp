#include "settings/SessionSettings.h"

namespace velmor {

int32_t FitColourMode(int32_t mode, bool eightBit, bool sixteenBit, bool colour) {
  if (!eightBit && (mode == 0 || mode == 3)) mode = sixteenBit ? 1 : 2;
  if (!colour && mode == 2) mode = sixteenBit ? 1 : 0;
  if (!sixteenBit && mode == 1) mode = colour ? 2 : 0;
  return mode;
}

}  // namespace velmor
