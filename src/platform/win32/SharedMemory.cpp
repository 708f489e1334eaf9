// Win32 shared map: a page-file backed file mapping of the given name with a
// named mutex "<name>-Lock" beside it (mappings and mutexes share one
// namespace, so the names differ). The system frees the mapping when its last
// handle closes, also when a holder dies, and a new one starts zero-filled.
#include "platform/SharedMemory.h"

#include <windows.h>

namespace velmor::platform {
namespace {

struct HandleCloser {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

class Win32SharedMemory final : public SharedMemory {
 public:
  Win32SharedMemory(UniqueHandle mutex, UniqueHandle mapping, uint8_t *view, std::size_t size)
      : mutex_(std::move(mutex)), mapping_(std::move(mapping)), view_(view), size_(size) {}

  ~Win32SharedMemory() override { UnmapViewOfFile(view_); }

  uint8_t *data() override { return view_; }
  std::size_t size() const override { return size_; }
  // WAIT_ABANDONED also hands over the mutex: its last owner died holding it.
  void lock() override { WaitForSingleObject(mutex_.get(), INFINITE); }
  void unlock() override { ReleaseMutex(mutex_.get()); }

 private:
  const UniqueHandle mutex_;
  const UniqueHandle mapping_;
  uint8_t *const view_;
  const std::size_t size_;
};

}  // namespace

std::unique_ptr<SharedMemory> SharedMemory::Open(const std::string &name, std::size_t size) {
  UniqueHandle mutex(CreateMutexA(nullptr, FALSE, (name + "-Lock").c_str()));
  if (!mutex) return nullptr;
  // Opening and creating happen under the lock, so two first users cannot
  // both create the map.
  const DWORD waited = WaitForSingleObject(mutex.get(), INFINITE);
  if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) return nullptr;
  UniqueHandle mapping(OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name.c_str()));
  if (!mapping) {
    const uint64_t bytes = size;
    mapping.reset(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE,
                                     static_cast<DWORD>(bytes >> 32), static_cast<DWORD>(bytes),
                                     name.c_str()));
  }
  void *view = mapping ? MapViewOfFile(mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, size) : nullptr;
  ReleaseMutex(mutex.get());
  if (view == nullptr) return nullptr;
  return std::make_unique<Win32SharedMemory>(std::move(mutex), std::move(mapping),
                                             static_cast<uint8_t *>(view), size);
}

// A page-file map leaves nothing behind once its last handle is closed.
void SharedMemory::Remove(const std::string &) {}

}  // namespace velmor::platform
