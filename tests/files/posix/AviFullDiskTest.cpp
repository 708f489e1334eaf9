// The AVI writer on a disk that fills up, made by a file size limit on this
// process: the file is finished with the frames whose index still fits.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "../../support/AviFile.h"
#include "files/AviWriter.h"

namespace velmor::files {
namespace {

using velmor::testing::AviFile;
using velmor::testing::ReadWholeFile;

// Files of this process may not grow past `bytes` while it lives; writes
// beyond fail as on a full disk.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    previousSignal_ = std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &previous_);
    rlimit limit = previous_;
    limit.rlim_cur = bytes;
    EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &previous_);
    std::signal(SIGXFSZ, previousSignal_);
  }

 private:
  rlimit previous_{};
  void (*previousSignal_)(int);
};

TEST(AviFullDisk, EndsWithAFinishedFileOfTheWholeFramesWhoseIndexFits) {
  constexpr uint64_t kHeader = 4628, kChunk = 6152;  // 64 x 32 frames
  const struct {
    const char *what;
    uint64_t riffLimit, fileLimit;
    uint32_t framesAppended, framesKept, riffs;
  } cases[] = {
      {"room for the index in the failed frame", 1 << 30, kHeader + 4 * kChunk + 100, 4, 4, 1},
      {"the last frame makes room for the index", 1 << 30, kHeader + 4 * kChunk + 20, 4, 3, 1},
      // RIFFs of 2, 3, 3 frames; the fourth RIFF's first frame fails and
      // the RIFF, empty, goes.
      {"in a later RIFF", 20000, 3 * 20000 + 100, 8, 8, 3},
  };
  const std::string path = ::testing::TempDir() + "velmor-avi-full-disk";
  for (const auto &c : cases) {
    AviWriter writer;
    writer.SetRiffLimit(c.riffLimit);
    {
      FileSizeLimit limit(c.fileLimit);
      ASSERT_TRUE(writer.Open(path.c_str(), 64, 32)) << c.what;
      const std::vector<uint8_t> frame(writer.frameBytes(), 0x5A);
      uint32_t appended = 0;
      while (appended < 100 && writer.AppendFrame(frame.data())) ++appended;
      EXPECT_EQ(appended, c.framesAppended) << c.what;
      EXPECT_TRUE(writer.writeFailed()) << c.what;
      EXPECT_FALSE(writer.Finish(3000)) << c.what;
    }
    AviFile file(ReadWholeFile(path));
    EXPECT_EQ(file.riffs.size(), c.riffs) << c.what;
    EXPECT_EQ(file.CheckLayout(64 * 3 * 32).size(), c.framesKept) << c.what;
  }
  std::remove(path.c_str());
}

}  // namespace
}  // namespace velmor::files
