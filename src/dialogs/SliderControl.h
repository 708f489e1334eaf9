// One numeric setting of a dialog: a trackbar, an edit and an up-down
// control kept in step, with its label, range and page size.
#pragma once

#include <cstdint>

#include "dialogs/DialogTexts.h"

namespace velmor::dialogs {

struct SliderControl {
  int32_t trackbar, edit, upDown;
  Text label;
  int32_t minimum, maximum, page;
};

// The page size of a range that the engine gives: an eighth of it.
inline int32_t EighthPage(int32_t minimum, int32_t maximum) { return (maximum - minimum) / 8; }

}  // namespace velmor::dialogs
