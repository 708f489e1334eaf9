#include "transport/DeviceTable.h"

#include <algorithm>
#include <cstring>

namespace velmor {
namespace {

constexpr std::size_t kRowsOffset = 4;
constexpr std::size_t kRowSize = sizeof(DeviceRow);
constexpr std::size_t kCountOffset = kRowsOffset + DeviceTable::kMaxRows * kRowSize;
static_assert(kCountOffset + 4 == DeviceTable::kMapSize, "the map is 8584 bytes");

uint32_t Load32(const uint8_t *p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
void Store32(uint8_t *p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

// More users than processes could ever attach: a count that was scribbled
// on, and one that would overflow at the next attach.
constexpr int32_t kMaxUsers = 0xFFFF;

// A row in use names a product, an instance a table can hold and a path.
bool Plausible(const DeviceRow &row) {
  return row.productId != 0 && row.instance >= 0 && row.instance < DeviceTable::kMaxRows &&
         row.devicePath[0] != '\0';
}

}  // namespace

DeviceTable &DeviceTable::Process() {
  static DeviceTable table;
  return table;
}

DeviceTable::DeviceTable() { Reset(); }

void DeviceTable::SetMapName(std::string name) {
  std::lock_guard lock(mutex_);
  mapName_ = std::move(name);
}

std::string DeviceTable::MapName() const {
  std::lock_guard lock(mutex_);
  return mapName_;
}

void DeviceTable::Reset() {
  std::fill(std::begin(rows_), std::end(rows_), DeviceRow{});
  count_ = 0;
}

// Reads the map into this copy, repairing what cannot be trusted: a negative
// or implausibly large user count counts as none, a row count outside 0..32
// empties the table, a row in use that names no product, instance or path is
// freed, and a path without its terminator is cut at the last character.
void DeviceTable::Load(const uint8_t *map) {
  const auto users = int32_t(Load32(map));
  users_ = users < 0 || users > kMaxUsers ? 0 : users;
  for (int i = 0; i < kMaxRows; ++i) {
    const uint8_t *row = map + kRowsOffset + i * kRowSize;
    rows_[i].vendorId = uint16_t(row[0] | row[1] << 8);
    rows_[i].productId = uint16_t(row[2] | row[3] << 8);
    rows_[i].instance = int32_t(Load32(row + 4));
    std::memcpy(rows_[i].devicePath, row + 8, sizeof rows_[i].devicePath);
    rows_[i].devicePath[sizeof rows_[i].devicePath - 1] = '\0';
  }
  count_ = int32_t(Load32(map + kCountOffset));
  if (count_ < 0 || count_ > kMaxRows) Reset();
  for (int i = 0; i < kMaxRows; ++i)
    if (i >= count_ || !Plausible(rows_[i])) rows_[i] = DeviceRow{};
}

void DeviceTable::Store(uint8_t *map) const {
  Store32(map, uint32_t(users_));
  for (int i = 0; i < kMaxRows; ++i) {
    uint8_t *row = map + kRowsOffset + i * kRowSize;
    row[0] = uint8_t(rows_[i].vendorId);
    row[1] = uint8_t(rows_[i].vendorId >> 8);
    row[2] = uint8_t(rows_[i].productId);
    row[3] = uint8_t(rows_[i].productId >> 8);
    Store32(row + 4, uint32_t(rows_[i].instance));
    std::memcpy(row + 8, rows_[i].devicePath, sizeof rows_[i].devicePath);
  }
  Store32(map + kCountOffset, uint32_t(count_));
}

std::unique_ptr<platform::SharedMemory> DeviceTable::Attach() {
  std::lock_guard lock(mutex_);
  auto map = platform::SharedMemory::Open(mapName_, kMapSize);
  if (map) {
    map->lock();
    Load(map->data());
  }
  if (users_ == 0) Reset();
  ++users_;
  if (map) {
    Store(map->data());
    map->unlock();
  }
  return map;
}

void DeviceTable::Detach(std::unique_ptr<platform::SharedMemory> map) {
  std::lock_guard lock(mutex_);
  if (map) {
    map->lock();
    Load(map->data());
  }
  users_ = std::max(0, users_ - 1);
  if (map) {
    Store(map->data());
    map->unlock();
  }
}

void DeviceTable::Record(platform::SharedMemory *map, const std::vector<DeviceRow> &found) {
  std::lock_guard lock(mutex_);
  if (map) {
    map->lock();
    Load(map->data());
  }
  for (const DeviceRow &candidate : found) {
    // Only rows in use count: free rows also read vendor and product 0.
    int32_t same = 0;
    bool known = false;
    for (int i = 0; i < count_; ++i) {
      if (rows_[i].vendorId != candidate.vendorId || rows_[i].productId != candidate.productId)
        continue;
      ++same;
      known = known || std::strcmp(candidate.devicePath, rows_[i].devicePath) == 0;
    }
    if (known || count_ == kMaxRows) continue;
    rows_[count_] = candidate;
    rows_[count_].instance = same;
    ++count_;
  }
  if (map) {
    Store(map->data());
    map->unlock();
  }
}

int32_t DeviceTable::Count() const {
  std::lock_guard lock(mutex_);
  return count_;
}

int32_t DeviceTable::Users() const {
  std::lock_guard lock(mutex_);
  return users_;
}

DeviceRow DeviceTable::Row(int32_t index) const {
  std::lock_guard lock(mutex_);
  if (index < 0 || index >= kMaxRows) return DeviceRow{};
  return rows_[index];
}

}  // namespace velmor
