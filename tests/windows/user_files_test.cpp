// User files as Windows really names them: in any language, past 260 characters, and names
// the system cannot look up at all (which Wine takes for missing files). And the folder the
// window's relative names land in when the Start menu starts it in Program Files.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "flash/image_folders.h"
#include "platform/windows/user_files_folder.h"
#include "platform/windows/windows_file_store.h"
#include "tests/windows/fake_windows.h"

#include <knownfolders.h>

namespace kelm::test {
namespace {

const std::uint8_t kBytes[] = {1, 2, 3};

windows::WindowsFileStore Store() {
  return windows::WindowsFileStore(FakeCalls(), [] { return std::string("0123"); });
}

TEST(UserFiles, ReachTheSystemByTheirWideNamesLongOnesWithTheLongPathPrefix) {
  ResetFake();
  Fake().lastError = ERROR_FILE_NOT_FOUND;
  windows::WindowsFileStore files = Store();
  ASSERT_TRUE(files.WriteWholeFile("C:\\Users\\José\\旧 固件.bin", kBytes));
  EXPECT_EQ(Fake().lookedUp.at(0), "C:\\Users\\José\\旧 固件.bin");
  EXPECT_EQ(Fake().opens.at(0).path, "C:\\Users\\José\\.kelm-0123");
  EXPECT_EQ(Fake().written, std::string("\1\2\3"));

  ResetFake();
  Fake().lastError = ERROR_FILE_NOT_FOUND;
  const std::string folder = "C:\\" + std::string(120, 'a') + "\\" + std::string(120, 'b');
  ASSERT_TRUE(files.WriteWholeFile(folder + "\\backup.bin", kBytes));
  EXPECT_EQ(Fake().lookedUp.at(0), "\\\\?\\" + folder + "\\backup.bin");
  EXPECT_EQ(Fake().opens.at(0).path, "\\\\?\\" + folder + "\\.kelm-0123");
}

struct Unusable {
  const char* name;
  std::string target;
  const char* why;
};

class NamesTheSystemCannotLookUp : public ::testing::TestWithParam<Unusable> {};

// Wine answers "file not found" for them; nothing is looked up or written, as on Linux.
TEST_P(NamesTheSystemCannotLookUp, AreRefusedNotTakenForMissingFiles) {
  ResetFake();
  Fake().lastError = ERROR_FILE_NOT_FOUND;
  windows::WindowsFileStore files = Store();
  const Unusable c = GetParam();
  EXPECT_FALSE(files.MayReplace(c.target));
  EXPECT_FALSE(files.WriteWholeFile(c.target, kBytes));
  EXPECT_EQ(files.WhyUnusable(c.target, platform::PathUse::Write), c.why);
  EXPECT_TRUE(Fake().lookedUp.empty());
  EXPECT_TRUE(Fake().opens.empty());
}

INSTANTIATE_TEST_SUITE_P(
    UserFiles, NamesTheSystemCannotLookUp,
    ::testing::Values(
        Unusable{"ALastPartOf260Characters", std::string(260, 'n'), "too long a name (255 characters at most)"},
        Unusable{"AQuestionMark", "C:\\b\\why?.bin", "not a valid file name (no name may hold \\ / : * ? \" < > |)"},
        Unusable{"AStreamName", "C:\\b\\a.bin:hidden", "not a valid file name (no name may hold \\ / : * ? \" < > |)"}),
    [](const auto& info) { return std::string(info.param.name); });

// On Wine, with the system's own calls: a folder whose name no single code page spells holds
// the vendor's image, found as in any other folder.
TEST(UserFiles, AnImageFolderOfAnyNameGivesItsImages) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / L"Jörg Zoë 旧 固件";
  std::filesystem::create_directories(folder);
  std::string image(20480, '\x5a');
  image.replace(4, 3, "352");
  std::ofstream(folder / L"FW352A.bin", std::ios::binary) << image;
  const std::u8string utf8 = folder.u8string();

  flash::FoundImages images;
  images.LookIn(windows::WindowsFileStore(), std::string(utf8.begin(), utf8.end()), true);
  EXPECT_TRUE(images.refused().empty());
  EXPECT_EQ(images.TakeImage("FW352A").size(), image.size());
  std::filesystem::remove_all(folder);
}

struct Start {
  const char* name;
  std::string folder;
  bool moves;
};

class WindowStartedIn : public ::testing::TestWithParam<Start> {};

TEST_P(WindowStartedIn, MovesToTheUsersDocumentsOnlyFromTheSystemsFolders) {
  ResetFake();
  Fake().knownFolders = {{FOLDERID_ProgramFiles, "C:\\Program Files"},
                         {FOLDERID_ProgramFilesX86, "C:\\Program Files (x86)"},
                         {FOLDERID_Windows, "C:\\Windows"},
                         {FOLDERID_Documents, "C:\\Users\\Jörg\\Documents"}};
  Fake().programFile = "D:\\Tools\\Kelm\\kelm-fwupdate.exe";
  Fake().currentFolder = GetParam().folder;
  const std::string moved = windows::MoveOutOfSystemFolders(FakeCalls());
  EXPECT_EQ(moved, GetParam().moves ? "C:\\Users\\Jörg\\Documents" : "");
  EXPECT_EQ(Fake().folderChanges.size(), GetParam().moves ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    UserFiles, WindowStartedIn,
    ::testing::Values(Start{"TheInstallationFolder", "d:\\tools\\kelm", true},
                      Start{"ProgramFiles", "C:\\Program Files\\Other", true},
                      Start{"System32", "C:\\WINDOWS\\system32", true},
                      Start{"TheUsersDesktop", "C:\\Users\\Jörg\\Desktop", false},
                      Start{"AFolderNamedLikeProgramFiles", "C:\\Program Files Backup", false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kelm::test
