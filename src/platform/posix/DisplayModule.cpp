// Loads the display module on the first window or dialog asked for. It is
// looked for beside this library, then along the loader's path; once loaded
// it stays for the life of the process, since its windows may outlive any
// one session.
#include "platform/posix/DisplayModule.h"

#include <dlfcn.h>

#include <cstdlib>
#include <mutex>
#include <string>

namespace velmor::platform {
namespace {

const DisplayTable *Resolve(void *module) {
  const auto entry = reinterpret_cast<DisplayEntryPoint>(dlsym(module, kDisplayEntryPoint));
  const DisplayTable *table = entry != nullptr ? entry(kDisplayTableVersion) : nullptr;
  return table != nullptr && table->version == kDisplayTableVersion &&
                 table->size >= sizeof(DisplayTable)
             ? table
             : nullptr;
}

const DisplayTable *TryLoad(const std::string &path) {
  void *module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) return nullptr;
  const DisplayTable *table = Resolve(module);
  if (table == nullptr) dlclose(module);
  return table;
}

// The folder of the binary this code is linked into, with its final '/'.
std::string OwnFolder() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void *>(&OwnFolder), &info) == 0 || info.dli_fname == nullptr)
    return {};
  const std::string path = info.dli_fname;
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

const DisplayTable *display_module() {
  static std::mutex lock;
  static const DisplayTable *loaded = nullptr;
  std::lock_guard guard(lock);
  if (loaded != nullptr) return loaded;
  if (const char *chosen = std::getenv(kDisplayModuleVariable); chosen != nullptr && *chosen)
    return loaded = TryLoad(chosen);
  if (const std::string folder = OwnFolder(); !folder.empty())
    loaded = TryLoad(folder + kDisplayModuleName);
  if (loaded == nullptr) loaded = TryLoad(kDisplayModuleName);
  return loaded;
}

}  // namespace velmor::platform
