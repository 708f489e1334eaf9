// Settings in the registry under HKEY_CURRENT_USER\Software\<vendor>\<product>:
// a key per settings key, a subkey per group. Reads open with KEY_READ and
// take REG_DWORD and 8-byte REG_BINARY values only; writes create keys with
// KEY_ALL_ACCESS. Every key opened is closed when its reader or write ends.
#include "platform/SettingsStore.h"

#include <windows.h>

#include <map>

namespace velmor::platform {
namespace {

struct KeyCloser {
  void operator()(HKEY key) const { RegCloseKey(key); }
};
using RegistryKey = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

RegistryKey OpenKey(HKEY parent, const std::string &path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return nullptr;
  return RegistryKey(key);
}

RegistryKey CreateKey(HKEY parent, const std::string &path) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                      nullptr, &key, nullptr) != ERROR_SUCCESS)
    return nullptr;
  return RegistryKey(key);
}

// The subkeys of one key, opened (or created) once each and closed together.
class Subkeys {
 public:
  using Opener = RegistryKey (*)(HKEY, const std::string &);
  Subkeys(RegistryKey key, Opener opener) : key_(std::move(key)), opener_(opener) {}

  // The key itself for group "", else its subkey; null when it is missing.
  HKEY Get(const std::string &group) {
    if (group.empty()) return key_.get();
    auto found = subkeys_.find(group);
    if (found == subkeys_.end()) found = subkeys_.emplace(group, opener_(key_.get(), group)).first;
    return found->second.get();
  }

 private:
  RegistryKey key_;
  Opener opener_;
  std::map<std::string, RegistryKey> subkeys_;
};

// A value of the given type and exact size, read into `value`.
template <class T>
bool QueryValue(HKEY key, const std::string &name, DWORD wantedType, T &value) {
  DWORD type = 0;
  DWORD size = sizeof(T);
  return key != nullptr &&
         RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE *>(&value),
                          &size) == ERROR_SUCCESS &&
         type == wantedType && size == sizeof(T);
}

// A pattern as REG_DWORD, a double as its 8 bytes in REG_BINARY.
LONG SetValue(HKEY key, const SettingsEntry &entry) {
  if (key == nullptr) return ERROR_INVALID_HANDLE;
  if (const uint32_t *pattern = std::get_if<uint32_t>(&entry.value)) {
    const DWORD value = *pattern;
    return RegSetValueExA(key, entry.name.c_str(), 0, REG_DWORD,
                          reinterpret_cast<const BYTE *>(&value), sizeof value);
  }
  const double value = std::get<double>(entry.value);
  return RegSetValueExA(key, entry.name.c_str(), 0, REG_BINARY,
                        reinterpret_cast<const BYTE *>(&value), sizeof value);
}

class RegistryReader final : public SettingsReader {
 public:
  explicit RegistryReader(RegistryKey key) : subkeys_(std::move(key), OpenKey) {}

  bool HasGroup(const std::string &group) override { return subkeys_.Get(group) != nullptr; }

  std::optional<uint32_t> ReadDword(const std::string &group, const std::string &name) override {
    DWORD value = 0;
    if (!QueryValue(subkeys_.Get(group), name, REG_DWORD, value)) return std::nullopt;
    return uint32_t(value);
  }

  std::optional<double> ReadDouble(const std::string &group, const std::string &name) override {
    double value = 0.0;
    if (!QueryValue(subkeys_.Get(group), name, REG_BINARY, value)) return std::nullopt;
    return value;
  }

 private:
  Subkeys subkeys_;
};

class RegistryStore final : public SettingsStore {
 public:
  RegistryStore(const std::string &vendor, const std::string &product)
      : root_("Software\\" + vendor + "\\" + product) {}

  bool Exists() override { return OpenKey(HKEY_CURRENT_USER, root_) != nullptr; }

  std::unique_ptr<SettingsReader> Open(const std::string &key) override {
    RegistryKey opened = OpenKey(HKEY_CURRENT_USER, root_ + "\\" + key);
    if (!opened) return nullptr;
    return std::make_unique<RegistryReader>(std::move(opened));
  }

  bool Write(const std::string &key, const std::vector<SettingsEntry> &entries) override {
    RegistryKey created = CreateKey(HKEY_CURRENT_USER, root_ + "\\" + key);
    if (!created) return false;
    Subkeys subkeys(std::move(created), CreateKey);
    bool written = true;
    for (const SettingsEntry &entry : entries)
      written = SetValue(subkeys.Get(entry.group), entry) == ERROR_SUCCESS && written;
    return written;
  }

 private:
  std::string root_;
};

}  // namespace

std::unique_ptr<SettingsStore> SettingsStore::ForUser(std::string vendor, std::string product) {
  return std::make_unique<RegistryStore>(vendor, product);
}

}  // namespace velmor::platform
