// Configuration files: a headerless run of 8-byte records, each two 32-bit
// little-endian integers, that a session keeps as its configuration list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmor {

struct ConfigPair {
  int32_t first = 0;
  int32_t second = 0;

  bool operator==(const ConfigPair &) const = default;
};

// One pair per complete record, in file order; a trailing part shorter than
// a record is ignored.
std::vector<ConfigPair> ParseConfigFile(const uint8_t *data, std::size_t size);

}  // namespace velmor
