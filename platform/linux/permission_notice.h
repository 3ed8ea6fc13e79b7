#pragma once
// Tells the operator, once per run, which USB enclosures the program may not use and the one
// way to give it access (the udev rule that comes with it); later refreshes meet the same
// drives in silence. Drives of other vendors, which the rule leaves alone on purpose, are
// spoken of only when no enclosure is there to use.

#include <string>
#include <string_view>
#include <vector>

#include "platform/host.h"

namespace kelm::linux_platform {

// The udev rule that gives the user at the seat read-write access to these enclosures alone.
inline constexpr std::string_view kUdevRuleName = "70-kelm-fwupdate.rules";
// The USB vendor id that rule covers: the bridge maker's.
inline constexpr std::string_view kRuleUsbVendor = "152d";

struct UnusableDrive {
  std::string devNode;      // /dev/sgN
  std::string description;  // vendor and model, may be empty
  std::string usbVendor;    // idVendor, may be empty
};

// Why the firmware update service, through which a user's window reaches the enclosures,
// did not do what was asked.
enum class ServiceRefusal { Unreachable, NotAuthorized };

class PermissionNotice {
 public:
  explicit PermissionNotice(platform::MessageBoxes& boxes) : boxes_(boxes) {}

  // Shows the message for these drives unless one was shown before or Text has none.
  // `enclosureUsable`: a drive of the rule's vendor is there and may be used.
  void Report(const std::vector<UnusableDrive>& drives, bool enclosureUsable);
  bool Told() const { return told_; }

  // The message: the refused drives of the rule's vendor when there are any; else, when no
  // enclosure is usable, the others with how to cover another vendor; else nothing.
  static std::string Text(const std::vector<UnusableDrive>& drives, bool enclosureUsable);

  // What the user needs to know of a refusal of the service: one sentence.
  static std::string_view ServiceText(ServiceRefusal refusal);
  // Shows it, once a run for each refusal.
  void ReportService(ServiceRefusal refusal);

 private:
  platform::MessageBoxes& boxes_;
  bool told_ = false;
  bool toldUnreachable_ = false;
  bool toldNotAuthorized_ = false;
};

}  // namespace kelm::linux_platform
