// One open file of the OS, with 64-bit offsets on every target. Writes
// report whether every byte reached the file, so a full disk is seen at the
// write that met it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace velmor::platform {

class File {
 public:
  enum class Mode {
    kWrite,  // truncate an existing file, else create a new one
    kRead,   // an existing file only
  };

  // Null when the file cannot be opened in that mode.
  static std::unique_ptr<File> Open(const char *path, Mode mode);

  virtual ~File() = default;
  // Writes at the current position and moves past the data; false unless
  // every byte was written.
  bool Write(const void *data, std::size_t size);
  // Writes at `offset` without moving the current position.
  virtual bool WriteAt(uint64_t offset, const void *data, std::size_t size) = 0;
  // Reads at the current position; the bytes read, less at the end of the
  // file, -1 on failure.
  int64_t Read(void *data, std::size_t size);
  bool Seek(uint64_t offset) {
    position_ = offset;
    return true;
  }
  uint64_t Position() const { return position_; }
  // The file's size, -1 when it cannot be told.
  virtual int64_t Size() const = 0;
  // Cuts the file (or extends it with zeros) to `size` bytes.
  virtual bool Truncate(uint64_t size) = 0;
  // Pushes written data to the OS and closes; false when that failed. The
  // destructor closes a file that is still open.
  virtual bool Close() = 0;

 protected:
  // One read of the OS at `offset`: the bytes read (fewer than asked is no
  // end), 0 at the end of the file, -1 on failure.
  virtual int64_t ReadSomeAt(uint64_t offset, void *data, std::size_t size) = 0;

 private:
  // Reads and writes name their offsets, so the OS's file pointer is unused.
  uint64_t position_ = 0;
};

}  // namespace velmor::platform
