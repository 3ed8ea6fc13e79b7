#include "flash/images.h"

#include <gtest/gtest.h>

#include <fstream>

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

  ASSERT_TRUE(images.LoadFolder(dir_.string(), error)) << error;
  EXPECT_TRUE(std::ranges::equal(images.TakeImage("FW352B"), image));
  EXPECT_TRUE(images.TakeImage("FW352A").empty());

  // Not a file: refused with its name instead of passing for an absent or empty image.
  fs::create_directory(dir_ / "FW339.bin");
  EXPECT_FALSE(flash::ImageSet().LoadFolder(dir_.string(), error));
  EXPECT_EQ(error, (dir_ / "FW339.bin").string() + ": cannot be read");
}

}  // namespace
}  // namespace kelm::test
