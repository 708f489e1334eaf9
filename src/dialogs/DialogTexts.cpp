#include "dialogs/DialogTexts.h"

#include <cstdarg>
#include <cstdio>

#include "dialogs/DialogStrings.h"

namespace velmor::dialogs {
namespace {

struct TextPair {
  const char *english, *japanese;
};

constexpr TextPair kTexts[] = {
#define VELMOR_TEXT_PAIR(name) {VT_EN_##name, VT_JA_##name},
    VELMOR_DIALOG_TEXTS(VELMOR_TEXT_PAIR)
#undef VELMOR_TEXT_PAIR
};

}  // namespace

const char *TextOf(Text text, Language language) {
  const TextPair &pair = kTexts[int32_t(text)];
  return language == Language::kJapanese ? pair.japanese : pair.english;
}

std::string Format(Text text, Language language, ...) {
  char buffer[256];
  va_list arguments;
  va_start(arguments, language);
  std::vsnprintf(buffer, sizeof buffer, TextOf(text, language), arguments);
  va_end(arguments);
  return buffer;
}

std::string WithoutMnemonic(const char *text) {
  std::string label;
  for (const char *c = text; *c != '\0'; ++c) {
    if (*c == '&' && *++c == '\0') break;
    label += *c;
  }
  return label;
}

}  // namespace velmor::dialogs
