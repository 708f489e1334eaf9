// Preview windows on Win32: a class of their own registered for each window
// (the window procedure leaves every message to DefWindowProcA, so the window
// never paints by itself), the window, and its DC kept for drawing from the
// acquisition thread. Bitmaps reach the DC from their DIB sections.
#include "platform/PreviewWindow.h"

#include <windows.h>

#include <algorithm>
#include <string>

namespace velmor::platform {
namespace {

constexpr DWORD kChildStyle = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;
constexpr DWORD kTopLevelStyle =
    WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr int kChildId = 6540;

LRESULT CALLBACK PassOn(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

class GdiPreviewWindow final : public PreviewWindow {
 public:
  GdiPreviewWindow(std::string className, HWND window, HDC dc)
      : className_(std::move(className)), window_(window), dc_(dc) {}
  ~GdiPreviewWindow() override {
    ReleaseDC(window_, dc_);
    DestroyWindow(window_);
    UnregisterClassA(className_.c_str(), GetModuleHandleA(nullptr));
  }

  bool ClientSize(int32_t &width, int32_t &height) const override {
    RECT client{};
    if (!IsWindowVisible(window_) || !GetClientRect(window_, &client)) return false;
    width = client.right - client.left;
    height = client.bottom - client.top;
    return width > 0 && height > 0;
  }

  bool Draw(const BitmapInfo &info, const uint8_t *, int32_t, void *dc, bool topRowFirst) override {
    HDC source = static_cast<HDC>(dc);
    if (source == nullptr) return false;
    const int w = info.header.biWidth;
    const int h = info.header.biHeight;
    // A DIB section is shown bottom-up: a top-row-first bitmap is turned
    // upright by reading it with a negative height.
    if (topRowFirst) return StretchBlt(dc_, 0, 0, w, h, source, 0, h, w, -h, SRCCOPY) != FALSE;
    return BitBlt(dc_, 0, 0, w, h, source, 0, 0, SRCCOPY) != FALSE;
  }

  bool ReadBack(std::vector<uint32_t> &pixels, int32_t &width, int32_t &height) const override {
    RECT client{};
    if (!GetClientRect(window_, &client)) return false;
    width = client.right;
    height = client.bottom;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void *bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(dc_);
    bool copied = false;
    if (bitmap && memory) {
      HGDIOBJ displaced = SelectObject(memory, bitmap);
      copied = BitBlt(memory, 0, 0, width, height, dc_, 0, 0, SRCCOPY) != FALSE;
      GdiFlush();
      if (copied) {
        const auto *words = static_cast<const uint32_t *>(bits);
        pixels.assign(words, words + std::size_t(width) * std::size_t(height));
        for (uint32_t &pixel : pixels) pixel &= 0xFFFFFFu;
      }
      SelectObject(memory, displaced);
    }
    if (memory) DeleteDC(memory);
    if (bitmap) DeleteObject(bitmap);
    return copied;
  }

  VELMOR_HWND handle() const override { return window_; }

 private:
  std::string className_;
  HWND window_;
  HDC dc_;
};

HWND MakeWindow(const char *className, HWND parent, int32_t x, int32_t y, int32_t width,
                int32_t height) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  if (parent != nullptr)
    return CreateWindowExA(0, className, "ActiveMovie Window", kChildStyle, x, y, width, height,
                           parent, reinterpret_cast<HMENU>(INT_PTR(kChildId)), instance, nullptr);
  RECT frame{0, 0, width, height};
  AdjustWindowRectEx(&frame, kTopLevelStyle, FALSE, 0);
  const int frameWidth = frame.right - frame.left;
  const int frameHeight = frame.bottom - frame.top;
  const int left = std::max(0, (GetSystemMetrics(SM_CXSCREEN) - frameWidth) / 2);
  const int top = std::max(0, (GetSystemMetrics(SM_CYSCREEN) - frameHeight) / 2);
  return CreateWindowExA(0, className, "Active Window", kTopLevelStyle, left, top, frameWidth,
                         frameHeight, nullptr, nullptr, instance, nullptr);
}

}  // namespace

std::unique_ptr<PreviewWindow> create_preview_window(const char *className, VELMOR_HWND parent,
                                                     int32_t x, int32_t y, int32_t width,
                                                     int32_t height) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof(WNDCLASSEXA);
  windowClass.lpfnWndProc = PassOn;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  windowClass.lpszClassName = className;
  if (!RegisterClassExA(&windowClass)) return nullptr;
  HWND window = MakeWindow(className, parent, x, y, width, height);
  if (window != nullptr) {
    SetFocus(window);
    ShowWindow(window, SW_SHOW);
    if (UpdateWindow(window)) {
      if (HDC dc = GetDC(window); dc != nullptr)
        return std::make_unique<GdiPreviewWindow>(className, window, dc);
    }
    DestroyWindow(window);
  }
  UnregisterClassA(className, instance);
  return nullptr;
}

}  // namespace velmor::platform
