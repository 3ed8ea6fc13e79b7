#include "flash/images.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/native_file_store.h"
#include "tests/flash/flash_rig.h"

namespace kelm::test {
namespace {

namespace fs = std::filesystem;

// EngineTest runs each case in a fresh working directory.
TEST_F(EngineTest, ImageFolderTakesWhatIsThereAndNamesWhatCannotBeRead) {
  const auto image = Pattern(36864);
  std::ofstream(dir_ / "FW352B.bin", std::ios::binary)
      .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
  flash::ImageSet images;
  std::string error;
  const platform::NativeFileStore files;

  ASSERT_TRUE(images.LoadFolder(files, dir_.string(), error)) << error;
  EXPECT_TRUE(std::ranges::equal(images.TakeImage("FW352B"), image));
  EXPECT_TRUE(images.TakeImage("FW352A").empty());

  // Not a file, or a file no flash could hold: refused with its name instead of passing for an
  // absent or empty image, and never read past the bound.
#ifdef _WIN32
  const std::vector<std::string> kinds = {"folder"};
#else
  const std::vector<std::string> kinds = {"folder", "device"};
#endif
  for (const std::string& what : kinds) {
    SCOPED_TRACE(what);
    fs::remove_all(dir_ / "FW339.bin");
    if (what == "folder") fs::create_directory(dir_ / "FW339.bin");
    else fs::create_symlink("/dev/zero", dir_ / "FW339.bin");
    EXPECT_FALSE(flash::ImageSet().LoadFolder(files, dir_.string(), error));
    EXPECT_EQ(error, (dir_ / "FW339.bin").string() +
                         ": cannot be read (no file, or larger than 1048576 bytes)");
  }
}

}  // namespace
}  // namespace kelm::test
