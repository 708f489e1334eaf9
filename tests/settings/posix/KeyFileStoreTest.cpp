// The key files behind the settings: private modes, the text of values,
// corrupt files, writers in several processes at once and a write that is
// cut short.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "../SettingsFixture.h"

namespace velmor {
namespace {

namespace fs = std::filesystem;

class KeyFileStoreTest : public SettingsFixture {
 protected:
  static fs::path Folder() {
    return fs::path(std::getenv("XDG_CONFIG_HOME")) / "Brevan" / "VelmorS10PX3K7Sdk";
  }
  static std::string Text(const fs::path &path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
  }
  static void WriteText(const fs::path &path, const std::string &text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
  }
  static unsigned Mode(const fs::path &path) {
    struct stat status {};
    EXPECT_EQ(stat(path.c_str(), &status), 0) << path;
    return status.st_mode & 0777;
  }
  // Runs `body` in a child process; its exit status.
  template <class Body>
  static pid_t Fork(Body body) {
    const pid_t pid = fork();
    if (pid == 0) std::_Exit(body() ? 0 : 1);
    return pid;
  }
  static int Wait(pid_t pid) {
    int status = -1;
    waitpid(pid, &status, 0);
    return status;
  }
};

TEST_F(KeyFileStoreTest, FoldersAndFilesArePrivateWhateverTheUmask) {
  const mode_t previous = umask(0);
  AddCameras(1);
  EXPECT_EQ(Velmor_Release(Open()), 1);
  umask(previous);
  EXPECT_EQ(Mode(Folder().parent_path()), 0700u);
  EXPECT_EQ(Mode(Folder()), 0700u);
  EXPECT_EQ(Mode(Folder() / "Camera_00.ini"), 0600u);
  EXPECT_EQ(Mode(Folder() / "Camera_00.ini.lock"), 0600u);
}

TEST_F(KeyFileStoreTest, NumbersArePatternsInGroupsNamedAsTheKeys) {
  Put(0, "Gray", "OffsetR1", uint32_t(-10));
  Put(0, "", "Color", 1);
  ASSERT_TRUE(store->Write(Camera(0), {{"Gain", "ExposureEx", 0.1}}));
  const std::string text = Text(Folder() / "Camera_00.ini");
  EXPECT_NE(text.find("[Gray]\nOffsetR1=4294967286\n"), std::string::npos) << text;
  EXPECT_NE(text.find("[Camera_00]\nColor=1\n"), std::string::npos) << text;
  EXPECT_EQ(store->Open(Camera(0))->ReadDouble("Gain", "ExposureEx"), 0.1);

  // Values typed by hand: a signed form reads as its pattern; what is no
  // 32-bit number reads as missing.
  WriteText(Folder() / "Camera_01.ini", "[Gray]\nOffsetR1=-10\nOffsetG1=4294967296\nMode=x\n");
  const auto reader = store->Open(Camera(1));
  EXPECT_EQ(reader->ReadDword("Gray", "OffsetR1"), 0xFFFFFFF6u);
  EXPECT_EQ(reader->ReadDword("Gray", "OffsetG1"), std::nullopt);
  EXPECT_EQ(reader->ReadDword("Gray", "Mode"), std::nullopt);
}

TEST_F(KeyFileStoreTest, ACorruptFileIsSetAsideAndTheSessionTakesDefaults) {
  const std::string garbage = "Gamma=150\n\x01\x02 not a key file\n";
  WriteText(Folder() / "Camera_00.ini", garbage);
  AddCameras(1);
  const int32_t handle = Open();
  EXPECT_EQ(Session(handle).filters().byId[kFilterGamma], 100);
  EXPECT_EQ(Text(Folder() / "Camera_00.ini.corrupt"), garbage);
  EXPECT_EQ(Velmor_Release(handle), 1);
  EXPECT_EQ(Dword(0, "Filter", "Gamma"), 100u) << "a new file in its place";
}

// Every write adds a value of its own: a write that lost another's would
// leave that value missing.
TEST_F(KeyFileStoreTest, WritersInTwoProcessesAtOnceLoseNothing) {
  constexpr int kWrites = 20;
  auto writer = [this](int camera, const char *group) {
    return [this, camera, group] {
      for (int i = 0; i < kWrites; ++i)
        if (!store->Write(Camera(camera), {{group, "V" + std::to_string(i), uint32_t(i)}}))
          return false;
      return true;
    };
  };
  // Two processes on the same camera, each with its own group, and one more
  // on another camera.
  const pid_t children[] = {Fork(writer(0, "Filter")), Fork(writer(0, "Gray")),
                            Fork(writer(1, "Filter"))};
  for (pid_t child : children) EXPECT_EQ(Wait(child), 0);
  for (const auto &[camera, group] :
       {std::pair{0, "Filter"}, std::pair{0, "Gray"}, std::pair{1, "Filter"}})
    for (int i = 0; i < kWrites; ++i)
      EXPECT_EQ(Dword(camera, group, "V" + std::to_string(i)), uint32_t(i)) << camera << group << i;
}

// A file size limit makes the write of the new file fail part way, as a
// full disk would.
TEST_F(KeyFileStoreTest, AWriteCutShortLeavesTheOldFile) {
  Put(0, "Filter", "Gamma", 150);
  const std::string before = Text(Folder() / "Camera_00.ini");
  const pid_t child = Fork([this] {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{64, 64};
    setrlimit(RLIMIT_FSIZE, &limit);
    std::vector<platform::SettingsEntry> entries;
    for (int i = 0; i < 100; ++i) entries.push_back({"Gray", "V" + std::to_string(i), 1u});
    return !store->Write(Camera(0), entries);  // the write must fail
  });
  ASSERT_EQ(Wait(child), 0) << "the limited write did not fail";
  EXPECT_EQ(Text(Folder() / "Camera_00.ini"), before);
  EXPECT_EQ(Dword(0, "Filter", "Gamma"), 150u);
  for (const auto &entry : fs::directory_iterator(Folder()))
    EXPECT_TRUE(entry.path().extension() == ".ini" || entry.path().extension() == ".lock")
        << "left behind: " << entry.path();
}

}  // namespace
}  // namespace velmor
