#include "platform/linux/resolved_nodes.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace kelm::linux_platform {

namespace {

// Twice the drive table: a long session that plugs many enclosures keeps no more descriptors.
constexpr std::size_t kMostKept = 32;

}  // namespace

std::optional<ResolvedNodes::Entry> ResolvedNodes::Resolve(const std::string& path) {
  ++resolutions_;
  const std::optional<std::string> scsiDevice = ResolveScsiDevice(roots_, path);
  if (!scsiDevice) return std::nullopt;
  std::optional<ClassNode> node = ClassNodeOf(roots_, *scsiDevice, className_);
  if (!node) return std::nullopt;
  Entry entry{-1, std::move(*node)};
  const std::string dev = *scsiDevice + "/" + className_ + "/" + entry.node.name + "/dev";
  entry.devAttribute = ::open(dev.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (entry.devAttribute < 0) return std::nullopt;
  // Read through the descriptor kept, the number is that of the node the path named, whatever
  // came to the path in between.
  if (!StillOwns(entry)) {
    ::close(entry.devAttribute);
    return std::nullopt;
  }
  return entry;
}

// sysfs answers a read of an attribute it has removed with an error, even through a descriptor
// opened before: a device that is gone, or gave its node up, reads nothing.
bool ResolvedNodes::StillOwns(const Entry& entry) const {
  std::array<char, 32> text{};
  const ssize_t got = ::pread(entry.devAttribute, text.data(), text.size(), 0);
  if (got <= 0) return false;
  std::string_view number(text.data(), static_cast<std::size_t>(got));
  while (!number.empty() && number.back() == '\n') number.remove_suffix(1);
  return ParseDevAttribute(std::string(number), entry.node.number.kind) == entry.node.number;
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
    ::close(entry->devAttribute);
    return fd;
  }
  if (entries_.size() >= kMostKept) Clear();
  entries_.emplace(path, std::move(*entry));
  return fd;
}

void ResolvedNodes::Forget(std::map<std::string, Entry>::iterator it) {
  ::close(it->second.devAttribute);
  entries_.erase(it);
}

void ResolvedNodes::Clear() {
  for (auto& [path, entry] : entries_) ::close(entry.devAttribute);
  entries_.clear();
}

}  // namespace kelm::linux_platform
