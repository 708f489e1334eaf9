// The window frames are drawn into while acquisition runs: a child of a host
// window at a given place, or a centred top-level window "Active Window" with
// a client area of the image's size. On Windows it is a window of a class of
// its own with a device context kept for drawing; elsewhere an SDL2 window
// (a child of the host's X11 window when one is given), where SDL2 was
// available at build time and a display is reachable.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/BitmapStorage.h"
#include "velmor/velmor.h"

namespace velmor::platform {

class PreviewWindow {
 public:
  virtual ~PreviewWindow() = default;

  // The client area when the window is shown, not empty and drawable.
  virtual bool ClientSize(int32_t &width, int32_t &height) const = 0;
  // Draws an 8-bit (through its colour table) or 24-bit bitmap one pixel to
  // one pixel at the client area's top left. `topRowFirst`: memory row 0 is
  // the picture's top row; otherwise the bitmap is bottom-up, as GDI shows a
  // device-independent bitmap. False when nothing could be drawn.
  // `dc` is the bitmap's memory DC where it has one (Windows draws only
  // from a DC).
  virtual bool Draw(const BitmapInfo &info, const uint8_t *bits, int32_t stride, void *dc,
                    bool topRowFirst) = 0;
  // The client area as it is on screen, 0x00RRGGBB per pixel, top row first.
  virtual bool ReadBack(std::vector<uint32_t> &pixels, int32_t &width, int32_t &height) const = 0;
  // The native window (an HWND on Windows, the X11 window id elsewhere).
  virtual VELMOR_HWND handle() const = 0;
};

// With a parent: a visible child at (x, y) of width x height (identifier
// 6540 on Windows). Without one: a top-level window whose client area is
// width x height, centred on the screen (never at negative coordinates) and
// limited to the screen's usable area. `className` names the window class
// registered for it on Windows. Null when no window can be made.
std::unique_ptr<PreviewWindow> create_preview_window(const char *className, VELMOR_HWND parent,
                                                     int32_t x, int32_t y, int32_t width,
                                                     int32_t height);

}  // namespace velmor::platform
