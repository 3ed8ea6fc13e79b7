// Backup files written through the POSIX file store: complete or not at all, and never through
// a link planted where the temporary file goes.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

#include "platform/posix/posix_file_store.h"

namespace kelm {
namespace {

namespace fs = std::filesystem;

struct Folder {
  Folder() {
    std::string pattern = (fs::temp_directory_path() / "kelm-store-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path = pattern;
  }
  ~Folder() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
  fs::path path;
};

std::string Contents(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(PosixFileStore, PlantedLinkAtTheTemporaryNameIsNeverFollowed) {
  Folder folder;
  const fs::path target = folder.path / "oldflash.bak";
  const fs::path victim = folder.path / "victim";
  std::ofstream(victim) << "precious";
  // The attacker guessed the first name; the second is free.
  const std::vector<std::string> names = {"guessed", "fresh"};
  std::size_t next = 0;
  fs::create_symlink(victim, folder.path / ".kelm-guessed");
  posix::PosixFileStore store([&] { return names.at(next++); });

  const std::vector<std::uint8_t> bytes = {'n', 'e', 'w'};
  ASSERT_TRUE(store.WriteWholeFile(target.string(), bytes));

  EXPECT_EQ(Contents(target), "new");
  EXPECT_EQ(Contents(victim), "precious");
  EXPECT_TRUE(fs::is_symlink(folder.path / ".kelm-guessed")) << "not ours to remove";
  EXPECT_FALSE(fs::exists(folder.path / ".kelm-fresh"));
}

TEST(PosixFileStore, FailureKeepsTheOldFileAndLeavesNoTemporary) {
  Folder folder;
  const fs::path target = folder.path / "oldflash.bak";
  std::ofstream(target) << "old";
  // A folder in the way of the rename.
  fs::create_directory(folder.path / "busy");
  std::ofstream(folder.path / "busy" / "inside") << "x";
  posix::PosixFileStore store;
  const std::vector<std::uint8_t> bytes(4096, 0xA5);

  EXPECT_FALSE(store.WriteWholeFile((folder.path / "busy").string(), bytes));
  EXPECT_FALSE(store.WriteWholeFile((folder.path / "missing" / "file").string(), bytes));
  ASSERT_TRUE(store.WriteWholeFile(target.string(), bytes));
  EXPECT_EQ(Contents(target), std::string(4096, '\xA5'));
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.path), fs::directory_iterator()), 2)
      << "the target and the folder, nothing else";
}

}  // namespace
}  // namespace kelm
