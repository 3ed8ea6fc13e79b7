// kelmtool's refusals of the user's paths, on the system it is built for (Windows: under
// Wine): each says what is wrong with the path, names it, and ends the run with exit 2
// before a bridge is asked anything.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/native_file_store.h"
#include "programs/kelmtool/tool_support.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace kelm::kelmtool {
namespace {

namespace fs = std::filesystem;

enum class Use { BackupTarget, FileToRead };

struct Refusal {
  const char* what;
  Use use;
  std::string path;  // relative ones lie in the test's folder
  std::string reason;
};

class PathRefusal : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(::testing::TempDir()) / "kelm-path-refusals";
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "folder");
    std::ofstream(dir_ / "kept.bin") << "an earlier backup";
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string In(const std::string& name) const { return (dir_ / name).string(); }

  fs::path dir_;
};

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

TEST_F(PathRefusal, EachSaysItsOwnReasonNamesThePathAndExits2) {
  const std::string tooLong = In(std::string(256, 'x') + ".bin");
  const std::string missingFolder = In("nosuchdir");
  std::vector<Refusal> table = {
      {"a last part too long", Use::BackupTarget, tooLong, "too long a name (255 "},
      {"a missing folder", Use::BackupTarget, missingFolder + kSeparator + "x.bin",
       "no such folder (" + missingFolder + ")"},
      {"a missing folder, to read", Use::FileToRead, missingFolder + kSeparator + "x.bin",
       "no such folder (" + missingFolder + ")"},
      {"a file taken for a folder", Use::BackupTarget, In("kept.bin") + kSeparator + "x.bin",
       In("kept.bin") + " is not a folder"},
      {"an existing folder", Use::BackupTarget, In("folder"), "is a folder, not a file"},
      {"an existing folder, to read", Use::FileToRead, In("folder"), "is a folder, not a file"},
      {"a missing file, to read", Use::FileToRead, In("absent.bin"), "no such file"},
      {"an earlier backup", Use::BackupTarget, In("kept.bin"), "exists already; give --force to replace it"},
#ifdef _WIN32
      {"a device name", Use::BackupTarget, "NUL", "a device name (CON, PRN, AUX, NUL, COM1-9 and LPT1-9"},
      {"a device name, to read", Use::FileToRead, "NUL", "a device name (CON, PRN, AUX, NUL, COM1-9 and LPT1-9"},
      {"a device name in a folder, with an extension", Use::BackupTarget, In("com1.bin"),
       "a device name (CON, PRN, AUX, NUL, COM1-9 and LPT1-9"},
      {"a device name with trailing spaces", Use::BackupTarget, In("Lpt9 .txt"),
       "a device name (CON, PRN, AUX, NUL, COM1-9 and LPT1-9"},
      {"a device path", Use::BackupTarget, "\\\\.\\PhysicalDrive0", "a device path, not a file"},
#else
      {"a device", Use::BackupTarget, "/dev/null", "is a device, not a file"},
      {"a device, to read", Use::FileToRead, "/dev/null", "is a device, not a file"},
      {"a pipe", Use::BackupTarget, In("pipe"), "is a pipe, not a file"},
      {"a path too long", Use::BackupTarget, In(std::string(4096, 'p')), "too long a path (4095 bytes at most)"},
#endif
  };
#ifndef _WIN32
  ASSERT_EQ(::mkfifo(In("pipe").c_str(), 0600), 0);
#endif
  const platform::NativeFileStore files;
  for (const Refusal& refusal : table) {
    SCOPED_TRACE(refusal.what);
    try {
      if (refusal.use == Use::BackupTarget) {
        CheckBackupTarget(files, refusal.path, false);
      } else {
        ReadUserFile(files, refusal.path, 1024);
      }
      ADD_FAILURE() << refusal.path << ": taken";
    } catch (const RunError& error) {
      EXPECT_EQ(error.status(), kExitBadInput);
      EXPECT_EQ(std::string(error.what()).rfind(refusal.path + ": " + refusal.reason, 0), 0u) << error.what();
    }
  }
  // What may be written is taken: a new name, or an earlier backup when told to replace it.
  EXPECT_NO_THROW(CheckBackupTarget(files, In("new.bin"), false));
  EXPECT_NO_THROW(CheckBackupTarget(files, In("kept.bin"), true));
}

}  // namespace
}  // namespace kelm::kelmtool
