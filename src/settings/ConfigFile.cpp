#include "settings/ConfigFile.h"

namespace velmor {
namespace {

constexpr std::size_t kRecordBytes = 8;

int32_t Load32(const uint8_t *at) {
  return int32_t(uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 |
                 uint32_t(at[3]) << 24);
}

}  // namespace

std::vector<ConfigPair> ParseConfigFile(const uint8_t *data, std::size_t size) {
  std::vector<ConfigPair> pairs;
  if (data == nullptr) return pairs;
  pairs.reserve(size / kRecordBytes);
  for (std::size_t at = 0; at + kRecordBytes <= size; at += kRecordBytes)
    pairs.push_back({Load32(data + at), Load32(data + at + 4)});
  return pairs;
}

}  // namespace velmor
