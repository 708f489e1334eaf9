// libFuzzer target: the configuration file reader takes one pair per whole
// record, in order, and reads nothing past the data.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "settings/ConfigFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size) {
  // A copy of exactly `size` bytes, so that a read past it is caught.
  std::unique_ptr<uint8_t[]> file(new uint8_t[size]);
  if (size > 0) std::memcpy(file.get(), data, size);
  const auto pairs = velmor::ParseConfigFile(file.get(), size);
  if (pairs.size() != size / 8) std::abort();
  for (std::size_t i = 0; i < pairs.size(); ++i) {
    int32_t words[2];
    std::memcpy(words, data + 8 * i, 8);  // little-endian hosts
    if (pairs[i].first != words[0] || pairs[i].second != words[1]) std::abort();
  }
  return 0;
}
