#include "platform/File.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace velmor::platform {
namespace {

class PosixFile final : public File {
 public:
  explicit PosixFile(int descriptor) : fd_(descriptor) {}
  ~PosixFile() override { Close(); }

  bool WriteAt(uint64_t offset, const void *data, std::size_t size) override {
    const auto *bytes = static_cast<const uint8_t *>(data);
    while (size > 0) {
      const ssize_t written = ::pwrite(fd_, bytes, size, off_t(offset));
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) return false;
      bytes += written;
      offset += uint64_t(written);
      size -= std::size_t(written);
    }
    return true;
  }

  int64_t Size() const override {
    struct stat status {};
    return ::fstat(fd_, &status) == 0 ? int64_t(status.st_size) : -1;
  }

  bool Truncate(uint64_t size) override { return ::ftruncate(fd_, off_t(size)) == 0; }

  bool Close() override {
    if (fd_ < 0) return true;
    const bool ok = ::close(fd_) == 0;
    fd_ = -1;
    return ok;
  }

 private:
  int64_t ReadSomeAt(uint64_t offset, void *data, std::size_t size) override {
    ssize_t got;
    do {
      got = ::pread(fd_, data, size, off_t(offset));
    } while (got < 0 && errno == EINTR);
    return got;
  }

  int fd_;
};

}  // namespace

std::unique_ptr<File> File::Open(const char *path, Mode mode) {
  if (path == nullptr) return nullptr;
  const int flags =
      mode == Mode::kWrite ? O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC : O_RDONLY | O_CLOEXEC;
  int descriptor;
  do {
    descriptor = ::open(path, flags, 0666);
  } while (descriptor < 0 && errno == EINTR);
  if (descriptor < 0) return nullptr;
  return std::make_unique<PosixFile>(descriptor);
}

}  // namespace velmor::platform
