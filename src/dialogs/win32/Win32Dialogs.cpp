// The settings dialogs on Windows: modal Win32 dialogs from the templates of
// Dialogs.rc (Japanese when the system's default language is Japanese), with
// owner-drawn tab controls whose pages are child dialogs at (30, 25), and
// trackbar / edit / up-down triples kept in step. What the controls do is
// the models'; this file moves values between them and the controls.
#include "dialogs/win32/Win32Dialogs.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "dialogs/DialogIds.h"
#include "dialogs/DialogToolkit.h"

// After the project's headers: <windows.h> macros would rename their members.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

namespace velmor::dialogs {
namespace {

constexpr LANGID kJapanese = 1041;
constexpr int kPageX = 30, kPageY = 25;
// Posted to a dialog: values changed behind it; and: it is up.
constexpr UINT kRefreshMessage = WM_APP + 1;
constexpr UINT kShownMessage = WM_APP + 2;

std::mutex hookLock;
std::function<void(void *)> shownHook;

std::wstring Wide(const std::string &text) {
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
  std::wstring wide(length > 0 ? length - 1 : 0, L'\0');
  if (length > 1) MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(), length);
  return wide;
}

// The module whose resources hold the templates: the one this code is in
// (the library, or a program that links it statically).
HINSTANCE TemplateModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&TemplateModule), &module);
  return module;
}

void InitControls() {
  INITCOMMONCONTROLSEX controls{
      sizeof controls, ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
}

void SetText(HWND dialog, int id, const std::string &text) {
  SetDlgItemTextW(dialog, id, Wide(text).c_str());
}

void FillList(HWND dialog, int id, const std::vector<std::string> &items, int selected) {
  SendDlgItemMessageW(dialog, id, CB_RESETCONTENT, 0, 0);
  for (const std::string &item : items)
    SendDlgItemMessageW(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str()));
  SendDlgItemMessageW(dialog, id, CB_SETCURSEL, selected, 0);
}

int Selection(HWND dialog, int id) {
  return int(SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0));
}

void Check(HWND dialog, int id, bool on) {
  CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED);
}

bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void ShowControl(HWND dialog, int id, bool shown) {
  if (HWND control = GetDlgItem(dialog, id)) ShowWindow(control, shown ? SW_SHOW : SW_HIDE);
}

void EnableControl(HWND dialog, int id, bool enabled) {
  if (HWND control = GetDlgItem(dialog, id)) EnableWindow(control, enabled);
}

// One page or dialog whose controls mirror a model. `quiet` is set while
// the code itself writes controls, whose change notices must not reach the
// model again.
class Panel {
 public:
  virtual ~Panel() = default;
  // Ranges, lists and visibility; then the values.
  virtual void Init(HWND dialog) = 0;
  virtual void Refresh(HWND dialog) = 0;
  // WM_COMMAND from one of the panel's controls.
  virtual void Command(HWND dialog, int id, int code) = 0;
  // WM_HSCROLL from a trackbar.
  void Scroll(HWND dialog, HWND trackbar) {
    const int id = GetDlgCtrlID(trackbar);
    const int position = int(SendMessageW(trackbar, TBM_GETPOS, 0, 0));
    // The trackbar writes the edit; the edit's change applies the value.
    for (const SliderControl *slider : sliders_)
      if (slider->trackbar == id) SetDlgItemInt(dialog, slider->edit, UINT(position), TRUE);
  }
  // The slider whose edit `id` changed; its value when it holds a number.
  const SliderControl *EditedSlider(HWND dialog, int id, int code, int &value) {
    if (quiet_ || code != EN_CHANGE) return nullptr;
    for (const SliderControl *slider : sliders_) {
      if (slider->edit != id) continue;
      BOOL number = FALSE;
      value = int(GetDlgItemInt(dialog, id, &number, TRUE));
      if (!number) return nullptr;
      SendDlgItemMessageW(dialog, slider->trackbar, TBM_SETPOS, TRUE, value);
      return slider;
    }
    return nullptr;
  }

