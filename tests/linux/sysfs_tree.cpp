#include "sysfs_tree.h"

#include <stdlib.h>

#include <fstream>
#include <stdexcept>

namespace kelm::test {

namespace fs = std::filesystem;

namespace {

void Write(const fs::path& file, const std::string& text) {
  std::ofstream(file) << text;
}

bool IsUsbDriver(const std::string& driver) { return driver == "usb-storage" || driver == "uas"; }

}  // namespace

SysfsTree::SysfsTree() {
  std::string pattern = (fs::temp_directory_path() / "kelm-sysfs-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  base_ = pattern;
  fs::create_directories(base_ / "sys/class/scsi_generic");
  fs::create_directories(base_ / "sys/devices");
  fs::create_directories(base_ / "dev");
  for (const char* driver : {"usb/drivers/usb", "usb/drivers/usb-storage", "usb/drivers/uas",
                             "pci/drivers/xhci_hcd", "pci/drivers/ahci", "scsi/drivers/sd",
                             "scsi/drivers/sr"}) {
    fs::create_directories(base_ / "sys/bus" / driver);
  }
}

SysfsTree::~SysfsTree() {
  std::error_code ec;
  fs::remove_all(base_, ec);
}

linux_platform::SystemRoots SysfsTree::roots() const {
  return {(base_ / "sys").string(), (base_ / "dev").string()};
}

std::string SysfsTree::DevNode(int sg) const { return (base_ / "dev" / ("sg" + std::to_string(sg))).string(); }

std::string SysfsTree::DevicePath(int sg) const {
  std::error_code ec;
  return fs::canonical(base_ / "sys/class/scsi_generic" / ("sg" + std::to_string(sg)) / "device", ec)
      .string();
}

std::string SysfsTree::BlockName(const DriveSpec& config) {
  if (config.scsiType == 5) return "sr" + std::to_string(config.sg);
  return std::string("sd") + static_cast<char>('a' + config.sg % 26);
}

std::string SysfsTree::BlockNode(const DriveSpec& config) const {
  return (base_ / "dev" / BlockName(config)).string();
}

void SysfsTree::Link(const fs::path& link, const fs::path& target) const {
  fs::create_directory_symlink(fs::relative(target, link.parent_path()), link);
}

void SysfsTree::Add(const DriveSpec& config) {
  const fs::path sys = base_ / "sys";
  const int number = config.host >= 0 ? config.host : config.sg;
  const std::string host = "host" + std::to_string(number);
  const std::string hctl = std::to_string(number) + ":0:0:0";
  fs::path adapter;
  if (IsUsbDriver(config.adapterDriver)) {
    const fs::path controller = sys / "devices" / config.usbController;
    const fs::path usbDevice = controller / "usb2" / ("2-" + std::to_string(number + 1));
    adapter = usbDevice / (usbDevice.filename().string() + ":1.0");
    fs::create_directories(adapter);
    if (!fs::exists(controller / "driver")) Link(controller / "driver", sys / "bus/pci/drivers/xhci_hcd");
    // A drive plugged in again finds its USB device and interface still there.
    if (!fs::is_symlink(usbDevice / "driver")) {
      Link(usbDevice / "driver", sys / "bus/usb/drivers/usb");
    }
    if (!fs::is_symlink(adapter / "driver")) {
      Link(adapter / "driver", sys / "bus/usb/drivers" / config.adapterDriver);
    }
    const std::size_t colon = config.usbId.find(':');
    Write(usbDevice / "idVendor", config.usbId.substr(0, colon) + "\n");
    Write(usbDevice / "idProduct", config.usbId.substr(colon + 1) + "\n");
  } else {
    const fs::path controller = sys / "devices/pci0000:00" / ("0000:00:17." + std::to_string(config.sg));
    adapter = controller / ("ata" + std::to_string(config.sg + 1));
    fs::create_directories(adapter);
    fs::create_directories(sys / "bus/pci/drivers" / config.adapterDriver);
    Link(controller / "driver", sys / "bus/pci/drivers" / config.adapterDriver);
  }
  const fs::path scsiDevice = adapter / host / ("target" + std::to_string(number) + ":0:0") / hctl;
  const std::string name = "sg" + std::to_string(config.sg);
  fs::create_directories(scsiDevice / "scsi_generic" / name);
  Write(scsiDevice / "scsi_generic" / name / "dev", "21:" + std::to_string(config.sg) + "\n");
  if (config.blockDevice && config.block.empty()) {  // `block` lays out a partitioned disk instead
    const std::string block = BlockName(config);
    fs::create_directories(scsiDevice / "block" / block);
    const std::string number = config.scsiType == 5 ? "11:" + std::to_string(config.sg)
                                                    : "8:" + std::to_string(16 * (config.sg % 26));
    Write(scsiDevice / "block" / block / "dev", number + "\n");
    Write(base_ / "dev" / block, "");
  }
  Write(scsiDevice / "type", std::to_string(config.scsiType) + "\n");
  Write(scsiDevice / "vendor", config.vendor + "\n");
  Write(scsiDevice / "model", config.model + "\n");
  Link(scsiDevice / "driver", sys / "bus/scsi/drivers" / (config.scsiType == 5 ? "sr" : "sd"));
  Link(scsiDevice / "scsi_generic" / name / "device", scsiDevice);
  Link(sys / "class/scsi_generic" / name, scsiDevice / "scsi_generic" / name);
  if (config.devNode) Write(base_ / "dev" / name, "");
  if (!config.block.empty()) AddBlockDevice(scsiDevice, config.block);
}

void SysfsTree::AddBlockDevice(const fs::path& scsiDevice, const std::string& disk) {
  const fs::path sys = base_ / "sys";
  const std::string partition = disk + "1";
  const fs::path diskEntry = scsiDevice / "block" / disk;
  fs::create_directories(diskEntry / partition);
  Write(diskEntry / partition / "partition", "1\n");
  Link(diskEntry / "device", scsiDevice);
  fs::create_directories(sys / "class/block");
  Link(sys / "class/block" / disk, diskEntry);
  Link(sys / "class/block" / partition, diskEntry / partition);
  Write(base_ / "dev" / disk, "");
  Write(base_ / "dev" / partition, "");
}

void SysfsTree::Remove(int sg) {
  const std::string name = "sg" + std::to_string(sg);
  const fs::path entry = base_ / "sys/class/scsi_generic" / name;
  std::error_code resolved, ec;
  const fs::path scsiDevice = fs::canonical(entry / "device", resolved);
  fs::remove(entry, ec);
  if (!resolved) {
    // sysfs reads nothing from a removed device's attributes, even through a descriptor
    // opened before; a removed file would still read its old text.
    const fs::path host = scsiDevice.parent_path().parent_path();
    for (const fs::directory_entry& file : fs::recursive_directory_iterator(host, ec)) {
      if (file.is_regular_file(ec) && !file.is_symlink(ec)) fs::resize_file(file.path(), 0, ec);
    }
    fs::remove_all(host, ec);  // the whole host
  }
  fs::remove(base_ / "dev" / name, ec);
}

}  // namespace kelm::test
