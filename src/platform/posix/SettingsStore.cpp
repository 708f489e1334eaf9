// Settings as GLib key files, one per key, in a private folder of the user's
// configuration home. A write takes an advisory lock on "<key>.ini.lock",
// reads the file again under it, changes only the values it names and
// replaces the file through a temporary file of mode 0600 that is flushed
// and renamed over it: writers in other processes lose nothing of each
// other's, and a crash leaves the old file or the new one. A file that does
// not parse is set aside as "<key>.ini.corrupt" and the key reads as missing.
#include "platform/SettingsStore.h"

#include <fcntl.h>
#include <glib.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace velmor::platform {
namespace {

constexpr int kPrivateFolder = 0700;
constexpr int kPrivateFile = 0600;

struct KeyFileFree {
  void operator()(GKeyFile *file) const { g_key_file_free(file); }
};
using KeyFile = std::unique_ptr<GKeyFile, KeyFileFree>;
struct ErrorFree {
  void operator()(GError *error) const { g_error_free(error); }
};
using Error = std::unique_ptr<GError, ErrorFree>;
struct GlibFree {
  void operator()(void *block) const { g_free(block); }
};

// g_get_user_config_dir() keeps its first answer for the life of the
// process; the store looks at the environment at every call. A relative
// XDG_CONFIG_HOME is invalid and ignored, as the XDG rules say.
std::string ConfigHome() {
  const char *configured = std::getenv("XDG_CONFIG_HOME");
  if (configured != nullptr && configured[0] == '/') return configured;
  return std::string(g_get_home_dir()) + "/.config";
}

// An exclusive advisory lock on a file beside the key file, held for the
// object's life; the system drops it when the process dies.
class FileLock {
 public:
  explicit FileLock(const std::string &path)
      : fd_(open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, kPrivateFile)) {
    if (fd_ < 0) return;
    int result;
    do {
      result = flock(fd_, LOCK_EX);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
      close(fd_);
      fd_ = -1;
    }
  }
  ~FileLock() {
    if (fd_ >= 0) close(fd_);
  }
  FileLock(const FileLock &) = delete;
  FileLock &operator=(const FileLock &) = delete;
  bool held() const { return fd_ >= 0; }

 private:
  int fd_;
};

enum class LoadResult { kParsed, kMissing, kUnreadable, kCorrupt };

struct Loaded {
  LoadResult result;
  KeyFile file;  // empty unless parsed
};

Loaded Load(const std::string &path) {
  KeyFile file(g_key_file_new());
  GError *raw = nullptr;
  if (g_key_file_load_from_file(file.get(), path.c_str(), G_KEY_FILE_KEEP_COMMENTS, &raw))
    return {LoadResult::kParsed, std::move(file)};
  const Error error(raw);
  if (g_error_matches(raw, G_FILE_ERROR, G_FILE_ERROR_NOENT)) return {LoadResult::kMissing, {}};
  if (raw->domain == G_KEY_FILE_ERROR) return {LoadResult::kCorrupt, {}};
  return {LoadResult::kUnreadable, {}};
}

void SetAside(const std::string &path) { std::rename(path.c_str(), (path + ".corrupt").c_str()); }

class KeyFileReader final : public SettingsReader {
 public:
  KeyFileReader(KeyFile file, std::string ownGroup)
      : file_(std::move(file)), ownGroup_(std::move(ownGroup)) {}

  bool HasGroup(const std::string &group) override {
    return g_key_file_has_group(file_.get(), GroupName(group));
  }

  // Numbers are 32-bit patterns written unsigned; a signed form a hand may
  // have typed (-10) reads as its pattern too.
  std::optional<uint32_t> ReadDword(const std::string &group, const std::string &name) override {
    GError *raw = nullptr;
    const gint64 value = g_key_file_get_int64(file_.get(), GroupName(group), name.c_str(), &raw);
    const Error error(raw);
    if (error || value < std::numeric_limits<int32_t>::min() ||
        value > std::numeric_limits<uint32_t>::max())
      return std::nullopt;
    return uint32_t(value);
  }

  std::optional<double> ReadDouble(const std::string &group, const std::string &name) override {
    GError *raw = nullptr;
    const double value = g_key_file_get_double(file_.get(), GroupName(group), name.c_str(), &raw);
    const Error error(raw);
    if (error) return std::nullopt;
    return value;
  }

 private:
  const char *GroupName(const std::string &group) const {
    return group.empty() ? ownGroup_.c_str() : group.c_str();
  }

  KeyFile file_;
  std::string ownGroup_;
};

class KeyFileStore final : public SettingsStore {
 public:
  KeyFileStore(std::string vendor, std::string product)
      : vendor_(std::move(vendor)), product_(std::move(product)) {}

  bool Exists() override { return g_file_test(Folder().c_str(), G_FILE_TEST_IS_DIR); }

  // Reads go without the lock: a file is only ever replaced whole. Only a
  // file that does not parse is looked at again under the lock before it is
  // set aside, since a writer may have just replaced it.
  std::unique_ptr<SettingsReader> Open(const std::string &key) override {
    const std::string path = KeyPath(key);
    Loaded loaded = Load(path);
    if (loaded.result == LoadResult::kCorrupt) {
      const FileLock lock(path + ".lock");
      if (!lock.held()) return nullptr;
      loaded = Load(path);
      if (loaded.result == LoadResult::kCorrupt) SetAside(path);
    }
    if (loaded.result != LoadResult::kParsed) return nullptr;
    return std::make_unique<KeyFileReader>(std::move(loaded.file), key);
  }

  bool Write(const std::string &key, const std::vector<SettingsEntry> &entries) override {
    if (g_mkdir_with_parents(Folder().c_str(), kPrivateFolder) != 0) return false;
    const std::string path = KeyPath(key);
    const FileLock lock(path + ".lock");
    if (!lock.held()) return false;
    Loaded loaded = Load(path);
    switch (loaded.result) {
      case LoadResult::kParsed:
        break;
      case LoadResult::kCorrupt:
        SetAside(path);
        [[fallthrough]];
      case LoadResult::kMissing:
        loaded.file.reset(g_key_file_new());
        break;
      case LoadResult::kUnreadable:
        return false;  // replacing it would lose what it holds
    }
    GKeyFile *file = loaded.file.get();
    for (const SettingsEntry &entry : entries) {
      const char *group = entry.group.empty() ? key.c_str() : entry.group.c_str();
      if (const uint32_t *pattern = std::get_if<uint32_t>(&entry.value))
        g_key_file_set_uint64(file, group, entry.name.c_str(), *pattern);
      else
        g_key_file_set_double(file, group, entry.name.c_str(), std::get<double>(entry.value));
    }
    gsize length = 0;
    const std::unique_ptr<gchar, GlibFree> data(g_key_file_to_data(file, &length, nullptr));
    // CONSISTENT: a temporary file beside it, flushed, then renamed over it.
    return g_file_set_contents_full(path.c_str(), data.get(), gssize(length),
                                    G_FILE_SET_CONTENTS_CONSISTENT, kPrivateFile, nullptr);
  }

 private:
  std::string Folder() const { return ConfigHome() + "/" + vendor_ + "/" + product_; }
  std::string KeyPath(const std::string &key) const { return Folder() + "/" + key + ".ini"; }

  std::string vendor_, product_;
};

}  // namespace

std::unique_ptr<SettingsStore> SettingsStore::ForUser(std::string vendor, std::string product) {
  return std::make_unique<KeyFileStore>(std::move(vendor), std::move(product));
}

}  // namespace velmor::platform
