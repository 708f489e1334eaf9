// The settings dialogs on Linux: the same controls, ranges, buttons and
// behaviour as the Windows dialogs, drawn by Dear ImGui in an SDL2 window
// with OpenGL, modal on the calling thread (the loop returns when the dialog
// ends). Japanese texts where the process's locale is Japanese and a CJK
// font is installed. Built into the display module, not the library.
#include "dialogs/imgui/ImGuiDialogs.h"

#include <SDL.h>
#include <SDL_opengl.h>
#include <backends/imgui_impl_opengl2.h>
#include <backends/imgui_impl_sdl.h>
#include <imgui.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>

#include "dialogs/DialogIds.h"
#include "dialogs/DialogToolkit.h"

namespace velmor::dialogs {
namespace {

constexpr const char *kJapaneseFonts[] = {"/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf",
                                          "/usr/share/fonts/truetype/fonts-japanese-gothic.ttf"};
constexpr const char *kLatinFonts[] = {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"};
constexpr float kFontPixels = 15.0f;
constexpr float kLabelWidth = 150.0f;
constexpr float kTrackbarWidth = 240.0f;
constexpr float kEditWidth = 120.0f;
// Without a frame hook the loop sleeps in the event wait; a refresh wakes it.
constexpr int kIdleWaitMs = 100;

std::mutex hookLock;
std::function<void(DialogFrame &)> frameHook;

std::function<void(DialogFrame &)> CurrentHook() {
  std::lock_guard hold(hookLock);
  return frameHook;
}

const char *FirstPresent(const char *const *paths, size_t count) {
  struct stat info {};
  for (size_t i = 0; i < count; ++i)
    if (stat(paths[i], &info) == 0) return paths[i];
  return nullptr;
}

bool LocaleIsJapanese() {
  for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char *value = std::getenv(name);
    if (value != nullptr && *value != '\0') return std::strncmp(value, "ja", 2) == 0;
  }
  return false;
}

// The event that wakes the loop when another thread changed what it shows.
Uint32 RefreshEvent() {
  static const Uint32 type = SDL_RegisterEvents(1);
  return type;
}

void Wake() {
  SDL_Event event{};
  event.type = RefreshEvent();
  SDL_PushEvent(&event);
}

std::string Label(Text text, Language language) { return WithoutMnemonic(TextOf(text, language)); }

// A trackbar with its edit and up-down (the edit's step buttons); the new
// value when either was changed.
std::optional<int32_t> SliderRow(const SliderControl &slider, int32_t value, bool enabled,
                                 Language language) {
  std::optional<int32_t> changed;
  ImGui::PushID(slider.trackbar);
  ImGui::BeginDisabled(!enabled);
  ImGui::AlignTextToFramePadding();
  ImGui::TextUnformatted(Label(slider.label, language).c_str());
  ImGui::SameLine(kLabelWidth);
  ImGui::SetNextItemWidth(kTrackbarWidth);
  int moved = value;
  if (ImGui::SliderInt("##bar", &moved, slider.minimum, slider.maximum)) changed = moved;
  ImGui::SameLine();
  ImGui::SetNextItemWidth(kEditWidth);
  int typed = value;
  if (ImGui::InputInt("##edit", &typed, 1, slider.page, ImGuiInputTextFlags_EnterReturnsTrue))
    changed = typed;
  ImGui::EndDisabled();
  ImGui::PopID();
  return changed;
}

bool Combo(const char *id, const std::vector<std::string> &items, int32_t &selected) {
  bool changed = false;
  const char *preview =
      selected >= 0 && selected < int32_t(items.size()) ? items[selected].c_str() : "";
  if (ImGui::BeginCombo(id, preview)) {
    for (int32_t i = 0; i < int32_t(items.size()); ++i) {
      if (ImGui::Selectable(items[i].c_str(), i == selected)) {
        selected = i;
        changed = true;
      }
    }
    ImGui::EndCombo();
  }
  return changed;
}

bool Checkbox(Text text, Language language, int32_t id, bool checked, bool &now) {
  ImGui::PushID(id);
  now = checked;
  const bool clicked = ImGui::Checkbox(Label(text, language).c_str(), &now);
  ImGui::PopID();
  return clicked;
}

// A frame read back from the dialog window's OpenGL context.
class GlDialogFrame final : public DialogFrame {
 public:
  bool ReadPixels(std::vector<uint32_t> &pixels, int32_t &width, int32_t &height) const override;
};

}  // namespace

bool GlDialogFrame::ReadPixels(std::vector<uint32_t> &pixels, int32_t &width,
                               int32_t &height) const {
  GLint viewport[4] = {};
  glGetIntegerv(GL_VIEWPORT, viewport);
  width = viewport[2];
  height = viewport[3];
  if (width <= 0 || height <= 0) return false;
  std::vector<uint8_t> rgba(size_t(width) * height * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  pixels.resize(size_t(width) * height);
  // OpenGL's rows run bottom-up.
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t *row = &rgba[size_t(height - 1 - y) * width * 4];
    for (int32_t x = 0; x < width; ++x)
      pixels[size_t(y) * width + x] =
          uint32_t(row[4 * x]) << 16 | uint32_t(row[4 * x + 1]) << 8 | row[4 * x + 2];
  }
  return glGetError() == GL_NO_ERROR;
}

void SetDialogFrameHook(std::function<void(DialogFrame &)> hook) {
  std::lock_guard hold(hookLock);
  frameHook = std::move(hook);
}

Language ToolkitLanguage() {
  return LocaleIsJapanese() && FirstPresent(kJapaneseFonts, std::size(kJapaneseFonts)) != nullptr
             ? Language::kJapanese
             : Language::kEnglish;
}

// One dialog window: SDL2 window, OpenGL context, ImGui context and the
// loop that draws the dialog until it ends.
class ImGuiDialogLoop {
 public:
  ImGuiDialogLoop(Language language, int width, int height) : language_(language) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return;
    video_ = true;
    window_ = SDL_CreateWindow(TextOf(Text::PROPERTY, language), SDL_WINDOWPOS_CENTERED,
                               SDL_WINDOWPOS_CENTERED, width, height,
                               SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
    if (window_ == nullptr) return;
    gl_ = SDL_GL_CreateContext(window_);
    if (gl_ == nullptr) return;
    SDL_GL_MakeCurrent(window_, gl_);
    imgui_ = ImGui::CreateContext();
    ImGuiIO &io = ImGui::GetIO();
    io.IniFilename = nullptr;
    LoadFont(io);
    ImGui::StyleColorsLight();
    ImGui_ImplSDL2_InitForOpenGL(window_, gl_);
    ImGui_ImplOpenGL2_Init();
    ready_ = true;
  }
  ~ImGuiDialogLoop() {
    if (ready_) {
      ImGui_ImplOpenGL2_Shutdown();
      ImGui_ImplSDL2_Shutdown();
    }
    if (imgui_ != nullptr) ImGui::DestroyContext(imgui_);
    if (gl_ != nullptr) SDL_GL_DeleteContext(gl_);
    if (window_ != nullptr) SDL_DestroyWindow(window_);
    if (video_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }
  ImGuiDialogLoop(const ImGuiDialogLoop &) = delete;
  ImGuiDialogLoop &operator=(const ImGuiDialogLoop &) = delete;

  // Draws frames until the dialog ends; `draw`
  // lays out the dialog's controls and returns a result to end with, or 0.
  template <class Draw>
  int32_t Run(RefreshNotice &notice, Draw &&draw) {
    if (!ready_) return kDialogCancel;
    notice.SetWake(Wake);
    const auto hook = CurrentHook();
    GlDialogFrame frame;
    int32_t result = 0;
    while (result == 0) {
      SDL_Event event;
      const bool waited = !hook && SDL_WaitEventTimeout(&event, kIdleWaitMs) != 0;
      for (bool have = waited || SDL_PollEvent(&event) != 0; have;
           have = SDL_PollEvent(&event) != 0) {
        ImGui_ImplSDL2_ProcessEvent(&event);
        if (const int32_t ended = EndingOf(event); ended != 0 && result == 0) result = ended;
      }
      ImGui_ImplOpenGL2_NewFrame();
      ImGui_ImplSDL2_NewFrame();
      ImGui::NewFrame();
      const ImGuiIO &io = ImGui::GetIO();
      ImGui::SetNextWindowPos(ImVec2(0, 0));
      ImGui::SetNextWindowSize(io.DisplaySize);
      ImGui::Begin("##dialog", nullptr,
                   ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove |
                       ImGuiWindowFlags_NoSavedSettings);
      if (const int32_t ended = draw(); ended != 0 && result == 0) result = ended;
      ImGui::End();
      ImGui::Render();
      glViewport(0, 0, int(io.DisplaySize.x), int(io.DisplaySize.y));
      glClearColor(0.94f, 0.94f, 0.94f, 1.0f);
      glClear(GL_COLOR_BUFFER_BIT);
      ImGui_ImplOpenGL2_RenderDrawData(ImGui::GetDrawData());
      if (hook) {
        ++frame.number;
        hook(frame);
        if (frame.result_ != 0 && result == 0) result = frame.result_;
      }
      SDL_GL_SwapWindow(window_);
    }
    notice.SetWake(nullptr);
    return result;
  }

  Language language() const { return language_; }

  // What ends a dialog besides its buttons, as in a Windows dialog: Enter
  // outside a text field is OK; Escape and closing the window are Cancel.
  int32_t EndingOf(const SDL_Event &event) const {
    if (event.type == SDL_QUIT ||
        (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE &&
         event.window.windowID == SDL_GetWindowID(window_)))
      return kDialogCancel;
    if (event.type != SDL_KEYDOWN) return 0;
    const SDL_Keycode key = event.key.keysym.sym;
    if (key == SDLK_ESCAPE) return kDialogCancel;
    if ((key == SDLK_RETURN || key == SDLK_KP_ENTER) && !ImGui::GetIO().WantTextInput)
      return kDialogOk;
    return 0;
  }

  // OK and Cancel, and a third button (Default or Apply); the result when
  // OK or Cancel was pressed.
  int32_t Buttons(Text third, bool thirdEnabled, bool &thirdPressed) {
    ImGui::Separator();
    int32_t result = 0;
    if (ImGui::Button(Label(Text::OK, language_).c_str(), ImVec2(100, 0))) result = kDialogOk;
    ImGui::SameLine();
    if (ImGui::Button(Label(Text::CANCEL, language_).c_str(), ImVec2(100, 0)))
      result = kDialogCancel;
    ImGui::SameLine();
    ImGui::BeginDisabled(!thirdEnabled);
    thirdPressed = ImGui::Button(Label(third, language_).c_str(), ImVec2(100, 0));
    ImGui::EndDisabled();
    return result;
  }

 private:
  void LoadFont(ImGuiIO &io) {
    if (language_ == Language::kJapanese) {
      // Only the glyphs the dialogs use: the whole Japanese range would take
      // long to rasterise.
      ImFontGlyphRangesBuilder builder;
      builder.AddRanges(io.Fonts->GetGlyphRangesDefault());
#define VELMOR_ADD_TEXT(name) builder.AddText(TextOf(Text::name, Language::kJapanese));
      VELMOR_DIALOG_TEXTS(VELMOR_ADD_TEXT)
#undef VELMOR_ADD_TEXT
      builder.BuildRanges(&ranges_);
      if (const char *font = FirstPresent(kJapaneseFonts, std::size(kJapaneseFonts));
          font != nullptr &&
          io.Fonts->AddFontFromFileTTF(font, kFontPixels, nullptr, ranges_.Data) != nullptr)
        return;
    }
    static const ImWchar kLatinRanges[] = {0x0020, 0x00FF, 0x03BC, 0x03BC, 0x203B, 0x203B, 0};
    if (const char *font = FirstPresent(kLatinFonts, std::size(kLatinFonts));
        font == nullptr ||
        io.Fonts->AddFontFromFileTTF(font, kFontPixels, nullptr, kLatinRanges) == nullptr)
      io.Fonts->AddFontDefault();
  }

  const Language language_;
  bool video_ = false, ready_ = false;
  SDL_Window *window_ = nullptr;
  SDL_GLContext gl_ = nullptr;
  ImGuiContext *imgui_ = nullptr;
  ImVector<ImWchar> ranges_;
};

int32_t ShowAnalogDialog(AnalogDialogModel &model, VELMOR_HWND) {
  const Language language = model.language();
  ImGuiDialogLoop loop(language, 640, 400);
  char exposureText[64] = {};
  return loop.Run(model.notice(), [&] {
    model.TakeRefresh();
    int32_t result = 0;
    if (ImGui::BeginTabBar("tabs")) {
      if (ImGui::BeginTabItem(Label(Text::TAB_ANALOG, language).c_str())) {
        for (int32_t i = 0; i < kAnalogSliderCount; ++i) {
          const auto which = AnalogSlider(i);
          if (!model.sliderShown(which)) continue;
          if (auto value = SliderRow(model.slider(which), model.value(which),
                                     model.sliderEnabled(which), language))
            model.SetValue(which, *value);
          if (which == kExposureSlider) {
            ImGui::SameLine();
            ImGui::TextUnformatted(model.ExposureMilliseconds().c_str());
          }
        }
        if (model.extendedExposure()) {
          ImGui::AlignTextToFramePadding();
          ImGui::TextUnformatted(Label(Text::EXPOSURE, language).c_str());
          ImGui::SameLine(kLabelWidth);
          ImGui::SetNextItemWidth(kEditWidth);
          if (ImGui::InputText("##exposureEx", exposureText, sizeof exposureText,
                               ImGuiInputTextFlags_EnterReturnsTrue))
            model.SetExposureText(exposureText);
          if (!ImGui::IsItemActive())
            std::snprintf(exposureText, sizeof exposureText, "%s", model.ExposureText().c_str());
          ImGui::SameLine();
          std::vector<std::string> units;
          const Text unitTexts[] = {Text::UNIT_NS, Text::UNIT_US, Text::UNIT_MS, Text::UNIT_S};
          for (ExposureUnit unit : model.units())
            units.push_back(TextOf(unitTexts[unit], language));
          int32_t unit = model.unitIndex();
          ImGui::SetNextItemWidth(80);
          if (Combo("##unit", units, unit)) model.SelectUnit(unit);
          ImGui::SameLine();
          ImGui::TextUnformatted(model.ExposureRange().c_str());
        }
        bool on = false;
        if (model.peltierShown() &&
            Checkbox(Text::PELTIER, language, IDC_PELTIER, model.peltier(), on))
          model.SetPeltier(on);
        if (model.shortExposureShown() &&
            Checkbox(Text::SHORT_EXPOSURE, language, IDC_SHORT_EXPOSURE, model.shortExposure(), on))
          model.SetShortExposure(on);
        if (model.gainModeShown()) {
          int32_t mode = model.gainMode();
          ImGui::SetNextItemWidth(kEditWidth);
          if (Combo("##gainMode",
                    {TextOf(Text::HIGH_GAIN, language), TextOf(Text::LOW_GAIN, language)}, mode))
            model.SetGainMode(mode);
        }
        ImGui::TextUnformatted(Label(Text::AUTO_IRIS, language).c_str());
        if (Checkbox(Text::AUTO_GAIN, language, IDC_AUTO_GAIN, model.autoIris() == kAutoIrisGain,
                     on))
          model.SetAutoGain(on);
        ImGui::SameLine();
        if (Checkbox(Text::AUTO_EXPOSURE, language, IDC_AUTO_EXPOSURE,
                     model.autoIris() == kAutoIrisExposure, on))
          model.SetAutoExposure(on);
        if (Checkbox(Text::MIRROR_V, language, IDC_MIRROR_V, model.mirrorV(), on))
          model.SetMirrorV(on);
        ImGui::SameLine();
        if (Checkbox(Text::MIRROR_H, language, IDC_MIRROR_H, model.mirrorH(), on))
          model.SetMirrorH(on);
        ImGui::EndTabItem();
      }
      ImGui::EndTabBar();
    }
    bool defaults = false;
    result = loop.Buttons(Text::DEFAULT, true, defaults);
    if (defaults) model.Default();
    return result;
  });
}

namespace {

bool RadioRow(const Text *texts, int32_t count, int32_t firstId, int32_t selected, int32_t &chosen,
              Language language) {
  bool changed = false;
  for (int32_t i = 0; i < count; ++i) {
    ImGui::PushID(firstId + i);
    if (i > 0) ImGui::SameLine();
    if (ImGui::RadioButton(Label(texts[i], language).c_str(), selected == i)) {
      chosen = i;
      changed = true;
    }
    ImGui::PopID();
  }
  return changed;
}

void BayerModeRow(ImageDialogModel &model, bool enabled, Language language) {
  constexpr Text kModes[] = {Text::BAYER_0, Text::BAYER_1, Text::BAYER_2, Text::BAYER_3};
  ImGui::BeginDisabled(!enabled);
  ImGui::TextUnformatted(Label(Text::BAYER_MODE, language).c_str());
  int32_t mode = 0;
  if (RadioRow(kModes, 4, IDC_BAYER_MODE_0, model.bayerMode(), mode, language))
    model.SetBayerMode(mode);
  ImGui::EndDisabled();
}

// "Once" and "All frames" of an automatic measurement.
void AutoRow(Text group, bool enabled, bool all, Language language, const auto &once,
             const auto &setAll) {
  ImGui::BeginDisabled(!enabled);
  ImGui::TextUnformatted(Label(group, language).c_str());
  if (ImGui::Button(Label(Text::ONCE, language).c_str())) once();
  ImGui::SameLine();
  bool now = false;
  if (Checkbox(Text::ALL_FRAMES, language, IDC_AUTO_ALL_FRAMES, all, now)) setAll(now);
  ImGui::EndDisabled();
}

void ImageSliders(ImageDialogModel &model, ImagePage page, Language language) {
  const auto sliders = ImageDialogModel::sliders();
  for (int32_t i = 0; i < int32_t(sliders.size()); ++i) {
    if (sliders[i].page != page) continue;
    if (page == kGreyFilterPage && sliders[i].id == kFilterGrayGainR)
      ImGui::TextUnformatted(Label(Text::GREY_GAIN, language).c_str());
    if (page == kGreyFilterPage && sliders[i].id == kFilterGrayOffsetR)
      ImGui::TextUnformatted(Label(Text::GREY_OFFSET, language).c_str());
    if (auto value =
            SliderRow(sliders[i].control, model.value(i), model.sliderEnabled(i), language))
      model.SetValue(i, *value);
  }
}

}  // namespace

int32_t ShowImageDialog(ImageDialogModel &model, VELMOR_HWND) {
  const Language language = model.language();
  ImGuiDialogLoop loop(language, 640, 520);
  return loop.Run(model.notice(), [&] {
    model.TakeRefresh();
    if (ImGui::BeginTabBar("tabs")) {
      if (ImGui::BeginTabItem(Label(Text::TAB_IMAGE, language).c_str())) {
        ImageSliders(model, kImageFilterPage, language);
        AutoRow(
            Text::WHITE_BALANCE, model.colourControlsEnabled(), model.whiteBalanceAll(), language,
            [&] { model.WhiteBalanceOnce(); }, [&](bool on) { model.SetWhiteBalanceAll(on); });
        BayerModeRow(model, model.colourControlsEnabled(), language);
        ImGui::EndTabItem();
      }
      if (model.greyPage() && ImGui::BeginTabItem(Label(Text::TAB_GREY, language).c_str())) {
        ImageSliders(model, kGreyFilterPage, language);
        constexpr Text kModes[] = {Text::MODE_BAYER, Text::MODE_CONVERT, Text::MODE_GREYSCALE};
        ImGui::TextUnformatted(Label(Text::FILTER_MODE, language).c_str());
        int32_t mode = 0;
        if (RadioRow(kModes, 3, IDC_GREY_MODE_BAYER, model.greyMode(), mode, language))
          model.SetGreyMode(mode);
        AutoRow(
            Text::AUTO_GAIN_GROUP, true, model.greyGainAll(), language,
            [&] { model.GreyGainOnce(); }, [&](bool on) { model.SetGreyGainAll(on); });
        BayerModeRow(model, true, language);
        ImGui::EndTabItem();
      }
      ImGui::EndTabBar();
    }
    bool defaults = false;
    const int32_t result = loop.Buttons(Text::DEFAULT, true, defaults);
    if (defaults) model.Default();
    return result;
  });
}

int32_t ShowCameraDialog(CameraDialogModel &model, VELMOR_HWND) {
  const Language language = model.language();
  ImGuiDialogLoop loop(language, 560, 420);
  constexpr Text kWindowLabels[] = {Text::H_TOTAL,     Text::V_TOTAL, Text::H_EFFECTIVE,
                                    Text::V_EFFECTIVE, Text::H_START, Text::V_START};
  RefreshNotice unused;
  return loop.Run(unused, [&] {
    if (ImGui::BeginTabBar("tabs")) {
      if (ImGui::BeginTabItem(Label(Text::TAB_STREAM, language).c_str())) {
        const auto row = [&](Text label) {
          ImGui::AlignTextToFramePadding();
          ImGui::TextUnformatted(Label(label, language).c_str());
          ImGui::SameLine(kLabelWidth + 30);
          ImGui::SetNextItemWidth(kTrackbarWidth);
        };
        int32_t choice = model.formatIndex();
        row(Text::FORMAT);
        if (Combo("##format", model.formats(), choice)) model.SelectFormat(choice);
        choice = model.sizeIndex();
        row(Text::SIZE);
        ImGui::BeginDisabled(!model.sizeListEnabled());
        if (Combo("##size", model.sizes(), choice)) model.SelectSize(choice);
        ImGui::EndDisabled();
        choice = model.subSampleIndex();
        row(Text::SUBSAMPLE);
        if (Combo("##subsample", model.subSamples(), choice)) model.SelectSubSample(choice);
        for (int32_t i = 0; i < kWindowEditCount; ++i) {
          const auto edit = WindowEdit(i);
          ImGui::PushID(IDC_H_TOTAL + i);
          ImGui::BeginDisabled(!model.windowEditEnabled(edit));
          row(kWindowLabels[i]);
          int value = model.windowValue(edit);
          if (ImGui::InputInt(
                  "##window", &value, 0, 0,
                  (CameraDialogModel::windowEditReadOnly(edit) ? ImGuiInputTextFlags_ReadOnly : 0) |
                      ImGuiInputTextFlags_EnterReturnsTrue))
            model.SetWindowValue(edit, value);
          ImGui::EndDisabled();
          ImGui::PopID();
        }
        row(Text::WAIT_TIME);
        int wait = model.waitTime();
        if (ImGui::InputInt("##wait", &wait, 0, 0, ImGuiInputTextFlags_EnterReturnsTrue))
          model.SetWaitTime(wait);
        choice = model.clockIndex();
        row(Text::CLOCK);
        ImGui::BeginDisabled(!model.clockEnabled());
        Combo("##clock", model.clocks(), choice);
        ImGui::EndDisabled();
        ImGui::TextUnformatted(model.clockNote());
        ImGui::EndTabItem();
      }
      ImGui::EndTabBar();
    }
    bool apply = false;
    const int32_t result = loop.Buttons(Text::APPLY, model.applyEnabled(), apply);
    if (apply) model.Apply();
    return result;
  });
}

}  // namespace velmor::dialogs
