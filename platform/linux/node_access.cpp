#include "platform/linux/node_access.h"

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <fstream>
#include <iterator>

namespace kelm::linux_platform {

namespace {

constexpr int kCapSysRawIo = 17;  // from <linux/capability.h>
constexpr std::string_view kEffectiveSetKey = "CapEff:";

}  // namespace

bool StatusGrantsRawIo(std::string_view procStatus) {
  for (std::size_t at = 0; at < procStatus.size();) {
    std::size_t end = procStatus.find('\n', at);
    if (end == std::string_view::npos) end = procStatus.size();
    std::string_view line = procStatus.substr(at, end - at);
    at = end + 1;
    if (!line.starts_with(kEffectiveSetKey)) continue;
    line.remove_prefix(kEffectiveSetKey.size());
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    std::uint64_t set = 0;
    const auto [ptr, ec] = std::from_chars(line.data(), line.data() + line.size(), set, 16);
    if (ec != std::errc() || ptr == line.data()) return true;
    return (set >> kCapSysRawIo) & 1;
  }
  return true;
}

AccessProblem NodeAccess::Check(const std::string& devNode) const {
  const int access = sys_.AccessReadWrite(devNode);
  if (access == -EACCES || access == -EPERM || access == -EROFS) return AccessProblem::NoReadWrite;
  std::ifstream in(procStatusPath_);
  const std::string status((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return StatusGrantsRawIo(status) ? AccessProblem::None : AccessProblem::NoRawIo;
}

}  // namespace kelm::linux_platform
