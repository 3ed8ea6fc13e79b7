// kelmtool.exe started as Windows starts a program, with its command line in UTF-16: a backup
// to a folder and file whose names no single code page spells, then a restore of it, on the
// simulated bench. And the manifest Windows reads before it starts the program.

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace kelm::test {
namespace {

namespace fs = std::filesystem;

// Runs kelmtool.exe with `arguments` (UTF-16) in `folder`; its exit status.
DWORD RunKelmtool(const fs::path& folder, const std::wstring& arguments) {
  std::wstring line = L"\"" + fs::path(KELMTOOL_EXE).wstring() + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.wstring().c_str(), &startup, &process)) {
    return 0xFFFFFFFF;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 0xFFFFFFFF;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return status;
}

std::string Contents(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(KelmtoolNames, BacksUpToAndRestoresFromANameInAnyLanguage) {
  const fs::path folder = fs::temp_directory_path() / "kelm-names";
  fs::remove_all(folder);
  fs::create_directories(folder / L"Jörg Zoë");
  fs::copy_file(KELM_SCENARIO, folder / "scenario.json");
  const std::wstring bench = L"--scenario scenario.json --dump dump ";

  ASSERT_EQ(RunKelmtool(folder, bench + L"backup 0 \"Jörg Zoë/旧 固件.bin\""), 0u);
  const std::string backup = Contents(folder / L"Jörg Zoë" / L"旧 固件.bin");
  EXPECT_EQ(backup.size(), 65536u);
  EXPECT_TRUE(fs::exists(folder / L"Jörg Zoë" / L"旧 固件.bin.json"));

  ASSERT_EQ(RunKelmtool(folder, bench + L"restore 0 \"Jörg Zoë/旧 固件.bin\" --backup \"Jörg Zoë/vorher.bin\""), 0u);
  EXPECT_EQ(Contents(folder / "dump" / "device-0.bin"), backup);
  fs::remove_all(folder);
}

// Without a manifest Windows guesses: an installer-like name asks for elevation, and file
// writes to protected folders are virtualised out of sight.
TEST(KelmtoolManifest, RunsAsItsInvokerOnTheSupportedSystemsWithLongPaths) {
  const HMODULE program = LoadLibraryExW(fs::path(KELMTOOL_EXE).wstring().c_str(), nullptr,
                                         LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(program, nullptr);
  const HRSRC found = FindResourceW(program, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  ASSERT_NE(found, nullptr);
  const auto* text = static_cast<const char*>(LockResource(LoadResource(program, found)));
  const std::string manifest(text, SizeofResource(program, found));
  FreeLibrary(program);
  EXPECT_NE(manifest.find(R"(level="asInvoker")"), std::string::npos);
  EXPECT_NE(manifest.find("<longPathAware"), std::string::npos);
  EXPECT_NE(manifest.find(R"(<supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>)"), std::string::npos);
}

}  // namespace
}  // namespace kelm::test
