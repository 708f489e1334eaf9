// Preview windows on SDL2. Every SDL call runs under one lock: the window is
// made and destroyed on the host's thread and drawn on the acquisition
// thread. A child of a host window exists only where SDL runs on X11: the
// SDL window is made hidden and borderless, then re-parented into the host's
// window. Built without SDL2, no window can be made.
#include "platform/PreviewWindow.h"

#if VELMOR_HAVE_SDL2
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#endif

namespace velmor::platform {

#if VELMOR_HAVE_SDL2
namespace {

std::mutex &SdlLock() {
  static std::mutex lock;
  return lock;
}

bool OnX11(SDL_Window *window, SDL_SysWMinfo &info) {
  SDL_VERSION(&info.version);
  return SDL_GetWindowWMInfo(window, &info) == SDL_TRUE && info.subsystem == SDL_SYSWM_X11;
}

class SdlPreviewWindow final : public PreviewWindow {
 public:
  explicit SdlPreviewWindow(SDL_Window *window) : window_(window) {}
  ~SdlPreviewWindow() override {
    std::lock_guard lock(SdlLock());
    SDL_DestroyWindow(window_);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }

  bool ClientSize(int32_t &width, int32_t &height) const override {
    std::lock_guard lock(SdlLock());
    if ((SDL_GetWindowFlags(window_) & (SDL_WINDOW_SHOWN | SDL_WINDOW_HIDDEN)) != SDL_WINDOW_SHOWN)
      return false;
    int w = 0, h = 0;
    SDL_GetWindowSize(window_, &w, &h);
    width = w;
    height = h;
    return w > 0 && h > 0;
  }

  bool Draw(const BitmapInfo &info, const uint8_t *bits, int32_t stride, void *,
            bool topRowFirst) override {
    const int32_t width = info.header.biWidth;
    const int32_t height = info.header.biHeight;
    const int32_t depth = info.header.biBitCount;
    if (bits == nullptr || width <= 0 || height <= 0 || (depth != 8 && depth != 24)) return false;
    std::lock_guard lock(SdlLock());
    SDL_Surface *surface = SDL_GetWindowSurface(window_);
    if (surface == nullptr || SDL_LockSurface(surface) != 0) return false;
    const SDL_PixelFormat *format = surface->format;
    if (format->BytesPerPixel != 4) {
      SDL_UnlockSurface(surface);
      return false;
    }
    uint32_t palette[256];
    for (int i = 0; i < 256; ++i) {
      const RgbQuad &c = info.colours[i];
      palette[i] = SDL_MapRGB(format, c.rgbRed, c.rgbGreen, c.rgbBlue);
    }
    const int32_t rows = std::min<int32_t>(height, surface->h);
    const int32_t columns = std::min<int32_t>(width, surface->w);
    for (int32_t row = 0; row < rows; ++row) {
      const uint8_t *src = bits + std::ptrdiff_t(topRowFirst ? row : height - 1 - row) * stride;
      auto *dst = reinterpret_cast<uint32_t *>(static_cast<uint8_t *>(surface->pixels) +
                                               std::ptrdiff_t(row) * surface->pitch);
      if (depth == 8) {
        for (int32_t x = 0; x < columns; ++x) dst[x] = palette[src[x]];
      } else {
        for (int32_t x = 0; x < columns; ++x)
          dst[x] = SDL_MapRGB(format, src[3 * x + 2], src[3 * x + 1], src[3 * x]);
      }
    }
    SDL_UnlockSurface(surface);
    return SDL_UpdateWindowSurface(window_) == 0;
  }

  bool ReadBack(std::vector<uint32_t> &pixels, int32_t &width, int32_t &height) const override {
    std::lock_guard lock(SdlLock());
    SDL_SysWMinfo info;
    if (!OnX11(window_, info)) return false;
    Display *display = info.info.x11.display;
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, info.info.x11.window, &attributes)) return false;
    XImage *image = XGetImage(display, info.info.x11.window, 0, 0, unsigned(attributes.width),
                              unsigned(attributes.height), AllPlanes, ZPixmap);
    if (image == nullptr) return false;
    width = attributes.width;
    height = attributes.height;
    pixels.resize(std::size_t(width) * std::size_t(height));
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x)
        pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)] =
            uint32_t(XGetPixel(image, x, y)) & 0xFFFFFFu;
    XDestroyImage(image);
    return true;
  }

  VELMOR_HWND handle() const override {
    std::lock_guard lock(SdlLock());
    SDL_SysWMinfo info;
    if (!OnX11(window_, info)) return nullptr;
    return reinterpret_cast<VELMOR_HWND>(uintptr_t(info.info.x11.window));
  }

 private:
  SDL_Window *window_;
};

// SDL falls back to drivers that draw nowhere (offscreen, dummy) when no
// display is reachable; only a window system's driver shows a window.
bool OnDisplay() {
  const char *driver = SDL_GetCurrentVideoDriver();
  return driver != nullptr &&
         (std::strcmp(driver, "x11") == 0 || std::strcmp(driver, "wayland") == 0);
}

// Moves the hidden SDL window into the host's X11 window at (x, y).
bool AdoptAsChild(SDL_Window *window, VELMOR_HWND parent, int32_t x, int32_t y) {
  SDL_SysWMinfo info;
  if (!OnX11(window, info)) return false;
  Display *display = info.info.x11.display;
  XReparentWindow(display, info.info.x11.window, ::Window(reinterpret_cast<uintptr_t>(parent)), x,
                  y);
  XSync(display, False);
  SDL_ShowWindow(window);
  XMoveWindow(display, info.info.x11.window, x, y);
  XSync(display, False);
  return true;
}

// A top-level window: centred on the first display's usable area, never at
// negative coordinates, and no larger than that area (as Windows limits a
// window to the screen); the session scales its frames into what it gets.
SDL_Window *MakeTopLevel(int32_t width, int32_t height) {
  SDL_Rect usable{0, 0, width, height};
  if (SDL_GetDisplayUsableBounds(0, &usable) == 0 && usable.w > 0 && usable.h > 0) {
    width = std::min(width, usable.w);
    height = std::min(height, usable.h);
  }
  const int32_t left = usable.x + std::max(0, (usable.w - width) / 2);
  const int32_t top = usable.y + std::max(0, (usable.h - height) / 2);
  return SDL_CreateWindow("Active Window", left, top, width, height, SDL_WINDOW_SHOWN);
}

}  // namespace

std::unique_ptr<PreviewWindow> create_preview_window(const char *, VELMOR_HWND parent, int32_t x,
                                                     int32_t y, int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return nullptr;
  std::lock_guard lock(SdlLock());
  // The window system's own framebuffer: no GL driver is loaded for
  // drawing bitmaps, and the screen saver is left alone.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return nullptr;
  if (!OnDisplay()) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return nullptr;
  }
  SDL_Window *window = parent != nullptr
                           ? SDL_CreateWindow("ActiveMovie Window", x, y, width, height,
                                              SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS)
                           : MakeTopLevel(width, height);
  if (window != nullptr && (parent == nullptr || AdoptAsChild(window, parent, x, y)))
    return std::make_unique<SdlPreviewWindow>(window);
  if (window != nullptr) SDL_DestroyWindow(window);
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  return nullptr;
}

#else

std::unique_ptr<PreviewWindow> create_preview_window(const char *, VELMOR_HWND, int32_t, int32_t,
                                                     int32_t, int32_t) {
  return nullptr;
}

#endif

}  // namespace velmor::platform
