// The operator hears once per run of USB drives the program may not use, and how to fix it.

#include <gtest/gtest.h>

#include "test_services.h"

namespace kelm {
namespace {

void Refresh(platform::SetupService& setup) {
  for (std::string_view cls : {platform::kDiskInterfaceClass, platform::kCdromInterfaceClass}) {
    setup.DestroyDeviceInfoList(setup.GetClassDevs(cls));
  }
}

TEST(PermissionNotice, DeniedNodeIsNamedOnceWithTheRemedy) {
  test::LinuxBench bench;
  bench.tree.Add({.sg = 1, .vendor = "JMicron ", .model = "USB to ATA/ATAPI"});
  bench.tree.Add({.sg = 4, .scsiType = 5});
  bench.kernel.denied.insert(bench.tree.DevNode(1));
  bench.kernel.denied.insert(bench.tree.DevNode(4));

  Refresh(bench.setup);
  Refresh(bench.setup);

  ASSERT_EQ(bench.boxes.shown.size(), 1u);
  const auto& box = bench.boxes.shown[0];
  EXPECT_EQ(box.caption, "Error");
  EXPECT_EQ(box.icon, platform::MessageIcon::Error);
  EXPECT_NE(box.text.find(bench.tree.DevNode(1) + " (JMicron USB to ATA/ATAPI)"), std::string::npos);
  EXPECT_NE(box.text.find(bench.tree.DevNode(4)), std::string::npos) << "the CD-ROM too";
  EXPECT_NE(box.text.find("sudo /usr/local/bin/kelm-fwupdate"), std::string::npos);
  EXPECT_NE(box.text.find("setcap cap_sys_rawio+ep /usr/local/bin/kelm-fwupdate"), std::string::npos);
}

TEST(PermissionNotice, ProblemsThatAreTold) {
  struct Case {
    const char* name;
    test::DriveSpec drive;
    bool denyNode;
    const char* capEff;
    bool told;
  };
  const Case cases[] = {
      {"usable", {.sg = 1}, false, "000001ffffffffff", false},
      {"no_raw_io", {.sg = 1}, false, "0000000000000000", true},
      {"only_raw_io", {.sg = 1}, false, "0000000000020000", false},
      {"raw_io_missing_among_others", {.sg = 1}, false, "000001fffffdffff", true},
      {"sata_drive_denied", {.sg = 1, .adapterDriver = "ahci"}, true, "0000000000000000", false},
      {"usb_drive_without_node", {.sg = 1, .devNode = false}, false, "0000000000000000", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::LinuxBench bench;
    bench.tree.Add(c.drive);
    if (c.denyNode) bench.kernel.denied.insert(bench.tree.DevNode(1));
    test::WriteProcStatus(bench.tree, c.capEff);
    Refresh(bench.setup);
    EXPECT_EQ(bench.boxes.shown.size(), c.told ? 1u : 0u);
  }
}

TEST(PermissionNotice, UnreadableCapabilitiesAreNotReported) {
  EXPECT_TRUE(linux_platform::StatusGrantsRawIo(""));
  EXPECT_TRUE(linux_platform::StatusGrantsRawIo("Name:\tx\nCapEff:\tzz\n"));
  EXPECT_FALSE(linux_platform::StatusGrantsRawIo("Name:\tx\nCapEff:   0000000000000000"));
}

TEST(PermissionNotice, ADriveArrivingLaterIsToldOnceToo) {
  test::LinuxBench bench;
  Refresh(bench.setup);
  bench.tree.Add({.sg = 2});
  bench.kernel.denied.insert(bench.tree.DevNode(2));
  Refresh(bench.setup);
  bench.tree.Add({.sg = 3});
  bench.kernel.denied.insert(bench.tree.DevNode(3));
  Refresh(bench.setup);
  ASSERT_EQ(bench.boxes.shown.size(), 1u);
  EXPECT_EQ(bench.boxes.shown[0].text.find(bench.tree.DevNode(3)), std::string::npos);
}

}  // namespace
}  // namespace kelm
