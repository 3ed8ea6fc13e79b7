#include "device/discovery.h"

#include <gtest/gtest.h>

#include <map>

#include "tests/device/fake_device.h"

namespace kelm::test {
namespace {

// A setup service listing given paths per class; `detailFailsAt` makes the detail call fail
// for that member of every class.
class FakeSetup final : public platform::SetupService {
 public:
  std::map<std::string, std::vector<std::string>, std::less<>> paths;
  int detailFailsAt = -1;
  bool classFails = false;
  int destroyed = 0;

  platform::DeviceInfoSet GetClassDevs(std::string_view cls) override {
    if (classFails) return platform::kInvalidDeviceInfoSet;
    current_ = std::string(cls);
    return 1;
  }
  bool EnumDeviceInterfaces(platform::DeviceInfoSet, std::string_view cls, std::uint32_t i,
                            platform::DeviceInterfaceData& data) override {
    EXPECT_EQ(data.cbSize, 28u);
    const auto& list = paths[std::string(cls)];
    if (i >= list.size()) return false;
    data.memberIndex = i;
    return true;
  }
  bool GetDeviceInterfacePath(platform::DeviceInfoSet, const platform::DeviceInterfaceData& d,
                              std::string& path) override {
    if (static_cast<int>(d.memberIndex) == detailFailsAt) return false;
    path = paths[current_][d.memberIndex];
    return true;
  }
  void DestroyDeviceInfoList(platform::DeviceInfoSet) override { ++destroyed; }

 private:
  std::string current_;
};

struct Rig {
  FakeDeviceFile file;  // answers every probe unless a test says otherwise
  FakeSetup setup;
  NullPorts ports;
  platform::NativeFileStore files;
  platform::Services io{file, setup, ports, ports, ports, ports, ports, files};
};

std::string Disk(int i) { return "\\\\?\\usbstor#disk&ven_x#" + std::to_string(i) + "#{53f56307}"; }
std::string Cdrom(int i) { return "\\\\?\\usbstor#cdrom&ven_x#" + std::to_string(i) + "#{53f56308}"; }

// Runs both classes as the refresh does: disks first, CD-ROMs after them.
std::vector<std::string> Scan(Rig& rig) {
  device::DevicePathTable table;
  const int disks = device::EnumerateDiskDrives(rig.io, table);
  const int cdroms = device::EnumerateCdromDrives(rig.io, table, disks);
  return {table.begin(), table.begin() + disks + cdroms};
}

void Use(Rig& rig, std::vector<std::string> disks, std::vector<std::string> cdroms = {}) {
  rig.setup.paths[std::string(platform::kDiskInterfaceClass)] = std::move(disks);
  rig.setup.paths[std::string(platform::kCdromInterfaceClass)] = std::move(cdroms);
}

TEST(Discovery, ProbeRejectedDiskIsLeftOutAndCdromNeedsNoProbe) {
  Rig rig;
  Use(rig, {Disk(0), Disk(1)}, {Cdrom(0)});
  int calls = 0;
  rig.file.respond = [&](platform::PassThroughRequest&) { return ++calls != 1; };
  EXPECT_EQ(Scan(rig), (std::vector<std::string>{Disk(1), Cdrom(0)}));
  EXPECT_EQ(rig.file.seen.size(), 2u) << "only the two disks are probed";
  EXPECT_EQ(rig.file.seen[0].path, Disk(0));
  EXPECT_EQ(rig.file.seen[0].request.Cdb[0], 0xDF);
  EXPECT_EQ(rig.setup.destroyed, 2);
}

TEST(Discovery, DetailFailureEndsTheClassWithWhatWasFound) {
  Rig rig;
  Use(rig, {Disk(0), Disk(1), Disk(2)}, {Cdrom(0), Cdrom(1)});
  rig.setup.detailFailsAt = 1;
  EXPECT_EQ(Scan(rig), (std::vector<std::string>{Disk(0), Cdrom(0)}));
}

TEST(Discovery, CdromPathsFollowTheDisks) {
  Rig rig;
  Use(rig, {Disk(0), Disk(1), Disk(2)}, {Cdrom(0)});
  device::DevicePathTable table;
  EXPECT_EQ(device::EnumerateDiskDrives(rig.io, table), 3);
  EXPECT_EQ(device::EnumerateCdromDrives(rig.io, table, 3), 1);
  EXPECT_EQ(table[3], Cdrom(0));
}

TEST(Discovery, FilterIsCaseSensitiveAndOverlongPathsAreSkipped) {
  Rig rig;
  const std::string upper = "\\\\?\\USBSTOR#DISK&VEN_X#0#{53F56307}";
  const std::string longest = "usbsto" + std::string(255 - 6, 'x');
  const std::string tooLong = longest + "x";
  Use(rig, {upper, tooLong, longest, "\\\\?\\ide#disk#0"});
  EXPECT_EQ(Scan(rig), (std::vector<std::string>{longest}));
  EXPECT_EQ(rig.file.seen.size(), 1u) << "paths that fail the filter are not probed";
}

TEST(Discovery, StoresAtMostSixteenPathsAndProbesNoDiskWithoutASlot) {
  Rig rig;
  std::vector<std::string> disks, cdroms;
  for (int i = 0; i < 17; ++i) disks.push_back(Disk(i));
  cdroms.push_back(Cdrom(0));
  Use(rig, disks, cdroms);
  device::DevicePathTable table;
  EXPECT_EQ(device::EnumerateDiskDrives(rig.io, table), 16);
  EXPECT_EQ(rig.file.seen.size(), 16u);
  EXPECT_EQ(table[15], Disk(15));
  EXPECT_EQ(device::EnumerateCdromDrives(rig.io, table, 16), 0);
}

TEST(Discovery, FailingSetupServiceFindsNothing) {
  Rig rig;
  rig.setup.classFails = true;
  EXPECT_TRUE(Scan(rig).empty());
  EXPECT_EQ(rig.setup.destroyed, 0);
}

}  // namespace
}  // namespace kelm::test
