// The English text of every error code the session records.
#pragma once

#include <cstdint>

namespace velmor {

// A static text; codes outside the table get a text that says so.
const char *ErrorText(int32_t code);

}  // namespace velmor
