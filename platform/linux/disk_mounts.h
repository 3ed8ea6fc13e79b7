#pragma once
// The filesystems mounted from a disk or its partitions, as the mount table lists them, for
// telling the user what to unmount.

#include <string>
#include <vector>

namespace kelm::linux_platform {

struct Mount {
  std::string source;  // "/dev/sdb1"
  std::string point;   // "/media/user/DISK"
};

// `diskEntry`: the disk's sysfs folder (<scsi device>/block/sdb), whose `dev` and whose
// partitions' `dev` give the numbers; `mountTable`: a mountinfo file.
std::vector<Mount> MountsOfDisk(const std::string& diskEntry, const std::string& mountTable);

}  // namespace kelm::linux_platform
