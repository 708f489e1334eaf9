// A named memory map shared by every process of the current user, with a
// lock beside it for steps that must not interleave with other processes.
//
// It behaves like a page-file backed Win32 map: the contents live while any
// holder (in any process) has it open, and a map that nobody holds reads as
// zeros when it is opened next. A process that dies without closing stops
// holding it, because holding is a lock that the system drops at process end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace velmor::platform {

class SharedMemory {
 public:
  // Opens the map `name` of `size` bytes, creating it (zero-filled) when no
  // holder exists. Null when it can be neither opened nor created, or when
  // an object of that name belongs to another user.
  static std::unique_ptr<SharedMemory> Open(const std::string &name, std::size_t size);

  // Removes every trace of a name that no process uses any more (tests).
  static void Remove(const std::string &name);

  virtual ~SharedMemory() = default;
  virtual uint8_t *data() = 0;
  virtual std::size_t size() const = 0;

  // The cross-process lock (a named mutex on Windows); also excludes the
  // other holders in this process. Not recursive.
  virtual void lock() = 0;
  virtual void unlock() = 0;
};

}  // namespace velmor::platform
