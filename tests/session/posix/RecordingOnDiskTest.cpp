// Recordings as other programs and a full disk see them: ffprobe and ffmpeg
// read a three-RIFF recording with every frame and decode a chosen one to
// the host's pixels; a disk that fills up ends the recording with code 12
// and a finished file.
#include <sys/resource.h>

#include <csignal>
#include <cstdio>
#include <optional>
#include <string>

#include "../RecordingFixture.h"

namespace velmor {
namespace {

class RecordingOnDiskTest : public RecordingFixture {
 protected:
  // The standard output of `command`, or nothing when it failed.
  static std::optional<std::string> Run(const std::string &command) {
    FILE *pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) return std::nullopt;
    std::string out;
    char block[4096];
    for (std::size_t got; (got = std::fread(block, 1, sizeof block, pipe)) > 0;)
      out.append(block, got);
    if (pclose(pipe) != 0) return std::nullopt;
    return out;
  }
};

TEST_F(RecordingOnDiskTest, FfmpegReadsEveryFrameOfAThreeRiffRecording) {
  if (!Run("command -v ffprobe ffmpeg")) GTEST_SKIP() << "ffmpeg is not installed";
  const int32_t handle = StartSession(16);
  CVelmor &session = Session(handle);
  session.recorder().writer().SetRiffLimit(4 * kFrameBytes);  // three frames a RIFF
  ASSERT_EQ(Velmor_Record(handle, path.c_str(), 60000, 0), 1);
  WaitForFrames(session.recorder(), 7);
  std::vector<uint16_t> host(std::size_t(kFrameSide) * kFrameSide);
  ASSERT_EQ(Velmor_GetImage(handle, reinterpret_cast<uint8_t *>(host.data()),
                            int32_t(host.size() * 2), 1),
            1);
  ASSERT_EQ(Velmor_StopPreview(handle), 1);
  const int32_t frames = session.recorder().framesRecorded();
  ASSERT_GE(ReadBack().riffs.size(), 3u);

  const auto counted =
      Run("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
          "stream=nb_read_frames,width,height,pix_fmt -of default=nw=1 " +
          path);
  ASSERT_TRUE(counted) << "ffprobe could not read " << path;
  EXPECT_EQ(*counted, "width=640\nheight=640\npix_fmt=bgr24\nnb_read_frames=" +
                          std::to_string(frames) + "\n");
  // A frame of the second RIFF, as grey rows from the top of the picture.
  const auto decoded = Run("ffmpeg -v error -i " + path +
                           " -vf 'select=eq(n\\,4)' -frames:v 1 -f rawvideo -pix_fmt gray -");
  ASSERT_TRUE(decoded);
  ASSERT_EQ(decoded->size(), host.size());
  for (std::size_t i = 0; i < host.size(); ++i)
    ASSERT_EQ(uint8_t((*decoded)[i]), host[i] >> 4)
        << "pixel " << i % kFrameSide << "," << i / kFrameSide;
}

TEST_F(RecordingOnDiskTest, AFullDiskEndsTheRecordingWithAFinishedFile) {
  const int32_t handle = StartSession();
  CVelmor &session = Session(handle);
  // The disk fills up in the middle of the fourth frame.
  const auto previousSignal = std::signal(SIGXFSZ, SIG_IGN);
  rlimit previous{};
  getrlimit(RLIMIT_FSIZE, &previous);
  rlimit limit = previous;
  limit.rlim_cur = 5000 + 3 * (kFrameBytes + 8) + kFrameBytes / 2;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  const int32_t started = Velmor_Record(handle, path.c_str(), 60000, 0);
  if (started == 1) WaitUntilDone(session.recorder());
  setrlimit(RLIMIT_FSIZE, &previous);
  std::signal(SIGXFSZ, previousSignal);
  ASSERT_EQ(started, 1);

  EXPECT_EQ(Errors(handle), std::vector<int32_t>{VELMOR_ERROR_CONVERSION});
  EXPECT_EQ(session.recorder().framesRecorded(), 3);
  EXPECT_EQ(ReadBack().CheckLayout(kFrameBytes).size(), 3u);
  EXPECT_EQ(Velmor_StopPreview(handle), 1);
}

}  // namespace
}  // namespace velmor
