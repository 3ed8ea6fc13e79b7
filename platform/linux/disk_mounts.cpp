#include "platform/linux/disk_mounts.h"

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <system_error>

namespace kelm::linux_platform {

namespace {

// "major:minor" of a sysfs entry; empty when it has none.
std::string DevOf(const std::filesystem::path& entry) {
  std::ifstream in(entry / "dev");
  std::string number;
  std::getline(in, number);
  return number;
}

bool IsOctalDigit(char c) { return c >= '0' && c <= '7'; }

// The table escapes space, tab, newline and backslash in paths as \ooo.
std::string Unescaped(const std::string& text) {
  std::string plain;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 3 < text.size() && IsOctalDigit(text[i + 1]) &&
        IsOctalDigit(text[i + 2]) && IsOctalDigit(text[i + 3])) {
      plain += static_cast<char>((text[i + 1] - '0') * 64 + (text[i + 2] - '0') * 8 + (text[i + 3] - '0'));
      i += 3;
    } else {
      plain += text[i];
    }
  }
  return plain;
}

}  // namespace

std::vector<Mount> MountsOfDisk(const std::string& diskEntry, const std::string& mountTable) {
  std::set<std::string> numbers;
  if (std::string disk = DevOf(diskEntry); !disk.empty()) numbers.insert(disk);
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(diskEntry, ec)) {
    if (!std::filesystem::exists(entry.path() / "partition", ec)) continue;
    if (std::string partition = DevOf(entry.path()); !partition.empty()) numbers.insert(partition);
  }
  std::vector<Mount> mounts;
  std::ifstream table(mountTable);
  // id parent major:minor root point options [optional...] - type source super-options
  for (std::string line; std::getline(table, line);) {
    std::istringstream fields(line);
    std::string id, parent, number, root, point, field;
    if (!(fields >> id >> parent >> number >> root >> point) || !numbers.contains(number)) continue;
    while (fields >> field && field != "-") {
    }
    std::string type, source;
    fields >> type >> source;
    mounts.push_back({Unescaped(source), Unescaped(point)});
  }
  return mounts;
}

}  // namespace kelm::linux_platform
