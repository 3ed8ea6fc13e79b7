#include "platform/linux/permission_notice.h"

namespace kelm::linux_platform {

std::string PermissionNotice::Text(const std::vector<UnusableDrive>& drives,
                                   const std::string& programPath) {
  std::string names;
  for (const UnusableDrive& drive : drives) {
    if (!names.empty()) names += ", ";
    names += drive.devNode;
    if (!drive.description.empty()) names += " (" + drive.description + ")";
  }
  return "Permission denied on the USB drive " + names +
         ".\n\nThe bridge's commands need read-write access to the drive's device node and "
         "the CAP_SYS_RAWIO capability. Run the program as root:\n  sudo " +
         programPath +
         "\nor grant it the capability and give your user access to the device:\n"
         "  sudo setcap cap_sys_rawio+ep " +
         programPath + "\n  sudo usermod -aG disk $USER  (then log in again)";
}

void PermissionNotice::Report(const std::vector<UnusableDrive>& drives) {
  if (told_ || drives.empty()) return;
  told_ = true;
  boxes_.Show("Error", Text(drives, programPath_), platform::MessageIcon::Error);
}

}  // namespace kelm::linux_platform
