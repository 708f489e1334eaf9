// FileHolder: the owner of one open file that the image writers, the AVI
// recorder and the mask and configuration readers share. Writing opens the
// file for appending data and patching what was reserved; reading loads the
// whole file into a block the holder owns.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/File.h"

namespace velmor::files {

class FileHolder {
 public:
  FileHolder() = default;
  ~FileHolder() { Close(); }
  FileHolder(const FileHolder &) = delete;
  FileHolder &operator=(const FileHolder &) = delete;

  // Truncates an existing file, else creates a new one; false when neither
  // works. Whatever was held before is closed first.
  bool OpenForWrite(const char *path);
  // Reads the whole file into an owned block and closes it again; the
  // content (not null for an empty file), or null when the file cannot be
  // opened or read whole, or is larger than 4 GiB.
  const uint8_t *OpenForRead(const char *path);

  // The content of the last successful read, null when there is none.
  const uint8_t *content() const;
  uint32_t contentSize() const { return uint32_t(content_.size()); }

  // Writes at the current position; false unless every byte was written
  // (a full disk), or when no file is open for writing.
  bool Write(const void *data, std::size_t size);
  // Writes at `offset` and leaves the current position where it was.
  bool WriteAt(uint64_t offset, const void *data, std::size_t size);
  uint64_t Position() const { return file_ ? file_->Position() : 0; }
  // Cuts the file to `size` bytes, dropping what was written past them.
  bool Truncate(uint64_t size) { return file_ && file_->Truncate(size); }
  bool IsOpen() const { return file_ != nullptr; }

  // Closes the file and drops the content; false when the file could not be
  // closed cleanly. Safe to repeat.
  bool Close();

 private:
  std::unique_ptr<platform::File> file_;
  std::vector<uint8_t> content_;
  bool loaded_ = false;
};

}  // namespace velmor::files
