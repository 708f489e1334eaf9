// Win32 text conversion through the ANSI code pages. Characters the code
// page lacks make the conversion fail instead of turning into '?' or a
// best-fit look-alike.
#include "platform/Text.h"

#include <windows.h>

#include <climits>

namespace velmor::platform {
namespace {

UINT code_page_id(CodePage page) { return page == CodePage::ThreadAnsi ? CP_THREAD_ACP : CP_ACP; }

// UTF-8 as the ANSI code page represents every character and rejects the
// default-character flags, so it is converted with strict error checking.
bool is_utf8(UINT page) {
  CPINFOEXA info{};
  return GetCPInfoExA(page, 0, &info) && info.CodePage == CP_UTF8;
}

}  // namespace

std::optional<std::string> to_narrow(std::wstring_view text, CodePage page) {
  if (text.empty()) return std::string();
  if (text.size() > INT_MAX) return std::nullopt;
  const UINT id = code_page_id(page);
  const bool utf8 = is_utf8(id);
  const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL usedDefault = FALSE;
  BOOL *usedDefaultOut = utf8 ? nullptr : &usedDefault;
  const int wideLength = static_cast<int>(text.size());
  const int length =
      WideCharToMultiByte(id, flags, text.data(), wideLength, nullptr, 0, nullptr, usedDefaultOut);
  if (length <= 0 || usedDefault) return std::nullopt;
  std::string result(static_cast<std::size_t>(length), '\0');
  if (WideCharToMultiByte(id, flags, text.data(), wideLength, result.data(), length, nullptr,
                          usedDefaultOut) != length ||
      usedDefault)
    return std::nullopt;
  return result;
}

std::optional<std::wstring> to_wide(std::string_view text, CodePage page) {
  if (text.empty()) return std::wstring();
  if (text.size() > INT_MAX) return std::nullopt;
  const UINT id = code_page_id(page);
  const int narrowLength = static_cast<int>(text.size());
  const int length =
      MultiByteToWideChar(id, MB_ERR_INVALID_CHARS, text.data(), narrowLength, nullptr, 0);
  if (length <= 0) return std::nullopt;
  std::wstring result(static_cast<std::size_t>(length), L'\0');
  if (MultiByteToWideChar(id, MB_ERR_INVALID_CHARS, text.data(), narrowLength, result.data(),
                          length) != length)
    return std::nullopt;
  return result;
}

}  // namespace velmor::platform
