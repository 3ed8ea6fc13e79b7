#include "platform/linux/permission_notice.h"

#include <algorithm>
#include <utility>

namespace kelm::linux_platform {

namespace {

// Stands for the vendor id in the rule line when the drive's is not known.
constexpr std::string_view kSomeVendor = "vvvv";

std::string Names(const std::vector<UnusableDrive>& drives, bool withVendor) {
  std::string names;
  for (const UnusableDrive& drive : drives) {
    if (!names.empty()) names += ", ";
    names += drive.devNode;
    std::string about = drive.description;
    if (withVendor && !drive.usbVendor.empty()) {
      about += (about.empty() ? "" : ", ") + std::string("USB vendor ") + drive.usbVendor;
    }
    if (!about.empty()) names += " (" + about + ")";
  }
  return names;
}

std::string CoveredText(const std::vector<UnusableDrive>& drives) {
  return "Permission denied on the USB drive " + Names(drives, false) +
         ".\n\nThe program needs read-write access to the drive's device node. The udev rule " +
         std::string(kUdevRuleName) +
         ", installed with the program, gives it to the user at the seat for these "
         "enclosures alone.\n\nOnce the rule is installed, unplug the enclosure and plug it in "
         "again (or have udev apply the rule with \"udevadm trigger\").";
}

std::string OtherVendorText(const std::vector<UnusableDrive>& drives) {
  const std::string vendor =
      drives.front().usbVendor.empty() ? std::string(kSomeVendor) : drives.front().usbVendor;
  return "Permission denied on the USB drive " + Names(drives, true) +
         ".\n\nNo enclosure the program may use is plugged in. The udev rule " +
         std::string(kUdevRuleName) + " covers the enclosures of USB vendor " +
         std::string(kRuleUsbVendor) +
         " only and leaves other drives alone on purpose.\n\nIf this is an enclosure whose "
         "maker put its own vendor id on the bridge, add these lines to a file in "
         "/etc/udev/rules.d, then unplug the enclosure and plug it in again:\n"
         "SUBSYSTEM==\"scsi_generic\", SUBSYSTEMS==\"usb\", ATTRS{idVendor}==\"" + vendor +
         "\", TAG+=\"uaccess\"\n"
         "SUBSYSTEM==\"block\", ENV{DEVTYPE}==\"disk\", SUBSYSTEMS==\"usb\", ATTRS{idVendor}==\"" +
         vendor + "\", TAG+=\"uaccess\"";
}

}  // namespace

std::string PermissionNotice::Text(const std::vector<UnusableDrive>& drives, bool enclosureUsable) {
  std::vector<UnusableDrive> covered;
  std::copy_if(drives.begin(), drives.end(), std::back_inserter(covered),
               [](const UnusableDrive& drive) { return drive.usbVendor == kRuleUsbVendor; });
  if (!covered.empty()) return CoveredText(covered);
  if (drives.empty() || enclosureUsable) return {};
  return OtherVendorText(drives);
}

void PermissionNotice::Report(const std::vector<UnusableDrive>& drives, bool enclosureUsable) {
  if (told_) return;
  const std::string text = Text(drives, enclosureUsable);
  if (text.empty()) return;
  told_ = true;
  boxes_.Show("Error", text, platform::MessageIcon::Error);
}

std::string_view PermissionNotice::ServiceText(ServiceRefusal refusal) {
  if (refusal == ServiceRefusal::Unreachable) {
    return "The firmware update service, through which this program reaches the enclosures, "
           "cannot be reached: it comes with the kelm-fwupdate package, or start this program as "
           "root to open the enclosures directly.";
  }
  return "The system's policy (polkit) did not authorize you to do this, so nothing was sent to "
         "the enclosure: ask an administrator.";
}

void PermissionNotice::ReportService(ServiceRefusal refusal) {
  bool& told = refusal == ServiceRefusal::Unreachable ? toldUnreachable_ : toldNotAuthorized_;
  if (std::exchange(told, true)) return;
  boxes_.Show("Error", ServiceText(refusal), platform::MessageIcon::Error);
}

}  // namespace kelm::linux_platform
