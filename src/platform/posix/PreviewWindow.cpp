// Preview windows through the display module: a host that shows no window,
// or runs where the module's libraries are not installed, loads no display
// library. While the module cannot be loaded every window request fails.
#include "platform/PreviewWindow.h"

#include "platform/posix/DisplayModule.h"

namespace velmor::platform {
namespace {

class ModulePreviewWindow final : public PreviewWindow {
 public:
  ModulePreviewWindow(const DisplayTable &display, void *window)
      : display_(display), window_(window) {}
  ModulePreviewWindow(const ModulePreviewWindow &) = delete;
  ModulePreviewWindow &operator=(const ModulePreviewWindow &) = delete;
  ~ModulePreviewWindow() override { display_.destroyWindow(window_); }

  bool ClientSize(int32_t &width, int32_t &height) const override {
    return display_.clientSize(window_, &width, &height);
  }
  bool Draw(const BitmapInfo &info, const uint8_t *bits, int32_t stride, void *,
            bool topRowFirst) override {
    return display_.draw(window_, &info, bits, stride, topRowFirst);
  }
  bool ReadBack(std::vector<uint32_t> &pixels, int32_t &width, int32_t &height) const override {
    // The window may change size between asking and reading: ask again.
    for (int attempt = 0; attempt < 3; ++attempt) {
      width = height = 0;
      if (display_.readBack(window_, pixels.data(), pixels.size(), &width, &height)) {
        pixels.resize(std::size_t(width) * std::size_t(height));
        return true;
      }
      if (width <= 0 || height <= 0) return false;
      pixels.resize(std::size_t(width) * std::size_t(height));
    }
    return false;
  }
  VELMOR_HWND handle() const override { return display_.handle(window_); }

 private:
  const DisplayTable &display_;
  void *window_;
};

}  // namespace

std::unique_ptr<PreviewWindow> create_preview_window(const char *, VELMOR_HWND parent, int32_t x,
                                                     int32_t y, int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return nullptr;
  const DisplayTable *display = display_module();
  if (display == nullptr) return nullptr;
  void *window = display->createWindow(parent, x, y, width, height);
  if (window == nullptr) return nullptr;
  return std::make_unique<ModulePreviewWindow>(*display, window);
}

}  // namespace velmor::platform
