// The commands that read and change the camera: get, set, reg and mask.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Tool.h"

namespace tool {

const char kGetUsage[] =
    "usage: velmor get NAME\n"
    "  Prints a setting. NAME is one of the names `velmor get --list` prints.\n";
const char kSetUsage[] =
    "usage: velmor set NAME VALUE\n"
    "  Changes a setting for this run and the camera's stored settings.\n"
    "  NAME is one of the names `velmor get --list` prints.\n";
const char kRegUsage[] =
    "usage: velmor reg fpga|sensor|eeprom ADDRESS [VALUE]\n"
    "  Reads a register, or writes VALUE to it. Numbers are decimal or 0x-hexadecimal.\n";
const char kMaskUsage[] =
    "usage: velmor mask STEP...   steps: dark | bright | save FILE | load FILE\n"
    "  Runs the steps in order on one session: dark and bright take the dark\n"
    "  (capped lens) and bright (flat light) references from a new frame; save\n"
    "  and load write and read a mask file. Example:\n"
    "    velmor mask dark bright save camera0.msk\n";

namespace {

// A setting the tool reads and writes: a filter value by identifier, or a
// pair of exports of the session's output format.
struct Setting {
  const char *name;
  int32_t filterId;  // 0: use get/set
  int32_t (*get)(int32_t handle);
  int32_t (*set)(int32_t handle, int32_t value);
};

int32_t GetAutoIris(int32_t handle) {
  int32_t ok = 0;
  return Velmor_GetAutoIris(handle, &ok);
}
int32_t GetExposureUs(int32_t handle) {
  int32_t ok = 0;
  return Velmor_GetRealExposureTime(handle, &ok);
}

constexpr Setting kSettings[] = {
    {"brightness", 1, nullptr, nullptr},
    {"contrast", 2, nullptr, nullptr},
    {"sharpness", 5, nullptr, nullptr},
    {"gamma", 11, nullptr, nullptr},
    {"gain", 13, nullptr, nullptr},
    {"exposure", 18, nullptr, nullptr},
    {"gray-mode", 19, nullptr, nullptr},
    {"dot-filter", 102, nullptr, nullptr},
    {"mask-filter", 103, nullptr, nullptr},
    {"gain-mode", 104, nullptr, nullptr},
    {"black-level", 106, nullptr, nullptr},
    {"exposure-us", 0, GetExposureUs, Velmor_SetRealExposureTime},
    {"auto-iris", 0, GetAutoIris, Velmor_SetAutoIris},
    {"depth", 0, Velmor_GetColorMode, Velmor_SetColorMode},
    {"subsample", 0, Velmor_GetSubSample, Velmor_SetSubSample},
    {"wait-time", 0, Velmor_GetWaitTime, Velmor_SetWaitTime},
    {"mirror-h", 0, Velmor_GetMirrorH, Velmor_SetMirrorH},
    {"mirror-v", 0, Velmor_GetMirrorV, Velmor_SetMirrorV},
};

const Setting *FindSetting(const std::string &name) {
  for (const Setting &setting : kSettings)
    if (name == setting.name) return &setting;
  return nullptr;
}

void ListSettings() {
  for (const Setting &setting : kSettings) std::printf("%s\n", setting.name);
}

}  // namespace

int RunGet(const Options &options) {
  if (options.args.size() == 1 && options.args[0] == "--list") {
    ListSettings();
    return kOk;
  }
  if (options.args.size() != 1) return UsageError("get takes one setting name", kGetUsage);
  const Setting *setting = FindSetting(options.args[0]);
  if (setting == nullptr)
    return UsageError("unknown setting '" + options.args[0] + "'", kGetUsage);
  Session session;
  if (!session.Open(options)) return kNoCamera;
  int32_t value = 0;
  if (setting->filterId != 0) {
    int32_t ok = 0;
    value = Velmor_GetFilterValue(session.handle(), setting->filterId, &ok);
    if (!ok) {
      std::fprintf(stderr, "velmor: cannot read %s: %s\n", setting->name,
                   session.LastError().c_str());
      return kFailed;
    }
  } else {
    value = setting->get(session.handle());
  }
  std::printf("%d\n", value);
  return kOk;
}

int RunSet(const Options &options) {
  if (options.args.size() != 2) return UsageError("set takes a name and a value", kSetUsage);
  const Setting *setting = FindSetting(options.args[0]);
  if (setting == nullptr)
    return UsageError("unknown setting '" + options.args[0] + "'", kSetUsage);
  int32_t value = 0;
  if (!ParseInt(options.args[1], value))
    return UsageError("'" + options.args[1] + "' is not a number", kSetUsage);
  Session session;
  if (!session.Open(options)) return kNoCamera;
  const int32_t done = setting->filterId != 0
                           ? Velmor_SetFilterValue(session.handle(), setting->filterId, value)
                           : setting->set(session.handle(), value);
  if (!done) {
    std::fprintf(stderr, "velmor: cannot set %s to %d: %s\n", setting->name, value,
                 session.LastError().c_str());
    return kFailed;
  }
  return kOk;
}

int RunReg(const Options &options) {
  const auto &args = options.args;
  if (args.size() < 2 || args.size() > 3)
    return UsageError("reg takes a target, an address and maybe a value", kRegUsage);
  const std::string &target = args[0];
  if (target != "fpga" && target != "sensor" && target != "eeprom")
    return UsageError("unknown register target '" + target + "'", kRegUsage);
  int32_t address = 0, value = 0;
  if (!ParseInt(args[1], address) || address < 0)
    return UsageError("'" + args[1] + "' is not an address", kRegUsage);
  const bool write = args.size() == 3;
  if (write && !ParseInt(args[2], value))
    return UsageError("'" + args[2] + "' is not a value", kRegUsage);
  Session session;
  if (!session.Open(options)) return kNoCamera;
  const int32_t handle = session.handle();
  int32_t ok = 0, result = 0;
  if (target == "fpga") {
    ok = write ? Velmor_Fpga_WriteRegister(handle, address, value)
               : (result = Velmor_Fpga_ReadRegister(handle, address, &ok), ok);
  } else if (target == "sensor") {
    ok = write ? Velmor_WriteRegisterEx(handle, address, value)
               : (result = Velmor_ReadRegisterEx(handle, address, &ok), ok);
  } else {
    ok = write ? Velmor_WriteSromID(handle, address, value)
               : (result = Velmor_ReadSromID(handle, address, &ok), ok);
  }
  if (!ok) {
    std::fprintf(stderr, "velmor: %s register 0x%X: %s\n", target.c_str(), unsigned(address),
                 session.LastError().c_str());
    return kFailed;
  }
  if (!write) std::printf("0x%X (%d)\n", unsigned(result), result);
  return kOk;
}

int RunMask(const Options &options) {
  const auto &args = options.args;
  if (args.empty()) return UsageError("mask needs at least one step", kMaskUsage);
  for (std::size_t i = 0; i < args.size(); ++i) {
    const bool file = args[i] == "save" || args[i] == "load";
    if (file && i + 1 >= args.size())
      return UsageError(args[i] + " needs a file name", kMaskUsage);
    if (!file && args[i] != "dark" && args[i] != "bright")
      return UsageError("unknown mask step '" + args[i] + "'", kMaskUsage);
    if (file) ++i;
  }
  Session session;
  if (!session.Open(options)) return kNoCamera;
  const int32_t handle = session.handle();
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string &step = args[i];
    int32_t done = 0;
    if (step == "dark" || step == "bright") {
      // The reference comes from the session's current frame.
      done = Velmor_SnapShot(handle, nullptr, 0, 1) &&
             Velmor_UpdateMaskData(handle, step == "bright" ? 1 : 0);
    } else {
      const char *path = args[++i].c_str();
      done = step == "save" ? Velmor_SaveMaskFile(handle, path) : Velmor_LoadMaskFile(handle, path);
    }
    if (!done) {
      std::fprintf(stderr, "velmor: mask %s failed: %s\n", step.c_str(),
                   session.LastError().c_str());
      return kFailed;
    }
    std::printf("mask %s: done\n", step.c_str());
  }
  return kOk;
}

}  // namespace tool
