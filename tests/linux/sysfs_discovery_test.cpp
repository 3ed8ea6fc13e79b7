// Discovery over sysfs trees: which SCSI devices each class lists, in which order, and that
// the core's discovery takes them in one scan.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/discovery.h"
#include "test_services.h"

namespace kelm {
namespace {

using test::DriveSpec;

std::vector<std::string> Listed(platform::SetupService& setup, std::string_view interfaceClass) {
  std::vector<std::string> paths;
  const platform::DeviceInfoSet set = setup.GetClassDevs(interfaceClass);
  EXPECT_NE(set, platform::kInvalidDeviceInfoSet);
  platform::DeviceInterfaceData data;
  for (std::uint32_t i = 0; setup.EnumDeviceInterfaces(set, interfaceClass, i, data); ++i) {
    std::string path;
    EXPECT_TRUE(setup.GetDeviceInterfacePath(set, data, path));
    paths.push_back(path);
  }
  setup.DestroyDeviceInfoList(set);
  return paths;
}

struct TreeCase {
  const char* name;
  std::vector<DriveSpec> drives;
  std::vector<int> disks;   // sg numbers the disk class lists, in order
  std::vector<int> cdroms;
};

class SysfsDiscovery : public ::testing::TestWithParam<TreeCase> {};

TEST_P(SysfsDiscovery, ListsUsbStorageNodesBySgNumber) {
  test::LinuxBench bench;
  for (const DriveSpec& drive : GetParam().drives) bench.tree.Add(drive);
  auto nodes = [&](const std::vector<int>& numbers) {
    std::vector<std::string> paths;
    for (int sg : numbers) paths.push_back(bench.tree.DevicePath(sg));
    return paths;
  };

  EXPECT_EQ(Listed(bench.setup, platform::kDiskInterfaceClass), nodes(GetParam().disks));
  EXPECT_EQ(Listed(bench.setup, platform::kCdromInterfaceClass), nodes(GetParam().cdroms));
  EXPECT_TRUE(Listed(bench.setup, platform::kUsbDeviceInterfaceClass).empty());
}

std::vector<DriveSpec> ManyUsbDisks(int count) {
  std::vector<DriveSpec> drives;
  for (int sg = count - 1; sg >= 0; --sg) drives.push_back({.sg = sg});
  return drives;
}

std::vector<int> Range(int count) {
  std::vector<int> numbers;
  for (int i = 0; i < count; ++i) numbers.push_back(i);
  return numbers;
}

INSTANTIATE_TEST_SUITE_P(
    Trees, SysfsDiscovery,
    ::testing::Values(
        TreeCase{"usb_storage_disk", {{.sg = 2}}, {2}, {}},
        TreeCase{"uas_disk", {{.sg = 1, .adapterDriver = "uas"}}, {1}, {}},
        TreeCase{"sata_disk", {{.sg = 0, .adapterDriver = "ahci"}}, {}, {}},
        TreeCase{"usb_cdrom", {{.sg = 3, .scsiType = 5}}, {}, {3}},
        TreeCase{"sata_cdrom", {{.sg = 3, .scsiType = 5, .adapterDriver = "ahci"}}, {}, {}},
        TreeCase{"no_device_node", {{.sg = 4, .devNode = false}}, {}, {}},
        TreeCase{"other_scsi_type", {{.sg = 5, .scsiType = 13}}, {}, {}},
        TreeCase{"mixed_in_sg_order",
                 {{.sg = 10}, {.sg = 2, .scsiType = 5}, {.sg = 0, .adapterDriver = "ahci"},
                  {.sg = 9, .adapterDriver = "uas"}, {.sg = 1}, {.sg = 11, .scsiType = 5}},
                 {1, 9, 10},
                 {2, 11}},
        TreeCase{"more_than_sixteen", ManyUsbDisks(20), Range(20), {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SysfsDiscovery, SetsAreIndependentAndEndWithTheirList) {
  test::LinuxBench bench;
  bench.tree.Add({.sg = 1});
  const platform::DeviceInfoSet first = bench.setup.GetClassDevs(platform::kDiskInterfaceClass);
  bench.tree.Add({.sg = 2});
  const platform::DeviceInfoSet second = bench.setup.GetClassDevs(platform::kDiskInterfaceClass);

  platform::DeviceInterfaceData data;
  EXPECT_TRUE(bench.setup.EnumDeviceInterfaces(first, platform::kDiskInterfaceClass, 0, data));
  EXPECT_FALSE(bench.setup.EnumDeviceInterfaces(first, platform::kDiskInterfaceClass, 1, data));
  EXPECT_TRUE(bench.setup.EnumDeviceInterfaces(second, platform::kDiskInterfaceClass, 1, data));
  bench.setup.DestroyDeviceInfoList(first);
  EXPECT_FALSE(bench.setup.EnumDeviceInterfaces(first, platform::kDiskInterfaceClass, 0, data));
  std::string path;
  data.memberIndex = 0;
  EXPECT_FALSE(bench.setup.GetDeviceInterfacePath(first, data, path));
  EXPECT_TRUE(bench.setup.GetDeviceInterfacePath(second, data, path));
  bench.setup.DestroyDeviceInfoList(second);
}

TEST(SysfsDiscovery, UsbStoragePathsAreTheUsbDevicesOnly) {
  test::LinuxBench bench;
  bench.tree.Add({.sg = 1});
  bench.tree.Add({.sg = 2, .adapterDriver = "ahci"});
  Listed(bench.setup, platform::kDiskInterfaceClass);
  EXPECT_TRUE(bench.setup.IsUsbStoragePath(bench.tree.DevicePath(1)));
  EXPECT_FALSE(bench.setup.IsUsbStoragePath(bench.tree.DevicePath(2)));
  EXPECT_FALSE(bench.setup.IsUsbStoragePath(bench.tree.DevNode(1)));
  EXPECT_FALSE(bench.setup.IsUsbStoragePath(bench.tree.DevicePath(3)));
  EXPECT_FALSE(bench.setup.IsUsbStoragePath("/tmp/usbstor/sg1"));
}

TEST(SysfsDiscovery, CoreDiscoveryProbesUsbDisksAndTakesUsbCdromsInOneScan) {
  test::LinuxBench bench;
  bench.tree.Add({.sg = 0, .adapterDriver = "ahci"});
  bench.tree.Add({.sg = 1});                 // answers the probe
  bench.tree.Add({.sg = 2});                 // rejects it
  bench.tree.Add({.sg = 3, .scsiType = 5});
  bench.kernel.answers.push_back({.data = {0x60, 0x00}});
  bench.kernel.answers.push_back({.hostStatus = 0x07});

  device::DevicePathTable table;
  const int disks = device::EnumerateDiskDrives(bench.io, table);
  const int cdroms = device::EnumerateCdromDrives(bench.io, table, disks);

  ASSERT_EQ(disks, 1);
  ASSERT_EQ(cdroms, 1);
  EXPECT_EQ(table[0], bench.tree.DevicePath(1));
  EXPECT_EQ(table[1], bench.tree.DevicePath(3));
  EXPECT_EQ(bench.setup.scans(), 1);
  ASSERT_EQ(bench.kernel.calls.size(), 2u) << "only the USB disks are probed";
  EXPECT_EQ(bench.kernel.calls[0].cdb[0], 0xDF);
  device::EnumerateDiskDrives(bench.io, table);
  EXPECT_EQ(bench.setup.scans(), 2) << "the next refresh looks again";
}

}  // namespace
}  // namespace kelm
