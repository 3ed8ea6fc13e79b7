#include "programs/kelmtool/tool_support.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <string_view>

#include "chip/chip_code.h"
#include "programs/kelmtool/backup_record.h"

namespace kelm::kelmtool {

namespace {

// The longest file name the usual file systems take.
constexpr std::size_t kLongestFileName = 255;

std::optional<std::size_t> ListNumber(const std::string& argument) {
  std::size_t number = 0;
  const auto [end, ec] = std::from_chars(argument.data(), argument.data() + argument.size(), number);
  if (argument.empty() || ec != std::errc() || end != argument.data() + argument.size()) {
    return std::nullopt;
  }
  return number;
}

// "name: why"; a drive letter is quoted, since "C:: why" reads as a typing slip.
std::string AboutPath(const std::string& path, const std::string& why) {
  return (path.ends_with(':') ? "\"" + path + "\"" : path) + ": " + why;
}

}  // namespace

void RefuseUnusable(const platform::FileStore& files, const std::string& path, platform::PathUse use) {
  const std::string why = files.WhyUnusable(path, use);
  if (!why.empty()) throw RunError(kExitBadInput, AboutPath(path, why));
}

std::vector<std::uint8_t> ReadUserFile(const platform::FileStore& files, const std::string& name,
                                       std::size_t limit) {
  if (std::optional<std::vector<std::uint8_t>> bytes = files.ReadWholeFile(name, limit)) {
    return std::move(*bytes);
  }
  // Refused: the words say why, from what is there now.
  std::string why = files.WhyUnusable(name, platform::PathUse::Read);
  std::error_code ec;
  if (why.empty() && std::filesystem::file_size(name, ec) > limit && !ec) {
    why = "larger than " + std::to_string(limit) + " bytes, the largest flash";
  }
  throw RunError(kExitBadInput, AboutPath(name, why.empty() ? "cannot be read" : why));
}

void CheckBackupTarget(const platform::FileStore& files, const std::string& name, bool replace) {
  if (name.empty()) throw RunError(kExitBadInput, "the backup's file name is empty");
  RefuseUnusable(files, name, platform::PathUse::Write);
  // Found out after the flash was read, a record too long to name would leave a backup that
  // restore refuses.
  if (std::filesystem::path(RecordFileName(name)).filename().string().size() > kLongestFileName) {
    throw RunError(kExitBadInput, name + ": too long a name for its record beside it (" +
                                      std::to_string(kLongestFileName) + " characters at most)");
  }
  RefuseUnusable(files, RecordFileName(name), platform::PathUse::Write);
  if (replace) return;
  for (const std::string& target : {name, RecordFileName(name)}) {
    if (files.Exists(target)) {
      throw RunError(kExitBadInput, target + ": exists already; give --force to replace it");
    }
  }
}

DriveReport ResolveDrive(const ToolEnvironment& env, const std::string& argument) {
  std::string path;
  if (const std::optional<std::size_t> number = ListNumber(argument)) {
    const std::vector<std::string> drives = DiscoverDrives(env.io);
    if (*number >= drives.size()) {
      throw RunError(kExitBadInput, "no drive number " + argument + " (see kelmtool list)");
    }
    path = drives[*number];
  } else {
    const std::optional<std::string> named = env.locator.Match(argument, flash::UsbStoragePaths(env.io.setup));
    if (!named) {
      // Said without "NAME:", which reads badly after a drive letter ("C::").
      throw RunError(kExitBadInput, "no USB drive is named " + argument + " (see kelmtool list)");
    }
    const std::vector<std::string> drives = DiscoverDrives(env.io);
    if (std::find(drives.begin(), drives.end(), *named) == drives.end()) {
      throw RunError(kExitBadInput, argument + ": no bridge answers behind this drive");
    }
    path = *named;
  }
  return SurveyDrive(env.io, path);
}

std::string BridgeText(const DriveReport& drive) {
  return drive.modelName + " rev " + std::to_string(chip::RevisionOf(drive.code));
}

}  // namespace kelm::kelmtool
