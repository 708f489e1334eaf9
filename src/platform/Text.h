// Narrow <-> wide text conversion in the code page the exports name.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmor::platform {

enum class CodePage {
  ThreadAnsi,  // the calling thread's ANSI code page (CP_THREAD_ACP)
  Ansi,        // the system ANSI code page (CP_ACP)
};

// Both return nothing when the text cannot be converted. On POSIX both code
// pages mean the current C locale's multibyte encoding.
std::optional<std::string> to_narrow(std::wstring_view text, CodePage page);
std::optional<std::wstring> to_wide(std::string_view text, CodePage page);

}  // namespace velmor::platform
