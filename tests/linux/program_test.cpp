// kelm-fwupdate on a machine without an enclosure: it comes up on the no-device screen and
// stays up until it is closed.

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

#include "sysfs_tree.h"
#include "test_services.h"
#include "ui/fwupdate.h"
#include "ui/hardware/hardware_platform.h"
#include "ui/hardware/no_image_notice.h"

namespace kelm {
namespace {

class QtEnvironment final : public ::testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "kelm_linux_program_tests";
    static char* argv[] = {name, nullptr};
    app_ = std::make_unique<QApplication>(argc, argv);
  }
  void TearDown() override { app_.reset(); }

 private:
  std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] const auto* const kQt = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

struct NoFileDialog final : ui::FileDialog {
  std::optional<std::string> GetOpenFileName(const std::string&, const std::string&) override {
    return std::nullopt;
  }
};

TEST(HardwareProgram, StaysUpWithoutAnEnclosureUntilClosed) {
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    execl(KELM_FWUPDATE_PATH, KELM_FWUPDATE_PATH, static_cast<char*>(nullptr));
    _exit(127);
  }
  std::this_thread::sleep_for(std::chrono::seconds(2));
  int status = 0;
  const pid_t ended = waitpid(pid, &status, WNOHANG);
  EXPECT_EQ(ended, 0) << "the program ended by itself, status " << status;
  kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
}

struct WindowCase {
  const char* name;
  std::vector<test::DriveSpec> drives;
};

class HardwareWindow : public ::testing::TestWithParam<WindowCase> {};

// A USB drive whose node is no sg device (here a plain file) answers no probe: the window
// still ends on the no-device screen.
TEST_P(HardwareWindow, ShowsTheNoDeviceScreen) {
  test::SysfsTree tree;
  for (const test::DriveSpec& drive : GetParam().drives) tree.Add(drive);
  hardware::HardwarePlatform hw(tree.roots());
  NoFileDialog dialog;
  ui::TZintFwTool window({hw.services, hw.notifications, dialog, hw.diskClaim, "/tmp"});

  EXPECT_EQ(window.findChild<QLabel*>("devLable")->text().toStdString(),
            "                 No device found!!");
  const auto* list = window.findChild<QComboBox*>("DeviceList");
  ASSERT_EQ(list->count(), 1);
  EXPECT_EQ(list->itemText(0).toStdString(), "No available device!!!");
  EXPECT_FALSE(window.findChild<QPushButton*>("ExtBtn")->isHidden());
  EXPECT_TRUE(window.findChild<QPushButton*>("UpdateBtn")->isHidden());
}

INSTANTIATE_TEST_SUITE_P(Machines, HardwareWindow,
                         ::testing::Values(WindowCase{"no_drive", {}},
                                           WindowCase{"sata_disk", {{.sg = 0, .adapterDriver = "ahci"}}},
                                           WindowCase{"usb_node_not_sg", {{.sg = 1}}}),
                         [](const auto& info) { return std::string(info.param.name); });


TEST(HardwareProgram, SaysOnceThatABuildWithoutImagesCannotUpdate) {
  test::Boxes boxes;
  EXPECT_TRUE(hardware::TellWhenNoImage({}, boxes));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].caption, "Message");
  EXPECT_NE(boxes.shown[0].text.find("-DKELM_FIRMWARE_DIR="), std::string::npos);

  static const std::uint8_t kBytes[] = {1, 2, 3};
  const flash::EmbeddedImage image{"FW352B", kBytes};
  EXPECT_FALSE(hardware::TellWhenNoImage({&image, 1}, boxes));
  EXPECT_EQ(boxes.shown.size(), 1u);
}

}  // namespace
}  // namespace kelm
