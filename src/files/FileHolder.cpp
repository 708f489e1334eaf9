#include "files/FileHolder.h"

#include <limits>

namespace velmor::files {

bool FileHolder::OpenForWrite(const char *path) {
  Close();
  file_ = platform::File::Open(path, platform::File::Mode::kWrite);
  return file_ != nullptr;
}

const uint8_t *FileHolder::OpenForRead(const char *path) {
  Close();
  const auto file = platform::File::Open(path, platform::File::Mode::kRead);
  if (!file) return nullptr;
  const int64_t size = file->Size();
  if (size < 0 || uint64_t(size) > std::numeric_limits<uint32_t>::max()) return nullptr;
  std::vector<uint8_t> block(static_cast<std::size_t>(size));
  if (file->Read(block.data(), block.size()) != size) return nullptr;
  content_ = std::move(block);
  loaded_ = true;
  return content();
}

const uint8_t *FileHolder::content() const {
  // An empty file was read whole too; it has content of no bytes.
  static const uint8_t kNoBytes = 0;
  if (!loaded_) return nullptr;
  return content_.empty() ? &kNoBytes : content_.data();
}

bool FileHolder::Write(const void *data, std::size_t size) {
  return file_ && file_->Write(data, size);
}

bool FileHolder::WriteAt(uint64_t offset, const void *data, std::size_t size) {
  return file_ && file_->WriteAt(offset, data, size);
}

bool FileHolder::Close() {
  content_.clear();
  content_.shrink_to_fit();
  loaded_ = false;
  if (!file_) return true;
  const bool ok = file_->Close();
  file_.reset();
  return ok;
}

}  // namespace velmor::files
