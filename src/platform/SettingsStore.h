// The current user's persistent settings of one product: named keys, each
// holding 32-bit values and doubles in named groups.
//
// On Windows a key is a registry key below
// HKEY_CURRENT_USER\Software\<vendor>\<product> and a group one of its
// subkeys. Elsewhere a key is one GLib key file,
// $XDG_CONFIG_HOME/<vendor>/<product>/<key>.ini (~/.config when the variable
// is unset), and a group one of its groups. The group named "" stands for the
// key's own values: the registry key itself, the key file's group named after
// the key.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace velmor::platform {

// One value to write: a 32-bit pattern (REG_DWORD) or a double (an 8-byte
// REG_BINARY).
struct SettingsEntry {
  std::string group;
  std::string name;
  std::variant<uint32_t, double> value;
};

// One key opened for reading; whatever it holds open is closed when it is
// destroyed.
class SettingsReader {
 public:
  virtual ~SettingsReader() = default;
  virtual bool HasGroup(const std::string &group) = 0;
  // Nothing when the group or the value is missing or the value has another
  // type.
  virtual std::optional<uint32_t> ReadDword(const std::string &group, const std::string &name) = 0;
  virtual std::optional<double> ReadDouble(const std::string &group, const std::string &name) = 0;
};

class SettingsStore {
 public:
  // The store of the calling user. It finds its place anew at every call, so
  // a changed environment (another XDG_CONFIG_HOME) takes effect at once.
  static std::unique_ptr<SettingsStore> ForUser(std::string vendor, std::string product);

  virtual ~SettingsStore() = default;

  // The product's root key (folder) exists.
  virtual bool Exists() = 0;
  // Null when the key does not exist or cannot be read.
  virtual std::unique_ptr<SettingsReader> Open(const std::string &key) = 0;
  // Writes the entries into the key, creating the key and its groups as
  // needed; values not named keep what they hold. An entry whose group cannot
  // be created is skipped; false when anything was not written.
  virtual bool Write(const std::string &key, const std::vector<SettingsEntry> &entries) = 0;
};

}  // namespace velmor::platform
