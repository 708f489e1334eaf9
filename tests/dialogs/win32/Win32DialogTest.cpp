// The Win32 dialogs from their templates, in English and Japanese: opened
// through the exports and driven with the messages a person's actions send
// (trackbar moves, typed values, check boxes, tabs, lists, buttons).
#include "../DialogFixture.h"
#include "dialogs/DialogIds.h"
#include "dialogs/win32/Win32Dialogs.h"

// After the project's headers: <windows.h> macros would rename their members.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

namespace velmor {
namespace {

using dialogs::Language;
using dialogs::Text;

std::string Narrow(const wchar_t *text) {
  char narrow[512] = {};
  WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
  return narrow;
}

std::string TextOfWindow(HWND window) {
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  return Narrow(text);
}

std::string ListEntry(HWND dialog, int id, int index) {
  wchar_t text[512] = {};
  SendDlgItemMessageW(dialog, id, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
  return Narrow(text);
}

int EditValue(HWND dialog, int id) {
  BOOL ok = FALSE;
  const int value = int(GetDlgItemInt(dialog, id, &ok, TRUE));
  EXPECT_TRUE(ok) << "edit " << id << " holds no number";
  return value;
}

int TrackbarPosition(HWND dialog, int id) {
  return int(SendDlgItemMessageW(dialog, id, TBM_GETPOS, 0, 0));
}

// A person dragging the trackbar to `value`.
void Drag(HWND dialog, int id, int value) {
  HWND bar = GetDlgItem(dialog, id);
  SendMessageW(bar, TBM_SETPOS, TRUE, value);
  SendMessageW(dialog, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, value), reinterpret_cast<LPARAM>(bar));
}

// A person clicking a check box or radio button.
void Click(HWND dialog, int id) {
  HWND button = GetDlgItem(dialog, id);
  const LRESULT style = GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK;
  if (style == BS_AUTOCHECKBOX)
    SendMessageW(
        button, BM_SETCHECK,
        SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED, 0);
  else if (style == BS_AUTORADIOBUTTON)
    SendMessageW(button, BM_SETCHECK, BST_CHECKED, 0);
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

void Choose(HWND dialog, int id, int index) {
  SendDlgItemMessageW(dialog, id, CB_SETCURSEL, index, 0);
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void Press(HWND dialog, int id) { SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

// The page of the tab control that is shown.
HWND VisiblePage(HWND dialog) {
  for (HWND child = GetWindow(GetDlgItem(dialog, IDC_TAB), GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT))
    if (GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE) return child;
  return nullptr;
}

class Win32DialogTest : public DialogFixture, public ::testing::WithParamInterface<Language> {
 protected:
  void SetUp() override {
    DialogFixture::SetUp();
    dialogs::SetLanguageOverride(int32_t(GetParam()));
  }
  void TearDown() override {
    dialogs::SetDialogShownHook(nullptr);
    DialogFixture::TearDown();
  }
  std::string Expected(Text text) const { return dialogs::TextOf(text, GetParam()); }

  // Runs `drive` on the dialog once it is up; it must end the dialog.
  void OnShown(std::function<void(HWND)> drive) {
    dialogs::SetDialogShownHook([this, drive](void *dialog) {
      ++shown;
      drive(static_cast<HWND>(dialog));
      // Behind the end `drive` posted, or in place of it when it failed
      // before posting one.
      PostMessageW(static_cast<HWND>(dialog), WM_COMMAND, IDCANCEL, 0);
    });
  }

  int shown = 0;
};

TEST_P(Win32DialogTest, AnalogDialogKeepsItsTriplesInStepAndCancelUndoes) {
  const int32_t handle = OpenCamera();
  CVelmorUSB3K7SimpleSdk &engine = *Session(handle).engine();
  const int32_t keptGain = engine.GetGain();
  OnShown([&](HWND dialog) {
    EXPECT_EQ(TextOfWindow(dialog), Expected(Text::PROPERTY));
    EXPECT_EQ(TextOfWindow(GetDlgItem(dialog, IDC_DEFAULT)), Expected(Text::DEFAULT));
    EXPECT_EQ(TextOfWindow(GetDlgItem(dialog, IDCANCEL)), Expected(Text::CANCEL));
    HWND page = VisiblePage(dialog);
    ASSERT_NE(page, nullptr);
    ASSERT_NE(GetDlgItem(page, IDC_BLACK_BAR), nullptr) << "the monochrome page";
    POINT corner{0, 0};
    MapWindowPoints(page, GetDlgItem(dialog, IDC_TAB), &corner, 1);
    EXPECT_EQ(corner.x, 30);
    EXPECT_EQ(corner.y, 25);

    const int minimum = engine.GetGainMin(), maximum = engine.GetGainMax();
    EXPECT_EQ(SendDlgItemMessageW(page, IDC_GAIN_BAR, TBM_GETRANGEMIN, 0, 0), minimum);
    EXPECT_EQ(SendDlgItemMessageW(page, IDC_GAIN_BAR, TBM_GETRANGEMAX, 0, 0), maximum);
    EXPECT_EQ(SendDlgItemMessageW(page, IDC_GAIN_BAR, TBM_GETPAGESIZE, 0, 0),
              (maximum - minimum) / 8);
    EXPECT_EQ(HWND(SendDlgItemMessageW(page, IDC_GAIN_SPIN, UDM_GETBUDDY, 0, 0)),
              GetDlgItem(page, IDC_GAIN_EDIT));
    EXPECT_FALSE(GetWindowLongW(GetDlgItem(page, IDC_EXPOSURE_BAR), GWL_STYLE) & WS_VISIBLE)
        << "exposure in seconds replaces the slider";
    EXPECT_TRUE(GetWindowLongW(GetDlgItem(page, IDC_EXPOSURE_EX_EDIT), GWL_STYLE) & WS_VISIBLE);

    Drag(page, IDC_GAIN_BAR, 100);
    EXPECT_EQ(EditValue(page, IDC_GAIN_EDIT), 100) << "the trackbar writes the edit";
    EXPECT_EQ(engine.GetGain(), 100) << "and the value reaches the camera";
    SetDlgItemInt(page, IDC_GAIN_EDIT, 50, TRUE);
    EXPECT_EQ(TrackbarPosition(page, IDC_GAIN_BAR), 50) << "the edit moves the trackbar";
    EXPECT_EQ(engine.GetGain(), 50);

    Click(page, IDC_MIRROR_V);
    EXPECT_EQ(engine.GetMirrorV(), 1);
    Click(page, IDC_AUTO_GAIN);
    Click(page, IDC_AUTO_EXPOSURE);
    EXPECT_EQ(IsDlgButtonChecked(page, IDC_AUTO_GAIN), BST_UNCHECKED);
    EXPECT_EQ(Session(handle).autoIris(), 1);

    Press(dialog, IDC_DEFAULT);
    EXPECT_EQ(engine.GetGain(), engine.GetGainDefault());
    EXPECT_EQ(EditValue(page, IDC_GAIN_EDIT), engine.GetGainDefault());

    SetDlgItemInt(page, IDC_GAIN_EDIT, 70, TRUE);
    Session(handle).ShowGainInDialog(90);  // automatic gain, as from another thread
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    EXPECT_EQ(EditValue(page, IDC_GAIN_EDIT), 90) << "the refresh reached the edit";
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  EXPECT_EQ(Velmor_SetAnalogDlg(handle, nullptr), 1);
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(engine.GetGain(), keptGain) << "Cancel put the gain back";
  EXPECT_EQ(engine.GetMirrorV(), 0);
  EXPECT_EQ(Session(handle).autoIris(), 0);
}

TEST_P(Win32DialogTest, ImageDialogHasBothTabsAndOkKeepsTheValues) {
  const int32_t handle = OpenCamera();
  CVelmor &session = Session(handle);
  OnShown([&](HWND dialog) {
    HWND tab = GetDlgItem(dialog, IDC_TAB);
    ASSERT_EQ(SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0), 2) << "grey tab in a grey mode";
    EXPECT_TRUE(GetWindowLongW(tab, GWL_STYLE) & TCS_OWNERDRAWFIXED);
    HWND filters = VisiblePage(dialog);
    ASSERT_NE(GetDlgItem(filters, IDC_BRIGHTNESS_BAR), nullptr);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(filters, IDC_HUE_BAR))) << "no hue on grey frames";
    EXPECT_EQ(SendDlgItemMessageW(filters, IDC_HUE_BAR, TBM_GETPAGESIZE, 0, 0), 90);

    Drag(filters, IDC_BRIGHTNESS_BAR, -40);
    EXPECT_EQ(EditValue(filters, IDC_BRIGHTNESS_EDIT), -40);
    EXPECT_EQ(session.filters().byId[kFilterBrightness], -40);
    SetDlgItemInt(filters, IDC_SATURATION_EDIT, UINT(-900), TRUE);
    EXPECT_EQ(session.filters().byId[kFilterSaturation], -255) << "brought into its range";

    SendMessageW(tab, TCM_SETCURSEL, 1, 0);
    NMHDR change{tab, IDC_TAB, UINT(TCN_SELCHANGE)};
    SendMessageW(dialog, WM_NOTIFY, IDC_TAB, reinterpret_cast<LPARAM>(&change));
    HWND grey = VisiblePage(dialog);
    ASSERT_NE(GetDlgItem(grey, IDC_GREY_OFFSET_R_BAR), nullptr) << "the grey page is shown";
    EXPECT_FALSE(GetWindowLongW(filters, GWL_STYLE) & WS_VISIBLE);
    SetDlgItemInt(grey, IDC_GREY_OFFSET_R_EDIT, UINT(-10), TRUE);
    EXPECT_EQ(TrackbarPosition(grey, IDC_GREY_OFFSET_R_BAR), -10);
    Click(grey, IDC_GREY_MODE_GREYSCALE);
    Click(grey, IDC_AUTO_ALL_FRAMES);
    EXPECT_EQ(session.filters().byId[kFilterGrayGainAuto], -1);
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  });
  EXPECT_EQ(Velmor_SetImageDlg(handle, nullptr), 1);
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(session.filters().byId[kFilterBrightness], -40);
  EXPECT_EQ(session.filters().byId[kFilterGrayOffsetR], -10);
  EXPECT_EQ(session.filters().byId[kFilterGrayMode], 2);
}

TEST_P(Win32DialogTest, CameraDialogListsAppliesAndTakesItsWindowAfterOk) {
  const int32_t handle = OpenCamera();
  CVelmor &session = Session(handle);
  OnShown([&](HWND dialog) {
    EXPECT_EQ(TextOfWindow(dialog), Expected(Text::PROPERTY));
    ASSERT_EQ(SendDlgItemMessageW(dialog, IDC_FORMAT_LIST, CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(ListEntry(dialog, IDC_FORMAT_LIST, 1),
              dialogs::Format(Text::MONO_WIDE, GetParam(), 12));
    EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_CLOCK_LIST, CB_GETCURSEL, 0, 0), 2);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_CLOCK_LIST)));
    EXPECT_EQ(ListEntry(dialog, IDC_SIZE_LIST, 1), Expected(Text::CUSTOM));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_APPLY)));

    SetDlgItemInt(dialog, IDC_WAIT_TIME, 7, FALSE);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_APPLY))) << "a change enables Apply";
    Press(dialog, IDC_APPLY);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_APPLY)));

    Choose(dialog, IDC_SIZE_LIST, 1);
    SetDlgItemInt(dialog, IDC_H_EFFECTIVE, 1024, TRUE);
    SetDlgItemInt(dialog, IDC_V_EFFECTIVE, 1024, TRUE);
    Choose(dialog, IDC_SUBSAMPLE_LIST, dialogs::kSubSampleBin);
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  });
  EXPECT_EQ(Velmor_SetCameraDlg(handle, nullptr), 1);
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(session.geometry().EH, 1024);
  EXPECT_EQ(session.subSample(), 17);
  EXPECT_EQ(session.waitTime(), 7);
}

INSTANTIATE_TEST_SUITE_P(Languages, Win32DialogTest,
                         ::testing::Values(Language::kEnglish, Language::kJapanese),
                         [](const auto &info) {
                           return info.param == Language::kJapanese ? "Japanese" : "English";
                         });

}  // namespace
}  // namespace velmor
