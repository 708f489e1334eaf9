// POSIX text conversion: the current C locale's multibyte encoding stands in
// for both ANSI code pages.
#include "platform/Text.h"

#include <cwchar>

namespace velmor::platform {

std::optional<std::string> to_narrow(std::wstring_view text, CodePage) {
  const std::wstring source(text);  // wcsrtombs needs a terminated string
  const wchar_t *cursor = source.c_str();
  std::mbstate_t state{};
  const std::size_t length = std::wcsrtombs(nullptr, &cursor, 0, &state);
  if (length == static_cast<std::size_t>(-1)) return std::nullopt;
  std::string result(length, '\0');
  cursor = source.c_str();
  state = std::mbstate_t{};
  std::wcsrtombs(result.data(), &cursor, length, &state);
  return result;
}

std::optional<std::wstring> to_wide(std::string_view text, CodePage) {
  const std::string source(text);
  const char *cursor = source.c_str();
  std::mbstate_t state{};
  const std::size_t length = std::mbsrtowcs(nullptr, &cursor, 0, &state);
  if (length == static_cast<std::size_t>(-1)) return std::nullopt;
  std::wstring result(length, L'\0');
  cursor = source.c_str();
  state = std::mbstate_t{};
  std::mbsrtowcs(result.data(), &cursor, length, &state);
  return result;
}

}  // namespace velmor::platform
