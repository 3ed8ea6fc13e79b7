#pragma once
// A drive's path resolved once to its SCSI device and that device's node, for every open that
// follows. Resolving walks sysfs component by component; proving that an open reached the very
// device resolved takes one read of the node's `dev` attribute through a descriptor kept open.
// That descriptor holds the attribute of that very device, not its name: once the device is
// gone it reads nothing, even when another device comes to the same path or takes over its
// number. A path whose device is gone is resolved afresh, exactly as the first time.

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/linux/scsi_device_path.h"
#include "platform/linux/sys_calls.h"
#include "platform/linux/sysfs_scan.h"

namespace kelm::linux_platform {

class ResolvedNodes {
 public:
  ResolvedNodes(SysCalls& sys, SystemRoots roots, std::string_view className)
      : sys_(sys), roots_(std::move(roots)), className_(className) {}
  ~ResolvedNodes() { Clear(); }
  ResolvedNodes(const ResolvedNodes&) = delete;
  ResolvedNodes& operator=(const ResolvedNodes&) = delete;

  // What OpenDeviceNode does, with the resolution of `path` kept: a descriptor, or -errno
  // (-ENODEV for a path that names no such device, or no longer).
  int Open(const std::string& path, int flags);

  // How many paths were walked in sysfs (a path kept costs one).
  int resolutions() const { return resolutions_; }

 private:
  struct Entry {
    int devAttribute = -1;  // <SCSI device>/<class>/<node>/dev, open
    ClassNode node;
  };
  // Walks the path and holds the node's number attribute; nothing when no device has the node.
  std::optional<Entry> Resolve(const std::string& path);
  // Whether the held device still owns the node it had.
  bool StillOwns(const Entry& entry) const;
  // Opens the entry's node and keeps it when it is the device's own: a descriptor or -errno.
  int OpenProven(const Entry& entry, int flags);
  void Forget(std::map<std::string, Entry>::iterator it);
  void Clear();

  SysCalls& sys_;
  SystemRoots roots_;
  std::string className_;
  // Keyed by the path as the caller spells it: a lower-cased path is its own key, resolved by
  // the same case-insensitive walk as any other.
  std::map<std::string, Entry> entries_;
  int resolutions_ = 0;
};

}  // namespace kelm::linux_platform