 protected:
  void SetupSlider(HWND dialog, const SliderControl &slider, bool shown, bool enabled) {
    sliders_.push_back(&slider);
    SendDlgItemMessageW(dialog, slider.trackbar, TBM_SETRANGEMIN, FALSE, slider.minimum);
    SendDlgItemMessageW(dialog, slider.trackbar, TBM_SETRANGEMAX, TRUE, slider.maximum);
    SendDlgItemMessageW(dialog, slider.trackbar, TBM_SETPAGESIZE, 0, slider.page);
    SendDlgItemMessageW(dialog, slider.upDown, UDM_SETRANGE32, slider.minimum, slider.maximum);
    for (int id : {slider.trackbar, slider.edit, slider.upDown}) {
      ShowControl(dialog, id, shown);
      EnableControl(dialog, id, enabled);
    }
  }
  void ShowSlider(HWND dialog, const SliderControl &slider, int value) {
    SendDlgItemMessageW(dialog, slider.trackbar, TBM_SETPOS, TRUE, value);
    SetDlgItemInt(dialog, slider.edit, UINT(value), TRUE);
  }
  // Runs `write` with change notices kept from the model.
  template <class Write>
  void Quietly(Write &&write) {
    const bool was = quiet_;
    quiet_ = true;
    write();
    quiet_ = was;
  }
  bool quiet() const { return quiet_; }

 private:
  std::vector<const SliderControl *> sliders_;
  bool quiet_ = false;
};

INT_PTR CALLBACK PanelProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto *panel = reinterpret_cast<Panel *>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      reinterpret_cast<Panel *>(lParam)->Init(dialog);
      return TRUE;
    case WM_HSCROLL:
      if (panel != nullptr && lParam != 0) panel->Scroll(dialog, reinterpret_cast<HWND>(lParam));
      return TRUE;
    case WM_COMMAND:
      if (panel != nullptr) panel->Command(dialog, LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    default:
      return FALSE;
  }
}

class AnalogPanel final : public Panel {
 public:
  explicit AnalogPanel(AnalogDialogModel &model) : model_(model) {}
  void Init(HWND dialog) override {
    for (int32_t i = 0; i < kAnalogSliderCount; ++i) {
      const auto which = AnalogSlider(i);
      SetupSlider(dialog, model_.slider(which), model_.sliderShown(which),
                  model_.sliderEnabled(which));
    }
    const bool extended = model_.extendedExposure();
    ShowControl(dialog, IDC_EXPOSURE_MS, !extended);
    for (int id : {IDC_EXPOSURE_EX_EDIT, IDC_EXPOSURE_EX_UNIT, IDC_EXPOSURE_EX_RANGE})
      ShowControl(dialog, id, extended);
    const Language language = model_.language();
    if (extended) {
      const Text unitTexts[] = {Text::UNIT_NS, Text::UNIT_US, Text::UNIT_MS, Text::UNIT_S};
      std::vector<std::string> units;
      for (ExposureUnit unit : model_.units()) units.push_back(TextOf(unitTexts[unit], language));
      FillList(dialog, IDC_EXPOSURE_EX_UNIT, units, model_.unitIndex());
      SetText(dialog, IDC_EXPOSURE_EX_RANGE, model_.ExposureRange());
    }
    ShowControl(dialog, IDC_PELTIER, model_.peltierShown());
    ShowControl(dialog, IDC_SHORT_EXPOSURE, model_.shortExposureShown());
    ShowControl(dialog, IDC_GAIN_MODE, model_.gainModeShown());
    FillList(dialog, IDC_GAIN_MODE,
             {TextOf(Text::HIGH_GAIN, language), TextOf(Text::LOW_GAIN, language)},
             model_.gainMode());
    Refresh(dialog);
  }
  void Refresh(HWND dialog) override {
    Quietly([&] {
      for (int32_t i = 0; i < kAnalogSliderCount; ++i)
        ShowSlider(dialog, model_.slider(AnalogSlider(i)), model_.value(AnalogSlider(i)));
      SetText(dialog, IDC_EXPOSURE_MS, model_.ExposureMilliseconds());
      SetText(dialog, IDC_EXPOSURE_EX_EDIT, model_.ExposureText());
      Check(dialog, IDC_MIRROR_V, model_.mirrorV());
      Check(dialog, IDC_MIRROR_H, model_.mirrorH());
      Check(dialog, IDC_AUTO_GAIN, model_.autoIris() == kAutoIrisGain);
      Check(dialog, IDC_AUTO_EXPOSURE, model_.autoIris() == kAutoIrisExposure);
      Check(dialog, IDC_PELTIER, model_.peltier());
      Check(dialog, IDC_SHORT_EXPOSURE, model_.shortExposure());
      SendDlgItemMessageW(dialog, IDC_GAIN_MODE, CB_SETCURSEL, model_.gainMode(), 0);
    });
  }
  void Command(HWND dialog, int id, int code) override {
    int value = 0;
    if (const SliderControl *slider = EditedSlider(dialog, id, code, value)) {
      for (int32_t i = 0; i < kAnalogSliderCount; ++i)
        if (&model_.slider(AnalogSlider(i)) == slider) model_.SetValue(AnalogSlider(i), value);
      if (id == IDC_EXPOSURE_EDIT) SetText(dialog, IDC_EXPOSURE_MS, model_.ExposureMilliseconds());
      return;
    }
    if (quiet()) return;
    if (id == IDC_EXPOSURE_EX_EDIT && code == EN_CHANGE) {
      wchar_t text[64] = {};
      GetDlgItemTextW(dialog, id, text, 64);
      char narrow[64] = {};
      WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
      model_.SetExposureText(narrow);
      return;
    }
    if (code == CBN_SELCHANGE && id == IDC_EXPOSURE_EX_UNIT) {
      model_.SelectUnit(Selection(dialog, id));
      Quietly([&] { SetText(dialog, IDC_EXPOSURE_EX_EDIT, model_.ExposureText()); });
      return;
    }
    if (code == CBN_SELCHANGE && id == IDC_GAIN_MODE) {
      model_.SetGainMode(Selection(dialog, id));
      return;
    }
    if (code != BN_CLICKED) return;
    const bool on = Checked(dialog, id);
    switch (id) {
      case IDC_MIRROR_V:
        model_.SetMirrorV(on);
        break;
      case IDC_MIRROR_H:
        model_.SetMirrorH(on);
        break;
      case IDC_AUTO_GAIN:
        model_.SetAutoGain(on);
        Check(dialog, IDC_AUTO_EXPOSURE, false);
        break;
      case IDC_AUTO_EXPOSURE:
        model_.SetAutoExposure(on);
        Check(dialog, IDC_AUTO_GAIN, false);
        break;
      case IDC_PELTIER:
        model_.SetPeltier(on);
        break;
      case IDC_SHORT_EXPOSURE:
        model_.SetShortExposure(on);
        break;
      default:
        break;
    }
  }

