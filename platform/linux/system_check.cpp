#include "platform/linux/system_check.h"

#include <filesystem>
#include <system_error>

namespace kelm::linux_platform {

namespace {

bool Exists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec);
}

}  // namespace

SystemCheck CheckSystem(const SystemRoots& roots, const std::string& udevRunDir) {
  SystemCheck check;
  check.sysfsMounted = Exists(roots.sys + "/devices");
  check.sgDriverLoaded = Exists(roots.sys + "/class/scsi_generic");
  // Without the daemon libudev still hands out a monitor, whose socket never delivers.
  check.udevRunning = Exists(udevRunDir + "/control");
  return check;
}

std::vector<std::string> ProblemLines(const SystemCheck& check, bool monitorWorks) {
  std::vector<std::string> lines;
  if (!check.sysfsMounted) {
    lines.push_back("kelm-fwupdate: /sys is not mounted, so no enclosure can be found.\n");
  } else if (!check.sgDriverLoaded) {
    lines.push_back(
        "kelm-fwupdate: the SCSI generic driver (sg) is not loaded, so no enclosure can be "
        "found; load it with \"modprobe sg\".\n");
  }
  if (!check.udevRunning || !monitorWorks) {
    lines.push_back(
        "kelm-fwupdate: no udev daemon is running; enclosures plugged in or removed now will "
        "not be noticed until the program is started again.\n");
  }
  return lines;
}

}  // namespace kelm::linux_platform
