#include "platform/File.h"

#include <windows.h>

namespace velmor::platform {
namespace {

// Win32 transfers at most a DWORD per call.
constexpr std::size_t kMaxChunk = 1u << 30;

OVERLAPPED At(uint64_t offset) {
  OVERLAPPED overlapped{};
  overlapped.Offset = DWORD(offset & 0xFFFFFFFFu);
  overlapped.OffsetHigh = DWORD(offset >> 32);
  return overlapped;
}

class Win32File final : public File {
 public:
  explicit Win32File(HANDLE handle) : handle_(handle) {}
  ~Win32File() override { Close(); }

  bool WriteAt(uint64_t offset, const void *data, std::size_t size) override {
    const auto *bytes = static_cast<const uint8_t *>(data);
    while (size > 0) {
      const DWORD chunk = DWORD(size < kMaxChunk ? size : kMaxChunk);
      OVERLAPPED where = At(offset);
      DWORD written = 0;
      if (!WriteFile(handle_, bytes, chunk, &written, &where) || written == 0) return false;
      bytes += written;
      offset += written;
      size -= written;
    }
    return true;
  }

  int64_t Size() const override {
    LARGE_INTEGER size{};
    return GetFileSizeEx(handle_, &size) ? int64_t(size.QuadPart) : -1;
  }

  bool Truncate(uint64_t size) override {
    // Writes name their offsets, so moving the file pointer disturbs none.
    LARGE_INTEGER end{};
    end.QuadPart = LONGLONG(size);
    return SetFilePointerEx(handle_, end, nullptr, FILE_BEGIN) && SetEndOfFile(handle_);
  }

  bool Close() override {
    if (handle_ == INVALID_HANDLE_VALUE) return true;
    const bool ok = CloseHandle(handle_) != 0;
    handle_ = INVALID_HANDLE_VALUE;
    return ok;
  }

 private:
  int64_t ReadSomeAt(uint64_t offset, void *data, std::size_t size) override {
    OVERLAPPED where = At(offset);
    DWORD got = 0;
    if (ReadFile(handle_, data, DWORD(size < kMaxChunk ? size : kMaxChunk), &got, &where))
      return got;
    return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
  }

  HANDLE handle_;
};

}  // namespace

std::unique_ptr<File> File::Open(const char *path, Mode mode) {
  if (path == nullptr) return nullptr;
  HANDLE handle;
  if (mode == Mode::kWrite) {
    // An existing file is truncated; only when there is none is one created.
    handle = CreateFileA(path, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
    if (handle == INVALID_HANDLE_VALUE)
      handle =
          CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  } else {
    handle =
        CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<Win32File>(handle);
}

}  // namespace velmor::platform
