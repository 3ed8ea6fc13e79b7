#pragma once
// A sysfs and /dev tree in a temporary folder, laid out as the kernel lays out SCSI devices
// behind USB interfaces and SATA controllers (relative links included).

#include <filesystem>
#include <string>

#include "platform/linux/sysfs_scan.h"

namespace kelm::test {

struct DriveSpec {
  int sg = 0;
  int scsiType = 0;                       // 0 disk, 5 CD-ROM
  std::string adapterDriver = "usb-storage";  // "usb-storage", "uas", or a SATA driver
  bool devNode = true;                    // /dev/sgN exists
  bool blockDevice = true;                // a disk or CD-ROM block device (sdX, srN) too
  std::string vendor = "JMicron ";
  std::string model = "Generic         ";
  std::string block = {};     // "sdb": a disk node with one partition (sdb1), in place of the above
  std::string usbId = "152d:2352";  // idVendor:idProduct of the USB device
  int host = -1;  // SCSI host and USB port number; -1: the sg number
  std::string usbController = "pci0000:00/0000:00:14.0";  // under <sys>/devices
};

class SysfsTree {
 public:
  SysfsTree();
  ~SysfsTree();
  SysfsTree(const SysfsTree&) = delete;
  SysfsTree& operator=(const SysfsTree&) = delete;

  linux_platform::SystemRoots roots() const;
  std::string DevNode(int sg) const;
  // The drive's SCSI device directory: its device path.
  std::string DevicePath(int sg) const;
  // Its block device's name (sdX for a disk, srN for a CD-ROM) and node.
  static std::string BlockName(const DriveSpec& config);
  std::string BlockNode(const DriveSpec& config) const;

  // A drive on a USB interface bound to config.adapterDriver, or on a PCI SATA controller when
  // that driver is not a USB one.
  void Add(const DriveSpec& config);
  // The drive's sysfs entries and node go, as on unplugging.
  void Remove(int sg);

 private:
  void Link(const std::filesystem::path& link, const std::filesystem::path& target) const;
  void AddBlockDevice(const std::filesystem::path& scsiDevice, const std::string& disk);
  std::filesystem::path base_;
};

}  // namespace kelm::test
