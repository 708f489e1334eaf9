// Texts of the settings dialogs by name and language, for the code that
// fills lists and for toolkits that draw the dialogs without templates.
#pragma once

#include <cstdint>
#include <string>

namespace velmor::dialogs {

enum class Language : int32_t { kEnglish, kJapanese };

// Every text of DialogStrings.h, by the name after its VT_EN_ / VT_JA_.
#define VELMOR_DIALOG_TEXTS(X)                                                                     \
  X(PROPERTY)                                                                                      \
  X(OK)                                                                                            \
  X(CANCEL) X(DEFAULT) X(APPLY) X(TAB_ANALOG) X(TAB_IMAGE) X(TAB_GREY) X(TAB_STREAM)               \
      X(GLOBAL_GAIN) X(COLOUR_G1) X(COLOUR_R) X(COLOUR_B) X(COLOUR_G2) X(EXPOSURE) X(BLACK_LEVEL)  \
          X(MIRROR_V) X(MIRROR_H) X(AUTO_IRIS) X(AUTO_GAIN) X(AUTO_EXPOSURE) X(PELTIER) X(         \
              SHORT_EXPOSURE) X(HIGH_GAIN) X(LOW_GAIN) X(EXPOSURE_MS) X(EXPOSURE_RANGE) X(UNIT_NS) \
              X(UNIT_US) X(UNIT_MS) X(UNIT_S) X(BRIGHTNESS) X(CONTRAST) X(HUE) X(SATURATION)       \
                  X(SHARPNESS) X(R_GAIN) X(G_GAIN) X(B_GAIN) X(GAMMA) X(WHITE_BALANCE) X(ONCE)     \
                      X(ALL_FRAMES) X(BAYER_MODE) X(BAYER_0) X(BAYER_1) X(BAYER_2) X(BAYER_3)      \
                          X(GREY_GAIN) X(GREY_OFFSET) X(RED) X(GREEN1) X(GREEN2) X(BLUE)           \
                              X(FILTER_MODE) X(MODE_BAYER) X(MODE_CONVERT) X(MODE_GREYSCALE)       \
                                  X(AUTO_GAIN_GROUP) X(FORMAT) X(SIZE) X(SUBSAMPLE) X(H_TOTAL)     \
                                      X(V_TOTAL) X(H_EFFECTIVE) X(V_EFFECTIVE) X(H_START)          \
                                          X(V_START) X(WAIT_TIME) X(CLOCK) X(CLOCK_NOTE) X(MONO_8) \
                                              X(MONO_WIDE) X(COLOUR_24) X(COLOUR_32) X(COLOUR_48)  \
                                                  X(COLOUR_64) X(CUSTOM) X(SIZE_ENTRY) X(SUB_FULL) \
                                                      X(SUB_SKIP) X(SUB_BIN) X(CLOCK_NORMAL)       \
                                                          X(CLOCK_HALF) X(CLOCK_HIGH)

enum class Text : int32_t {
#define VELMOR_TEXT_NAME(name) name,
  VELMOR_DIALOG_TEXTS(VELMOR_TEXT_NAME)
#undef VELMOR_TEXT_NAME
};

// UTF-8.
const char *TextOf(Text text, Language language);

// The text with its printf conversions filled in.
std::string Format(Text text, Language language, ...);

// The text as a label without a mnemonic: "&&" stays one "&", a single "&"
// goes.
std::string WithoutMnemonic(const char *text);

}  // namespace velmor::dialogs
