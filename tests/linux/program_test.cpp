// kelm-fwupdate on a machine without an enclosure: it comes up on the no-device screen and
// stays up until it is closed; its command line and what it says of a machine it cannot use.

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <cstdlib>
#include <memory>
#include <thread>

#include "flash/images.h"
#include "sysfs_tree.h"
#include "test_services.h"
#include "window/qt/fwupdate.h"
#include "programs/fwupdate-linux/hardware_platform.h"
#include "platform/linux/system_check.h"
#include "window/logic/no_image_notice.h"

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


// With no image anywhere the user is told which files to put where, with the information
// icon; with an image found, only the files refused are told.
TEST(HardwareProgram, ImageNoticeNamesTheFilesAndTheFolders) {
  const posix::PosixFileStore files;
  test::Boxes boxes;
  flash::FoundImages none;
  none.LookIn(files, "/nonexistent/user/firmware");
  none.LookIn(files, "/nonexistent/system/firmware");
  EXPECT_TRUE(window::TellAboutImages(none, boxes));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].caption, "Kelm Firmware Update Utility");
  EXPECT_EQ(boxes.shown[0].icon, platform::MessageIcon::Information);
  for (const char* named : {"FW352A.bin, FW352B.bin, FW339.bin", "\n  /nonexistent/user/firmware\n",
                            "\n  /nonexistent/system/firmware\n"}) {
    EXPECT_NE(boxes.shown[0].text.find(named), std::string::npos) << named;
  }
  EXPECT_EQ(boxes.shown[0].text.find("cmake"), std::string::npos);

  flash::ImageSet builtIn;
  builtIn.Set("FW339", {1, 2, 3});
  flash::FoundImages some;
  some.TakeBuiltIn(builtIn);
  EXPECT_FALSE(window::TellAboutImages(some, boxes));
  EXPECT_EQ(boxes.shown.size(), 1u);
}

struct ProgramRun {
  int status = -1;
  std::string out, err;
};

// Runs the program with one argument (or none) and without a display of any kind.
ProgramRun RunWithoutDisplay(const char* argument) {
  char outName[] = "/tmp/kelm-out-XXXXXX";
  char errName[] = "/tmp/kelm-err-XXXXXX";
  const int outFd = mkstemp(outName);
  const int errFd = mkstemp(errName);
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(outFd, STDOUT_FILENO);
    dup2(errFd, STDERR_FILENO);
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) unsetenv(name);
    execl(KELM_FWUPDATE_PATH, KELM_FWUPDATE_PATH, argument, static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  close(outFd);
  close(errFd);
  auto contents = [](const char* name) {
    std::ifstream in(name);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::remove(name);
    return text;
  };
  return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), contents(outName),
          contents(errName)};
}

bool OneLine(const std::string& text) {
  return !text.empty() && text.find('\n') == text.size() - 1;
}

TEST(HardwareProgram, CommandLineAndMissingDisplayAnswerInOneLine) {
  const ProgramRun version = RunWithoutDisplay("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "kelm-fwupdate 0.0.2\n");
  EXPECT_EQ(version.err, "");

  const ProgramRun help = RunWithoutDisplay("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(help.out.starts_with("Usage: kelm-fwupdate")) << help.out;
  EXPECT_EQ(help.err, "");

  const ProgramRun unknown = RunWithoutDisplay("--frobnicate");
  EXPECT_EQ(unknown.status, 2);
  EXPECT_EQ(unknown.out, "");
  EXPECT_TRUE(OneLine(unknown.err)) << unknown.err;
  EXPECT_NE(unknown.err.find("--frobnicate"), std::string::npos);

  const ProgramRun headless = RunWithoutDisplay(nullptr);
  EXPECT_EQ(headless.status, 2) << "not Qt's abort";
  EXPECT_TRUE(OneLine(headless.err)) << headless.err;
  EXPECT_NE(headless.err.find("display"), std::string::npos);
}

TEST(HardwareProgram, SaysWhatTheMachineLacks) {
  test::SysfsTree tree;
  linux_platform::SystemRoots roots = tree.roots();
  const std::string noUdev = roots.sys + "/no-udev";
  std::ofstream(roots.sys + "/control") << "";

  EXPECT_TRUE(linux_platform::ProblemLines(linux_platform::CheckSystem(roots, roots.sys), true).empty())
      << "a folder with a control entry stands in for a running daemon";

  const auto withoutUdev = linux_platform::ProblemLines(linux_platform::CheckSystem(roots, noUdev), true);
  ASSERT_EQ(withoutUdev.size(), 1u);
  EXPECT_NE(withoutUdev[0].find("will not be noticed"), std::string::npos);

  std::filesystem::remove(roots.sys + "/class/scsi_generic");
  const auto withoutSg = linux_platform::ProblemLines(linux_platform::CheckSystem(roots, roots.sys), true);
  ASSERT_EQ(withoutSg.size(), 1u);
  EXPECT_NE(withoutSg[0].find("(sg) is not loaded"), std::string::npos);

  roots.sys += "/unmounted";
  const auto withoutSys = linux_platform::ProblemLines(linux_platform::CheckSystem(roots, noUdev), false);
  ASSERT_EQ(withoutSys.size(), 2u);
  EXPECT_NE(withoutSys[0].find("/sys is not mounted"), std::string::npos);
}

}  // namespace
}  // namespace kelm