 private:
  AnalogDialogModel &model_;
};

class ImageFilterPanel final : public Panel {
 public:
  ImageFilterPanel(ImageDialogModel &model, ImagePage page) : model_(model), page_(page) {}
  void Init(HWND dialog) override {
    const auto sliders = ImageDialogModel::sliders();
    for (int32_t i = 0; i < int32_t(sliders.size()); ++i)
      if (sliders[i].page == page_)
        SetupSlider(dialog, sliders[i].control, true, model_.sliderEnabled(i));
    const bool colour = page_ == kGreyFilterPage || model_.colourControlsEnabled();
    for (int id = IDC_BAYER_MODE_0; id <= IDC_BAYER_MODE_3; ++id) EnableControl(dialog, id, colour);
    EnableControl(dialog, IDC_AUTO_ONCE, colour);
    EnableControl(dialog, IDC_AUTO_ALL_FRAMES, colour);
    Refresh(dialog);
  }
  void Refresh(HWND dialog) override {
    Quietly([&] {
      const auto sliders = ImageDialogModel::sliders();
      for (int32_t i = 0; i < int32_t(sliders.size()); ++i)
        if (sliders[i].page == page_) ShowSlider(dialog, sliders[i].control, model_.value(i));
      CheckRadioButton(dialog, IDC_BAYER_MODE_0, IDC_BAYER_MODE_3,
                       IDC_BAYER_MODE_0 + model_.bayerMode());
      if (page_ == kGreyFilterPage) {
        CheckRadioButton(dialog, IDC_GREY_MODE_BAYER, IDC_GREY_MODE_GREYSCALE,
                         IDC_GREY_MODE_BAYER + model_.greyMode());
        Check(dialog, IDC_AUTO_ALL_FRAMES, model_.greyGainAll());
      } else {
        Check(dialog, IDC_AUTO_ALL_FRAMES, model_.whiteBalanceAll());
      }
    });
  }
  void Command(HWND dialog, int id, int code) override {
    int value = 0;
    if (EditedSlider(dialog, id, code, value) != nullptr) {
      model_.SetValue(ImageDialogModel::SliderOf(id), value);
      return;
    }
    if (quiet() || code != BN_CLICKED) return;
    if (id >= IDC_BAYER_MODE_0 && id <= IDC_BAYER_MODE_3) {
      model_.SetBayerMode(id - IDC_BAYER_MODE_0);
    } else if (id >= IDC_GREY_MODE_BAYER && id <= IDC_GREY_MODE_GREYSCALE) {
      model_.SetGreyMode(id - IDC_GREY_MODE_BAYER);
    } else if (id == IDC_AUTO_ONCE) {
      if (page_ == kGreyFilterPage) {
        model_.GreyGainOnce();
      } else {
        model_.WhiteBalanceOnce();
        Check(dialog, IDC_AUTO_ALL_FRAMES, false);
      }
    } else if (id == IDC_AUTO_ALL_FRAMES) {
      if (page_ == kGreyFilterPage)
        model_.SetGreyGainAll(Checked(dialog, id));
      else
        model_.SetWhiteBalanceAll(Checked(dialog, id));
    }
  }

