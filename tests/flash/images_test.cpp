#include "flash/images.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "flash/image_folders.h"
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


// A JMB352 revision 2 image: its size, "352" at byte 4, `fill` after the header.
std::vector<std::uint8_t> Fw352b(std::uint8_t fill, bool synthetic = false) {
  std::vector<std::uint8_t> image(36864, fill);
  using namespace std::string_literals;
  const std::string head = synthetic ? "TEST352B\0\0\0\0\0\0\0\0KELM-SYNTHETIC-TEST-IMAGE"s : "FW..352B"s;
  std::copy(head.begin(), head.end(), image.begin());
  return image;
}

void Write(const fs::path& file, const std::vector<std::uint8_t>& bytes) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Built in first, then the folders in order; a file that fails its checks is named and the
// next folder tried for it.
TEST_F(EngineTest, FoundImagesTakeTheFirstFileThatPassesInOrder) {
  const platform::NativeFileStore files;
  Write(dir_ / "user" / "FW352B.bin", std::vector<std::uint8_t>(36863, 1));   // a byte short
  Write(dir_ / "system" / "FW352B.bin", Fw352b(2));
  Write(dir_ / "system" / "FW339.bin", std::vector<std::uint8_t>(65537, 3));  // over 64 KiB
  Write(dir_ / "user" / "FW352A.bin", std::vector<std::uint8_t>(20480, 4));   // no signature
  flash::ImageSet builtIn;
  builtIn.Set("FW352A", {5});

  const flash::FoundImages images =
      flash::FindImages(builtIn, (dir_ / "named").string(),
                        {(dir_ / "user").string(), (dir_ / "system").string()}, files, {});
  EXPECT_TRUE(std::ranges::equal(images.TakeImage("FW352A"), std::vector<std::uint8_t>{5}));
  EXPECT_TRUE(std::ranges::equal(images.TakeImage("FW352B"), Fw352b(2)));
  EXPECT_TRUE(images.TakeImage("FW339").empty());
  std::vector<std::string> refused;
  for (const auto& image : images.refused()) refused.push_back(image.file + ": " + image.why);
  EXPECT_EQ(refused, (std::vector<std::string>{
                         (dir_ / "named").string() + ": no such folder",
                         (dir_ / "user" / "FW352B.bin").string() + ": 36863 bytes, not 36864 bytes",
                         (dir_ / "system" / "FW339.bin").string() + ": 65537 bytes, not 1 to 65536 bytes",
                     }));
}

// A synthetic test image reaches only the drives the guard lets through; with no guard it is
// refused where it is found.
TEST_F(EngineTest, SyntheticImagesReachOnlyGuardedDrives) {
  const platform::NativeFileStore files;
  Write(dir_ / "FW352B.bin", Fw352b(6, true));
  flash::FoundImages guarded([](const std::string& path) { return path == "simulated"; });
  guarded.LookIn(files, dir_.string());
  EXPECT_TRUE(guarded.refused().empty());
  EXPECT_FALSE(guarded.TakeImageFor("FW352B", "simulated").empty());
  EXPECT_TRUE(guarded.TakeImageFor("FW352B", "real").empty());

  flash::FoundImages unguarded;
  unguarded.LookIn(files, dir_.string());
  EXPECT_FALSE(unguarded.FoundAny());
  ASSERT_EQ(unguarded.refused().size(), 1u);
  EXPECT_EQ(unguarded.refused()[0].why, "a synthetic test image, which is never written to a real device");
}

}  // namespace
}  // namespace kelm::test
