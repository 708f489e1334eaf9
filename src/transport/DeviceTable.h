// The table of known cameras that every process using the library shares
// through the named map "U3K7-MemMap": 8584 bytes holding the number of
// attached users, 32 device rows and the number of rows in use. Each process
// keeps its own copy; every attach, enumeration and detach refreshes it from
// the map and writes it back in one step under the map's lock.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/SharedMemory.h"

namespace velmor {

// One camera in the table (268 bytes, the same in memory and in the map).
struct DeviceRow {
  uint16_t vendorId = 0;
  uint16_t productId = 0;  // 0 marks a free row
  int32_t instance = -1;   // earlier rows with the same vendor and product ID
  char devicePath[260] = {};
};
static_assert(sizeof(DeviceRow) == 268, "DeviceRow is 268 bytes");

class DeviceTable {
 public:
  static constexpr int kMaxRows = 32;
  static constexpr std::size_t kMapSize = 8584;
  static constexpr const char *kDefaultMapName = "U3K7-MemMap";

  // The copy of this process.
  static DeviceTable &Process();

  // The map name every later attach uses (tests pick a private one).
  void SetMapName(std::string name);
  std::string MapName() const;

  // Attaches one user: returns its view of the map (null when the map can be
  // neither opened nor created; the process copy then stands alone).
  std::unique_ptr<platform::SharedMemory> Attach();
  void Detach(std::unique_ptr<platform::SharedMemory> map);

  // Records the interfaces an enumeration found, in order, each unless it is
  // known or the table is full; the whole table is written back to `map`.
  void Record(platform::SharedMemory *map, const std::vector<DeviceRow> &found);

  int32_t Count() const;
  int32_t Users() const;
  // Row `index` (a free row when out of range).
  DeviceRow Row(int32_t index) const;

 private:
  DeviceTable();
  void Reset();
  void Load(const uint8_t *map);
  void Store(uint8_t *map) const;

  mutable std::mutex mutex_;
  std::string mapName_ = kDefaultMapName;
  DeviceRow rows_[kMaxRows];
  int32_t count_ = 0;
  int32_t users_ = 0;
};

}  // namespace velmor
