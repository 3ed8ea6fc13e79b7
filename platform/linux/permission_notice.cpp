#include "platform/linux/permission_notice.h"

namespace kelm::linux_platform {

std::string PermissionNotice::Text(const std::vector<UnusableDrive>& drives) {
  std::string names;
  for (const UnusableDrive& drive : drives) {
    if (!names.empty()) names += ", ";
    names += drive.devNode;
    if (!drive.description.empty()) names += " (" + drive.description + ")";
  }
  return "Permission denied on the USB drive " + names +
         ".\n\nThe program needs read-write access to the drive's device node. The udev rule " +
         std::string(kUdevRuleName) +
         ", installed with the program, gives it to the user at the seat for these "
         "enclosures alone.\n\nOnce the rule is installed, unplug the enclosure and plug it in "
         "again (or have udev apply the rule with \"udevadm trigger\").";
}

void PermissionNotice::Report(const std::vector<UnusableDrive>& drives) {
  if (told_ || drives.empty()) return;
  told_ = true;
  boxes_.Show("Error", Text(drives), platform::MessageIcon::Error);
}

}  // namespace kelm::linux_platform
