#include "platform/linux/resolved_nodes.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace kelm::linux_platform {

namespace {

// Twice the drive table: a long session that plugs many enclosures keeps no more descriptors.
constexpr std::size_t kMostKept = 32;

// An attribute below a directory descriptor, blanks trimmed; empty when it cannot be read.
std::string ReadAttributeAt(int dir, const std::string& relative) {
  const int fd = ::openat(dir, relative.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {};
  std::array<char, 64> buffer{};
  const ssize_t got = ::read(fd, buffer.data(), buffer.size());
  ::close(fd);
  if (got <= 0) return {};
  std::string text(buffer.data(), static_cast<std::size_t>(got));
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

}  // namespace

std::optional<ResolvedNodes::Entry> ResolvedNodes::Resolve(const std::string& path) {
  ++resolutions_;
  const std::optional<std::string> scsiDevice = ResolveScsiDevice(roots_, path);
  if (!scsiDevice) return std::nullopt;
  Entry entry;
  entry.deviceDir = ::open(scsiDevice->c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (entry.deviceDir < 0) return std::nullopt;
  // The node is read by name; proving it through the descriptor ties it to the device held,
  // whatever came to the path in between.
  std::optional<ClassNode> node = ClassNodeOf(roots_, *scsiDevice, className_);
  if (node) entry.node = std::move(*node);
  if (!node || !StillOwns(entry)) {
    ::close(entry.deviceDir);
    return std::nullopt;
  }
  return entry;
}

bool ResolvedNodes::StillOwns(const Entry& entry) const {
  const std::string dev = ReadAttributeAt(entry.deviceDir, className_ + "/" + entry.node.name + "/dev");
  return ParseDevAttribute(dev, entry.node.number.kind) == entry.node.number;
}

int ResolvedNodes::OpenProven(const Entry& entry, int flags) {
  const int fd = sys_.Open(entry.node.devNode, flags);
  if (fd < 0) return fd;
  // The node must be the device's own, and the device must still own it once it is open:
  // then nothing another device was given in between can be on the descriptor.
  DeviceNumber opened;
  if (sys_.Stat(fd, opened) == 0 && opened == entry.node.number && StillOwns(entry)) return fd;
  sys_.Close(fd);
  return -ENODEV;
}

int ResolvedNodes::Open(const std::string& path, int flags) {
  if (const auto it = entries_.find(path); it != entries_.end()) {
    const int fd = OpenProven(it->second, flags);
    // A refusal (busy, denied) of a device still there is the answer a fresh walk would get.
    if (fd >= 0 || (fd != -ENODEV && StillOwns(it->second))) return fd;
    Forget(it);
  }
  std::optional<Entry> entry = Resolve(path);
  if (!entry) return -ENODEV;
  const int fd = OpenProven(*entry, flags);
  if (fd < 0) {
    ::close(entry->deviceDir);
    return fd;
  }
  if (entries_.size() >= kMostKept) Clear();
  entries_.emplace(path, std::move(*entry));
  return fd;
}

void ResolvedNodes::Forget(std::map<std::string, Entry>::iterator it) {
  ::close(it->second.deviceDir);
  entries_.erase(it);
}

void ResolvedNodes::Clear() {
  for (auto& [path, entry] : entries_) ::close(entry.deviceDir);
  entries_.clear();
}

}  // namespace kelm::linux_platform