 private:
  ImageDialogModel &model_;
  const ImagePage page_;
};

// A frame: the tab control with its pages and the buttons.
struct Frame {
  Language language;
  std::vector<std::pair<Text, int>> tabs;  // caption, page template
  std::vector<Panel *> panels;             // one per tab
  RefreshNotice *notice = nullptr;
  std::function<bool()> takeRefresh;
  std::function<void()> defaults;
  std::vector<HWND> pages = {};
  HBRUSH tabBrush = nullptr;
};

void ShowPage(Frame &frame, HWND tab) {
  const int selected = int(SendMessageW(tab, TCM_GETCURSEL, 0, 0));
  for (size_t i = 0; i < frame.pages.size(); ++i)
    ShowWindow(frame.pages[i], int(i) == selected ? SW_SHOW : SW_HIDE);
}

void AnnounceShown(HWND dialog) {
  std::function<void(void *)> hook;
  {
    std::lock_guard hold(hookLock);
    hook = shownHook;
  }
  if (!hook) return;
  // The dialog manager shows a dialog once its queue first runs empty; the
  // hook wants it on screen.
  ShowWindow(dialog, SW_SHOW);
  UpdateWindow(dialog);
  hook(dialog);
}

// Fills an owner-drawn tab with the button face colour and centres its
// caption.
void DrawTab(const DRAWITEMSTRUCT &item, HBRUSH brush, const std::wstring &caption) {
  FillRect(item.hDC, &item.rcItem, brush);
  SetBkMode(item.hDC, TRANSPARENT);
  RECT box = item.rcItem;
  DrawTextW(item.hDC, caption.c_str(), -1, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

// What every dialog procedure answers alike: the shown notice and the OK
// and Cancel buttons, which end the dialog. True when `message` was one.
bool AnsweredAlike(HWND dialog, UINT message, WPARAM wParam) {
  if (message == kShownMessage) {
    AnnounceShown(dialog);
    return true;
  }
  if (message != WM_COMMAND) return false;
  switch (LOWORD(wParam)) {
    case IDOK:
      EndDialog(dialog, kDialogOk);
      return true;
    case IDCANCEL:
      EndDialog(dialog, kDialogCancel);
      return true;
    default:
      return false;
  }
}

void InsertTabs(HWND tab, Language language, const std::vector<Text> &captions) {
  for (size_t i = 0; i < captions.size(); ++i) {
    std::wstring caption = Wide(TextOf(captions[i], language));
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = caption.data();
    SendMessageW(tab, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
  }
}

INT_PTR CALLBACK FrameProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto *frame = reinterpret_cast<Frame *>(GetWindowLongPtrW(dialog, DWLP_USER));
  if (AnsweredAlike(dialog, message, wParam)) return TRUE;
  switch (message) {
    case WM_INITDIALOG: {
      frame = reinterpret_cast<Frame *>(lParam);
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      frame->tabBrush = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
      HWND tab = GetDlgItem(dialog, IDC_TAB);
      std::vector<Text> captions;
      for (const auto &entry : frame->tabs) captions.push_back(entry.first);
      InsertTabs(tab, frame->language, captions);
      for (size_t i = 0; i < frame->tabs.size(); ++i) {
        HWND page = CreateDialogParamW(TemplateModule(), MAKEINTRESOURCEW(frame->tabs[i].second),
                                       tab, PanelProc, reinterpret_cast<LPARAM>(frame->panels[i]));
        SetWindowPos(page, nullptr, kPageX, kPageY, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        frame->pages.push_back(page);
      }
      ShowPage(*frame, tab);
      frame->notice->SetWake([dialog] { PostMessageW(dialog, kRefreshMessage, 0, 0); });
      PostMessageW(dialog, kShownMessage, 0, 0);
      return TRUE;
    }
    case WM_DRAWITEM: {
      const auto &item = *reinterpret_cast<const DRAWITEMSTRUCT *>(lParam);
      if (frame == nullptr || item.CtlID != IDC_TAB || item.itemID >= frame->tabs.size())
        return FALSE;
      DrawTab(item, frame->tabBrush, Wide(TextOf(frame->tabs[item.itemID].first, frame->language)));
      return TRUE;
    }
    case WM_NOTIFY: {
      const auto &notice = *reinterpret_cast<const NMHDR *>(lParam);
      if (frame != nullptr && notice.idFrom == IDC_TAB && notice.code == TCN_SELCHANGE)
        ShowPage(*frame, notice.hwndFrom);
      return TRUE;
    }
    case kRefreshMessage:
      if (frame != nullptr && frame->takeRefresh())
        for (size_t i = 0; i < frame->pages.size(); ++i) frame->panels[i]->Refresh(frame->pages[i]);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) != IDC_DEFAULT) return FALSE;
      if (frame == nullptr) return TRUE;
      frame->defaults();
      for (size_t i = 0; i < frame->pages.size(); ++i) frame->panels[i]->Refresh(frame->pages[i]);
      return TRUE;
    case WM_DESTROY:
      if (frame != nullptr) {
        frame->notice->SetWake(nullptr);
        DeleteObject(frame->tabBrush);
      }
      return FALSE;
    default:
      return FALSE;
  }
}

int32_t RunFrame(Frame &frame, int templateId, VELMOR_HWND parent) {
  InitControls();
  const INT_PTR result = DialogBoxParamW(TemplateModule(), MAKEINTRESOURCEW(templateId), parent,
                                         FrameProc, reinterpret_cast<LPARAM>(&frame));
  return result == kDialogOk ? kDialogOk : kDialogCancel;
}

bool Japanese(Language language) { return language == Language::kJapanese; }

// The camera dialog: one page of controls on a tab of its own.
class CameraPanel final : public Panel {
 public:
  explicit CameraPanel(CameraDialogModel &model) : model_(model) {}
  void Init(HWND dialog) override {
    Quietly([&] {
      FillList(dialog, IDC_FORMAT_LIST, model_.formats(), model_.formatIndex());
      FillList(dialog, IDC_SUBSAMPLE_LIST, model_.subSamples(), model_.subSampleIndex());
      FillList(dialog, IDC_CLOCK_LIST, model_.clocks(), model_.clockIndex());
      EnableControl(dialog, IDC_CLOCK_LIST, model_.clockEnabled());
      SetDlgItemInt(dialog, IDC_WAIT_TIME, UINT(model_.waitTime()), FALSE);
    });
    Refresh(dialog);
  }
  void Refresh(HWND dialog) override {
    Quietly([&] {
      FillList(dialog, IDC_SIZE_LIST, model_.sizes(), model_.sizeIndex());
      EnableControl(dialog, IDC_SIZE_LIST, model_.sizeListEnabled());
      for (int32_t i = 0; i < kWindowEditCount; ++i) {
        const auto edit = WindowEdit(i);
        SetDlgItemInt(dialog, IDC_H_TOTAL + i, UINT(model_.windowValue(edit)), TRUE);
        EnableControl(dialog, IDC_H_TOTAL + i, model_.windowEditEnabled(edit));
      }
      EnableControl(dialog, IDC_APPLY, model_.applyEnabled());
    });
  }
  void Command(HWND dialog, int id, int code) override {
    if (quiet()) return;
    if (id == IDC_APPLY && code == BN_CLICKED) {
      model_.Apply();
    } else if (code == CBN_SELCHANGE && id == IDC_FORMAT_LIST) {
      model_.SelectFormat(Selection(dialog, id));
    } else if (code == CBN_SELCHANGE && id == IDC_SIZE_LIST) {
      model_.SelectSize(Selection(dialog, id));
    } else if (code == CBN_SELCHANGE && id == IDC_SUBSAMPLE_LIST) {
      model_.SelectSubSample(Selection(dialog, id));
    } else if (code == EN_CHANGE && id >= IDC_H_TOTAL && id <= IDC_V_START) {
      BOOL number = FALSE;
      const int value = int(GetDlgItemInt(dialog, id, &number, TRUE));
      if (number) model_.SetWindowValue(WindowEdit(id - IDC_H_TOTAL), value);
      EnableControl(dialog, IDC_APPLY, model_.applyEnabled());
      return;
    } else if (code == EN_CHANGE && id == IDC_WAIT_TIME) {
      BOOL number = FALSE;
      const int value = int(GetDlgItemInt(dialog, id, &number, FALSE));
      if (number) model_.SetWaitTime(value);
      EnableControl(dialog, IDC_APPLY, model_.applyEnabled());
      return;
    } else {
      return;
    }
    Refresh(dialog);
  }

 private:
  CameraDialogModel &model_;
};

struct CameraFrame {
  CameraPanel *panel;
  Language language;
  HBRUSH tabBrush = nullptr;
};

INT_PTR CALLBACK CameraProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto *frame = reinterpret_cast<CameraFrame *>(GetWindowLongPtrW(dialog, DWLP_USER));
  if (AnsweredAlike(dialog, message, wParam)) return TRUE;
  switch (message) {
    case WM_INITDIALOG:
      frame = reinterpret_cast<CameraFrame *>(lParam);
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      frame->tabBrush = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
      InsertTabs(GetDlgItem(dialog, IDC_TAB), frame->language, {Text::TAB_STREAM});
      frame->panel->Init(dialog);
      PostMessageW(dialog, kShownMessage, 0, 0);
      return TRUE;
    case WM_DRAWITEM: {
      const auto &item = *reinterpret_cast<const DRAWITEMSTRUCT *>(lParam);
      if (frame == nullptr || item.CtlID != IDC_TAB) return FALSE;
      DrawTab(item, frame->tabBrush, Wide(TextOf(Text::TAB_STREAM, frame->language)));
      return TRUE;
    }
    case WM_COMMAND:
      if (frame != nullptr) frame->panel->Command(dialog, LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    case WM_DESTROY:
      if (frame != nullptr) DeleteObject(frame->tabBrush);
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

void SetDialogShownHook(std::function<void(void *)> hook) {
  std::lock_guard hold(hookLock);
  shownHook = std::move(hook);
}

Language ToolkitLanguage() {
  return GetSystemDefaultLangID() == kJapanese ? Language::kJapanese : Language::kEnglish;
}

int32_t ShowAnalogDialog(AnalogDialogModel &model, VELMOR_HWND parent) {
  const bool japanese = Japanese(model.language());
  AnalogPanel page(model);
  Frame frame{model.language(),
              {{Text::TAB_ANALOG, model.colourPage()
                                      ? (japanese ? IDD_ANALOG_COLOUR_JA : IDD_ANALOG_COLOUR_EN)
                                      : (japanese ? IDD_ANALOG_MONO_JA : IDD_ANALOG_MONO_EN)}},
              {&page},
              &model.notice(),
              [&] { return model.TakeRefresh(); },
              [&] { model.Default(); }};
  return RunFrame(frame, japanese ? IDD_ANALOG_FRAME_JA : IDD_ANALOG_FRAME_EN, parent);
}

int32_t ShowImageDialog(ImageDialogModel &model, VELMOR_HWND parent) {
  const bool japanese = Japanese(model.language());
  ImageFilterPanel filters(model, kImageFilterPage), grey(model, kGreyFilterPage);
  Frame frame{model.language(),
              {{Text::TAB_IMAGE, japanese ? IDD_IMAGE_PAGE_JA : IDD_IMAGE_PAGE_EN}},
              {&filters},
              &model.notice(),
              [&] { return model.TakeRefresh(); },
              [&] { model.Default(); }};
  if (model.greyPage()) {
    frame.tabs.push_back({Text::TAB_GREY, japanese ? IDD_GREY_PAGE_JA : IDD_GREY_PAGE_EN});
    frame.panels.push_back(&grey);
  }
  return RunFrame(frame, japanese ? IDD_IMAGE_FRAME_JA : IDD_IMAGE_FRAME_EN, parent);
}

int32_t ShowCameraDialog(CameraDialogModel &model, VELMOR_HWND parent) {
  InitControls();
  CameraPanel panel(model);
  CameraFrame frame{&panel, model.language()};
  const INT_PTR result =
      DialogBoxParamW(TemplateModule(),
                      MAKEINTRESOURCEW(Japanese(model.language()) ? IDD_CAMERA_JA : IDD_CAMERA_EN),
                      parent, CameraProc, reinterpret_cast<LPARAM>(&frame));
  return result == kDialogOk ? kDialogOk : kDialogCancel;
}

}  // namespace velmor::dialogs
