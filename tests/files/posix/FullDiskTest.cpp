#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "files/FileHolder.h"

namespace velmor::files {
namespace {

TEST(FileHolderFullDiskTest, AFullDeviceFailsTheWrite) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  FileHolder holder;
  ASSERT_TRUE(holder.OpenForWrite("/dev/full"));
  const std::vector<uint8_t> block(1 << 16);
  EXPECT_FALSE(holder.Write(block.data(), block.size()));
}

}  // namespace
}  // namespace velmor::files
