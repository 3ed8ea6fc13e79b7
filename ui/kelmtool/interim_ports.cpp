#include "ui/kelmtool/interim_ports.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace kelm::kelmtool {

namespace {
// /dev/sdb itself or one of its partitions /dev/sdb1, /dev/sdb2, ...
bool IsDiskOrPartition(const std::string& source, const std::string& disk) {
  if (!source.starts_with(disk)) return false;
  const std::string rest = source.substr(disk.size());
  return std::all_of(rest.begin(), rest.end(), [](char c) { return c >= '0' && c <= '9'; });
}
}  // namespace

bool InterimMountRefusal::Claim(const std::string& devicePath) {
  const std::string disk = locator_.Describe(devicePath).blockDevice;
  if (disk.empty()) return false;  // a drive whose disk cannot be found cannot be checked
  std::ifstream mounts(mounts_);
  if (!mounts) return false;
  for (std::string line; std::getline(mounts, line);) {
    std::istringstream fields(line);
    std::string source;
    fields >> source;
    if (IsDiskOrPartition(source, disk)) return false;
  }
  return true;
}

}  // namespace kelm::kelmtool
