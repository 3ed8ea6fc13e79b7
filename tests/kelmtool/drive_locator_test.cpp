// DEVICE arguments on Linux: an sg node, a block device or one of its partitions, or the SCSI
// device's sysfs path all name the same drive, whichever form discovery's paths take.

#include <gtest/gtest.h>

#include "tests/linux/sysfs_tree.h"
#include "programs/kelmtool/linux_drive_locator.h"

namespace kelm::test {
namespace {

namespace fs = std::filesystem;

TEST(DriveLocator, EveryNameOfADriveLeadsToItsDiscoveryPath) {
  SysfsTree tree;
  const auto drive = [](int sg, int scsiType, std::string adapter, std::string block) {
    DriveSpec made;
    made.sg = sg;
    made.scsiType = scsiType;
    made.adapterDriver = std::move(adapter);
    made.blockDevice = !block.empty();  // the named block device or none
    made.block = std::move(block);
    return made;
  };
  tree.Add(drive(2, 0, "usb-storage", "sdb"));
  tree.Add(drive(3, 5, "usb-storage", ""));
  tree.Add(drive(0, 0, "ahci", "sda"));  // a SATA disk: never one of discovery's paths
  const kelmtool::LinuxDriveLocator locator(tree.roots());
  const std::string dev = tree.roots().dev;
  const auto scsiDir = [&](int sg) {
    return fs::canonical(tree.roots().sys + "/class/scsi_generic/sg" + std::to_string(sg) + "/device").string();
  };

  // Discovery's paths today (sg nodes) and tomorrow (the SCSI devices in sysfs).
  for (const std::vector<std::string>& paths :
       {std::vector<std::string>{tree.DevNode(2), tree.DevNode(3)},
        std::vector<std::string>{scsiDir(2), scsiDir(3)}}) {
    SCOPED_TRACE(paths[0]);
    for (const std::string& name : {dev + "/sg2", dev + "/sdb", dev + "/sdb1", scsiDir(2)}) {
      EXPECT_EQ(locator.Match(name, paths), paths[0]) << name;
    }
    EXPECT_EQ(locator.Match(dev + "/sg3", paths), paths[1]);
    for (const std::string& name : {dev + "/sda", dev + "/sg9", dev + "/sdz", std::string("/nowhere")}) {
      EXPECT_EQ(locator.Match(name, paths), std::nullopt) << name;
    }
    const kelmtool::DriveNodes nodes = locator.Describe(paths[0]);
    EXPECT_EQ(nodes.sgNode, dev + "/sg2");
    EXPECT_EQ(nodes.blockDevice, dev + "/sdb");
    EXPECT_EQ(nodes.usbId, "152d:2352");
    EXPECT_EQ(locator.Describe(paths[1]).blockDevice, "");
  }
}

TEST(DriveLocator, OnlyADriveOnTheSimulatedBusTakesSyntheticImages) {
  SysfsTree tree;
  DriveSpec bench;
  bench.sg = 1;
  bench.usbController = "platform/dummy_hcd.0";
  DriveSpec enclosure;  // the same bridge on a real host controller
  enclosure.sg = 2;
  tree.Add(bench);
  tree.Add(enclosure);
  const kelmtool::LinuxDriveLocator locator(tree.roots());

  EXPECT_TRUE(locator.TakesSyntheticImages(tree.DevNode(1)));
  EXPECT_TRUE(locator.TakesSyntheticImages(tree.DevicePath(1)));
  EXPECT_FALSE(locator.TakesSyntheticImages(tree.DevNode(2)));
  EXPECT_FALSE(locator.TakesSyntheticImages(tree.DevicePath(2)));
  EXPECT_FALSE(locator.TakesSyntheticImages(tree.roots().dev + "/sg9"));  // gone: refused too
}

}  // namespace
}  // namespace kelm::test
