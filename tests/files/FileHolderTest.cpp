#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "files/FileHolder.h"

namespace velmor::files {
namespace {

namespace fs = std::filesystem;

class FileHolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("velmor-fileholder-" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string PathOf(const char *name) const { return (dir_ / name).string(); }

  static std::vector<uint8_t> Bytes(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  fs::path dir_;
};

TEST_F(FileHolderTest, WritesAppendAndPatchesLeaveThePositionAlone) {
  const std::string path = PathOf("patched.bin");
  FileHolder holder;
  ASSERT_TRUE(holder.OpenForWrite(path.c_str()));
  ASSERT_TRUE(holder.Write("abcdef", 6));
  ASSERT_TRUE(holder.WriteAt(1, "XY", 2));
  EXPECT_EQ(holder.Position(), 6u);
  ASSERT_TRUE(holder.Write("gh", 2));
  EXPECT_TRUE(holder.Close());
  EXPECT_FALSE(holder.IsOpen());
  const std::vector<uint8_t> expected{'a', 'X', 'Y', 'd', 'e', 'f', 'g', 'h'};
  EXPECT_EQ(Bytes(path), expected);
}

TEST_F(FileHolderTest, OpeningForWriteTruncatesAnExistingFile) {
  const std::string path = PathOf("truncated.bin");
  std::ofstream(path, std::ios::binary) << "a much longer old content";
  FileHolder holder;
  ASSERT_TRUE(holder.OpenForWrite(path.c_str()));
  ASSERT_TRUE(holder.Write("new", 3));
  ASSERT_TRUE(holder.Close());
  EXPECT_EQ(Bytes(path).size(), 3u);
}

TEST_F(FileHolderTest, ReadsTheWholeFileIntoItsOwnBlock) {
  const std::string path = PathOf("content.bin");
  std::vector<uint8_t> data(300000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 7);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char *>(data.data()), std::streamsize(data.size()));
  FileHolder holder;
  const uint8_t *content = holder.OpenForRead(path.c_str());
  ASSERT_NE(content, nullptr);
  ASSERT_EQ(holder.contentSize(), data.size());
  EXPECT_TRUE(std::equal(data.begin(), data.end(), content));
  holder.Close();
  EXPECT_EQ(holder.content(), nullptr);
  EXPECT_EQ(holder.contentSize(), 0u);
}

TEST_F(FileHolderTest, AnEmptyFileHasContentOfNoBytes) {
  const std::string path = PathOf("empty.bin");
  std::ofstream(path, std::ios::binary).flush();
  FileHolder holder;
  EXPECT_NE(holder.OpenForRead(path.c_str()), nullptr);
  EXPECT_EQ(holder.contentSize(), 0u);
}

TEST_F(FileHolderTest, FailuresAreReportedNotHidden) {
  FileHolder holder;
  EXPECT_EQ(holder.OpenForRead(PathOf("missing.bin").c_str()), nullptr);
  EXPECT_EQ(holder.OpenForRead(nullptr), nullptr);
  EXPECT_FALSE(holder.OpenForWrite(PathOf("no-such-dir/file.bin").c_str()));
  EXPECT_FALSE(holder.Write("x", 1));
  EXPECT_FALSE(holder.WriteAt(0, "x", 1));
  EXPECT_TRUE(holder.Close());
  EXPECT_TRUE(holder.Close());
}

}  // namespace
}  // namespace velmor::files
