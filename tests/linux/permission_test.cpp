// The operator hears once per run of USB drives the program may not use, and the one way to
// give it access: the udev rule.

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
  EXPECT_NE(box.text.find("70-kelm-fwupdate.rules"), std::string::npos);
  for (const char* advice : {"sudo", "setcap", "disk group", "usermod", "root", "CAP_"}) {
    EXPECT_EQ(box.text.find(advice), std::string::npos) << advice;
  }
}

TEST(PermissionNotice, OnlyARefusedReadWriteOpenIsTold) {
  struct Case {
    const char* name;
    test::DriveSpec drive;
    int openError;  // what opening the node gives; 0: it opens
    bool told;
  };
  const Case cases[] = {
      {"usable", {.sg = 1}, 0, false},
      {"denied", {.sg = 1}, EACCES, true},
      {"not_permitted", {.sg = 1}, EPERM, true},
      {"held_by_another_program", {.sg = 1}, EBUSY, false},
      {"gone_meanwhile", {.sg = 1}, ENOENT, false},
      {"sata_drive_denied", {.sg = 1, .adapterDriver = "ahci"}, EACCES, false},
      {"usb_drive_without_node", {.sg = 1, .devNode = false}, EACCES, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::LinuxBench bench;
    bench.tree.Add(c.drive);
    if (c.openError != 0) bench.kernel.openErrors[bench.tree.DevNode(1)] = -c.openError;
    Refresh(bench.setup);
    EXPECT_EQ(bench.boxes.shown.size(), c.told ? 1u : 0u);
  }
}

TEST(PermissionNotice, DrivesOfOtherVendorsAreToldOfOnlyWhenNoEnclosureIsUsable) {
  struct Case {
    const char* name;
    bool enclosure;           // a drive of the rule's vendor in sg1
    bool enclosureRefused;
    const char* toldOf;       // "": no box
    const char* notToldOf;
  };
  const Case cases[] = {
      {"enclosure_usable", true, false, "", ""},
      {"enclosure_refused", true, true, "/sg1 (", "/sg2"},
      {"no_enclosure", false, false, "/sg2 (Generic Flash Disk, USB vendor 090c)", "/sg1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::LinuxBench bench;
    if (c.enclosure) bench.tree.Add({.sg = 1});
    if (c.enclosureRefused) bench.kernel.denied.insert(bench.tree.DevNode(1));
    bench.tree.Add({.sg = 2, .vendor = "Generic ", .model = "Flash Disk", .usbId = "090c:1000"});
    bench.kernel.denied.insert(bench.tree.DevNode(2));
    Refresh(bench.setup);
    ASSERT_EQ(bench.boxes.shown.size(), *c.toldOf ? 1u : 0u);
    if (!*c.toldOf) continue;
    const std::string& text = bench.boxes.shown[0].text;
    EXPECT_NE(text.find(c.toldOf), std::string::npos) << text;
    EXPECT_EQ(text.find(c.notToldOf), std::string::npos) << text;
    if (!c.enclosure) {
      EXPECT_NE(text.find("vendor 152d only"), std::string::npos) << text;
      EXPECT_NE(text.find(R"(ATTRS{idVendor}=="090c", TAG+="uaccess")"), std::string::npos) << text;
    }
  }
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
