// The disk claim on a drive's block device: taken exclusively and read-only, refused while
// the disk is in use, held until released, and never taken on another device's node.

#include <fcntl.h>
#include <gtest/gtest.h>

#include <fstream>

#include "platform/linux/block_disk_claim.h"
#include "test_services.h"

namespace kelm {
namespace {

using linux_platform::BlockDiskClaim;

TEST(BlockDiskClaim, HoldsTheDiskExclusivelyUntilReleased) {
  test::SysfsTree tree;
  const test::DriveSpec drive{.sg = 1};
  tree.Add(drive);
  test::FakeKernel kernel;
  BlockDiskClaim claim(kernel, tree.roots());

  ASSERT_TRUE(claim.Claim(tree.DevicePath(1)));
  ASSERT_EQ(kernel.openFlags.size(), 1u);
  EXPECT_EQ(kernel.openFlags[0] & O_ACCMODE, O_RDONLY);
  EXPECT_TRUE(kernel.openFlags[0] & O_EXCL);
  EXPECT_EQ(kernel.openCount(), 1) << "held for the whole run";
  claim.Release();
  EXPECT_EQ(kernel.openCount(), 0);
  claim.Release();
}

TEST(BlockDiskClaim, RefusedWhileInUseOrNotTheDrivesOwnDisk) {
  struct Case {
    const char* name;
    bool mounted;
    bool wrongNumber;
    bool gone;
  };
  const Case cases[] = {
      {"mounted", true, false, false},
      {"node_of_another_disk", false, true, false},
      {"drive_gone", false, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::SysfsTree tree;
    const test::DriveSpec drive{.sg = 1};
    tree.Add(drive);
    const std::string path = tree.DevicePath(1);
    test::FakeKernel kernel;
    if (c.mounted) kernel.busy.insert(tree.BlockNode(drive));
    if (c.wrongNumber) {
      kernel.numbers[tree.BlockNode(drive)] = {linux_platform::DeviceNumber::Kind::Block, 8, 32};
    }
    if (c.gone) tree.Remove(1);
    BlockDiskClaim claim(kernel, tree.roots());
    EXPECT_FALSE(claim.Claim(path));
    EXPECT_EQ(kernel.openCount(), 0) << "nothing is held";
  }
}

// The refusal says what to unmount, as the mount table names it, or that another program holds
// the disk when nothing is mounted from it.
TEST(BlockDiskClaim, ARefusalNamesTheMountedFilesystemOrTheHoldingProgram) {
  test::SysfsTree tree;
  const test::DriveSpec drive{.sg = 1};
  tree.Add(drive);
  test::FakeKernel kernel;
  kernel.busy.insert(tree.BlockNode(drive));
  const std::string table = ::testing::TempDir() + "/kelm-mountinfo";
  std::ofstream(table) << "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
                          "90 22 8:16 / /media/u/My\\040Disk rw,nosuid shared:5 - vfat /dev/sdb rw\n";
  BlockDiskClaim claim(kernel, tree.roots(), table);
  EXPECT_FALSE(claim.Claim(tree.DevicePath(1)));
  EXPECT_EQ(claim.Refusal(), "Its filesystem is mounted: /dev/sdb on /media/u/My Disk. Unmount it, then try again.");

  std::ofstream(table) << "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n";
  EXPECT_FALSE(claim.Claim(tree.DevicePath(1)));
  EXPECT_EQ(claim.Refusal().find("Another program holds " + tree.BlockNode(drive)), 0u) << claim.Refusal();
}

TEST(BlockDiskClaim, DriveWithoutABlockDeviceHasNothingToClaim) {
  test::SysfsTree tree;
  tree.Add({.sg = 1, .blockDevice = false});
  test::FakeKernel kernel;
  BlockDiskClaim claim(kernel, tree.roots());
  EXPECT_TRUE(claim.Claim(tree.DevicePath(1)));
  EXPECT_TRUE(kernel.openFlags.empty());
}

}  // namespace
}  // namespace kelm
