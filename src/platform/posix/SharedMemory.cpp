// POSIX shared map: a shm object whose name carries the user ID, mode 0600.
// Every holder keeps a shared flock on the map object, so the first opener
// after the last holder has gone (closed or died) finds no lock, starts from
// zeros and the object is removed when its last holder closes it, as a
// page-file map disappears. A second shm object serves as the named mutex.
#include "platform/SharedMemory.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace velmor::platform {
namespace {

std::string ObjectName(const std::string &name, const char *suffix) {
  return "/" + name + "-" + std::to_string(geteuid()) + suffix;
}

int Flock(int fd, int operation) {
  int result;
  do {
    result = flock(fd, operation);
  } while (result != 0 && errno == EINTR);
  return result;
}

// Opens or creates a shm object and refuses one that is not private to us.
int OpenPrivate(const std::string &objectName) {
  const int fd = shm_open(objectName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return -1;
  struct stat status {};
  if (fstat(fd, &status) != 0 || status.st_uid != geteuid() || (status.st_mode & 077) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

class PosixSharedMemory final : public SharedMemory {
 public:
  PosixSharedMemory(std::string mapName, int lockFd, int mapFd, uint8_t *view, std::size_t size)
      : mapName_(std::move(mapName)), lockFd_(lockFd), mapFd_(mapFd), view_(view), size_(size) {}

  ~PosixSharedMemory() override {
    lock();
    munmap(view_, size_);
    // Last holder: the map goes away with it.
    if (Flock(mapFd_, LOCK_EX | LOCK_NB) == 0) shm_unlink(mapName_.c_str());
    close(mapFd_);
    unlock();
    close(lockFd_);
  }

  uint8_t *data() override { return view_; }
  std::size_t size() const override { return size_; }
  void lock() override { Flock(lockFd_, LOCK_EX); }
  void unlock() override { Flock(lockFd_, LOCK_UN); }

 private:
  const std::string mapName_;
  const int lockFd_;
  const int mapFd_;
  uint8_t *const view_;
  const std::size_t size_;
};

}  // namespace

std::unique_ptr<SharedMemory> SharedMemory::Open(const std::string &name, std::size_t size) {
  const int lockFd = OpenPrivate(ObjectName(name, ".lock"));
  if (lockFd < 0) return nullptr;
  if (Flock(lockFd, LOCK_EX) != 0) {
    close(lockFd);
    return nullptr;
  }
  const std::string mapName = ObjectName(name, "");
  const int mapFd = OpenPrivate(mapName);
  bool ok = mapFd >= 0;
  if (ok) {
    if (Flock(mapFd, LOCK_EX | LOCK_NB) == 0) {
      // Nobody holds the map: whatever it holds is left over from a process
      // that died, so start from zeros.
      ok = ftruncate(mapFd, 0) == 0 && ftruncate(mapFd, static_cast<off_t>(size)) == 0;
    } else {
      struct stat status {};
      ok = fstat(mapFd, &status) == 0 && (status.st_size >= static_cast<off_t>(size) ||
                                          ftruncate(mapFd, static_cast<off_t>(size)) == 0);
    }
    ok = ok && Flock(mapFd, LOCK_SH) == 0;
  }
  void *view = ok ? mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, mapFd, 0) : MAP_FAILED;
  Flock(lockFd, LOCK_UN);
  if (view == MAP_FAILED) {
    if (mapFd >= 0) close(mapFd);
    close(lockFd);
    return nullptr;
  }
  return std::make_unique<PosixSharedMemory>(mapName, lockFd, mapFd, static_cast<uint8_t *>(view),
                                             size);
}

void SharedMemory::Remove(const std::string &name) {
  shm_unlink(ObjectName(name, "").c_str());
  shm_unlink(ObjectName(name, ".lock").c_str());
}

}  // namespace velmor::platform
