#pragma once
// The SCSI generic nodes of the system as sysfs shows them: which SCSI device each belongs to,
// its peripheral type, and whether it sits behind a USB mass-storage interface.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kelm::linux_platform {

// Where sysfs and the device nodes are mounted; tests point these at a tree of their own.
struct SystemRoots {
  std::string sys = "/sys";
  std::string dev = "/dev";
};

// SCSI peripheral device types that discovery offers.
inline constexpr int kScsiTypeDisk = 0;
inline constexpr int kScsiTypeCdrom = 5;

struct ScsiGenericNode {
  int number = -1;        // N of sgN
  std::string name;       // "sgN"
  std::string devNode;    // <dev>/sgN
  std::string devicePath; // the SCSI device's sysfs directory: the drive's device path
  int scsiType = -1;      // the SCSI device's `type`, -1 when unreadable
  std::string vendor;     // the SCSI device's vendor and model texts, blanks trimmed
  std::string model;
  bool usbStorage = false;  // its host adapter is a USB interface bound to usb-storage or uas
  std::string usbVendor;    // idVendor of the USB device above it ("152d"); empty when none
  bool nodePresent = false; // <dev>/sgN exists
};

// A sysfs attribute's text, blanks trimmed; empty when it cannot be read.
std::string ReadAttribute(const std::filesystem::path& file);

// N for "sgN", nothing for any other name.
std::optional<int> SgNumber(const std::string& name);

// One node by name ("sg3"), nothing when sysfs has no such scsi_generic entry.
std::optional<ScsiGenericNode> ReadScsiGenericNode(const SystemRoots& roots,
                                                   const std::string& name);

// Every scsi_generic entry, by sg number.
std::vector<ScsiGenericNode> ScanScsiGenericNodes(const SystemRoots& roots);

// Whether discovery offers the node for a SCSI type: USB storage, of that type, with a node.
bool IsOfferedAs(const ScsiGenericNode& node, int scsiType);

}  // namespace kelm::linux_platform
