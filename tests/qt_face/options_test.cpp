// The engineering panel: the erase-only and backup options, the size lists, the file
// dialogs and the firmware-file check.

#include <filesystem>
#include <fstream>

#include "flash/engine_settings.h"
#include "tests/qt_face/window_bench.h"

namespace kelm::test {
namespace {

// The engine settings are process-wide; every test leaves them as it found them.
class Options : public ::testing::Test {
 protected:
  void TearDown() override {
    flash::FirmwareSize = firmwareSize_;
    flash::TransferPageSize = pageSize_;
  }

 private:
  std::uint32_t firmwareSize_ = flash::FirmwareSize;
  std::uint32_t pageSize_ = flash::TransferPageSize;
};

void Engineering(WindowBench& bench) { bench.Button("RdCheckBox")->click(); }

TEST_F(Options, TheEngineeringModeAddsThePanelBelowTheOperatorArea) {
  WindowBench bench(Devices({}));
  ui::TZintFwTool& window = bench.Open();
  EXPECT_EQ(window.windowTitle().toStdString(), "Kelm Firmware Update Utility v0.0.2");
  EXPECT_EQ(window.size(), QSize(338, 100));
  EXPECT_FALSE(bench.Shown("RdPanel"));

  Engineering(bench);
  EXPECT_EQ(window.size(), QSize(338, 229));
  EXPECT_TRUE(bench.Shown("RdPanel"));

  bench.Button("RdCheckBox")->click();
  EXPECT_EQ(window.size(), QSize(338, 100));
  EXPECT_FALSE(bench.Shown("RdPanel"));
}

TEST_F(Options, BackupUnticksEraseOnlyAndKeepsRunEnabledWithoutAFile) {
  WindowBench bench(Devices({Jmb352(Pattern(65536))}));
  ui::TZintFwTool& window = bench.Open();
  Engineering(bench);
  bench.Button("EraseOnlyCheck")->click();
  EXPECT_TRUE(window.options().eraseOnlyFlag);
  EXPECT_FALSE(bench.Edit("FwFilenameEdit")->isEnabled());

  bench.Button("BackupFWCheckBox")->click();

  EXPECT_FALSE(bench.Button("EraseOnlyCheck")->isChecked());
  EXPECT_FALSE(window.options().eraseOnlyFlag);
  EXPECT_TRUE(window.options().backupFwCheckBox);
  EXPECT_TRUE(bench.Edit("FwFilenameEdit")->isEnabled());
  EXPECT_TRUE(bench.Button("UpdateBtn")->isEnabled());

  // And the other way round.
  bench.Button("EraseOnlyCheck")->click();
  EXPECT_FALSE(bench.Button("BackupFWCheckBox")->isChecked());
  EXPECT_TRUE(window.options().eraseOnlyFlag);
}

TEST_F(Options, EraseOnlyWithoutAFileEnablesRunOnlyWithADrive) {
  WindowBench none(Devices({}));
  none.Open();
  Engineering(none);
  none.Button("EraseOnlyCheck")->click();
  EXPECT_FALSE(none.Button("UpdateBtn")->isEnabled());
  none.Button("EraseOnlyCheck")->click();
  EXPECT_FALSE(none.Button("UpdateBtn")->isEnabled());

  WindowBench one(Devices({Jmb352(Pattern(65536))}));
  one.Open();
  Engineering(one);
  one.Button("EraseOnlyCheck")->click();
  EXPECT_TRUE(one.Button("UpdateBtn")->isEnabled());
  one.Button("EraseOnlyCheck")->click();  // unticked, no file: nothing to run
  EXPECT_FALSE(one.Button("UpdateBtn")->isEnabled());
}

struct SizeListCase {
  const char* inquiryTag;  // the model the drive answers as after the refresh
  std::vector<const char*> clicks;
  bool shown;
};

class SizeList : public Options, public ::testing::WithParamInterface<SizeListCase> {};

TEST_P(SizeList, AppearsForTheJm20339WhileAnEngineeringRunIsTicked) {
  WindowBench bench(Devices({ListedThenSeenAs(GetParam().inquiryTag)}));
  bench.Open();
  Engineering(bench);
  for (const char* box : GetParam().clicks) bench.Button(box)->click();
  EXPECT_EQ(bench.Shown("FwSizeCheck"), GetParam().shown);
  EXPECT_EQ(bench.Shown("FwSizeLable"), GetParam().shown);
  EXPECT_EQ(bench.List("FwSizeCheck")->isEnabled(), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Models, SizeList,
    ::testing::Values(SizeListCase{"j339", {"EraseOnlyCheck"}, true},
                      SizeListCase{"j339", {"BackupFWCheckBox"}, true},
                      SizeListCase{"j339", {"EraseOnlyCheck", "EraseOnlyCheck"}, false},
                      SizeListCase{"j337", {"EraseOnlyCheck"}, false},
                      SizeListCase{"j336", {"BackupFWCheckBox"}, false}));

TEST_F(Options, NvramOptionIsOfferedForTheJmb352Only) {
  WindowBench jmb352(Devices({Jmb352(Pattern(65536))}));
  jmb352.Open();
  EXPECT_TRUE(jmb352.Shown("NVRAMCheck"));

  WindowBench jm20339(Devices({ListedThenSeenAs("j339")}));
  jm20339.Open();
  Engineering(jm20339);
  jm20339.Button("EraseOnlyCheck")->click();
  EXPECT_FALSE(jm20339.Shown("NVRAMCheck"));
}

TEST_F(Options, TheFirmwareSizeStays64KiBUntilTheListChanges) {
  WindowBench bench(Devices({}));
  bench.Open();
  EXPECT_EQ(bench.List("FwSizeCheck")->currentText().toStdString(), "32KB");
  EXPECT_EQ(flash::FirmwareSize, 65536u);
  EXPECT_EQ(bench.List("FwPgSizeCheck")->currentText().toStdString(), "16 KB");
  EXPECT_EQ(flash::TransferPageSize, 16384u);
}

struct SizeChoice {
  const char* list;
  int index;
  std::uint32_t bytes;
};

class SizeSetting : public Options, public ::testing::WithParamInterface<SizeChoice> {};

TEST_P(SizeSetting, FollowsTheChosenItem) {
  WindowBench bench(Devices({}));
  bench.Open();
  const bool firmware = std::string(GetParam().list) == "FwSizeCheck";
  // Start from a value no item has, so a change that sets nothing shows.
  (firmware ? flash::FirmwareSize : flash::TransferPageSize) = 1;
  bench.List(GetParam().list)->setCurrentIndex(GetParam().index);
  EXPECT_EQ(firmware ? flash::FirmwareSize : flash::TransferPageSize, GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Items, SizeSetting,
    ::testing::Values(SizeChoice{"FwSizeCheck", 1, 65536}, SizeChoice{"FwSizeCheck", 2, 131072},
                      SizeChoice{"FwSizeCheck", 3, 262144}, SizeChoice{"FwSizeCheck", 4, 524288},
                      SizeChoice{"FwSizeCheck", 5, 1048576},
                      SizeChoice{"FwPgSizeCheck", 0, 32768},
                      SizeChoice{"FwPgSizeCheck", 2, 8192},
                      SizeChoice{"FwPgSizeCheck", 3, 4096},
                      SizeChoice{"FwPgSizeCheck", 4, 2048}));

class FirmwareFiles : public Options {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("kelm-ui-" + std::string(::testing::UnitTest::GetInstance()
                                         ->current_test_info()
                                         ->name()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    std::filesystem::remove_all(dir_);
    Options::TearDown();
  }
  std::string File(const std::string& name, const std::string& bytes) {
    const std::filesystem::path path = dir_ / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
  }
  std::filesystem::path dir_;
};

TEST_F(FirmwareFiles, AFileForAnotherChipIsRefusedAndLoadEnablesRunAllTheSame) {
  WindowBench bench(Devices({Jmb352(Pattern(65536))}));
  bench.Open();
  Engineering(bench);
  bench.dialog.answers.push_back(File("other.bin", "\x55\xAA\xAA\x55" "3391----"));

  bench.Button("LoadBtn")->click();

  ASSERT_EQ(bench.rig.recorder.boxes.size(), 1u);
  EXPECT_EQ(bench.rig.recorder.boxes[0].caption, "Message");
  EXPECT_EQ(bench.rig.recorder.boxes[0].text, "The firmware file seems not match this chip!");
  EXPECT_TRUE(bench.Button("UpdateBtn")->isEnabled());
}

TEST_F(FirmwareFiles, AFileForThisChipIsTakenSilently) {
  WindowBench bench(Devices({Jmb352(Pattern(65536))}));
  bench.Open();
  Engineering(bench);
  const std::string file = File("fw352.bin", std::string("\0\0\0\0" "3521----", 12));
  bench.Edit("FwFilenameEdit")->setText(QString::fromStdString(file));
  EXPECT_TRUE(bench.rig.recorder.boxes.empty());
  EXPECT_TRUE(bench.Button("UpdateBtn")->isEnabled());
}

TEST_F(FirmwareFiles, TheDialogStartsInTheProgramFolderThenWhereTheLastFileWas) {
  WindowBench bench(Devices({Jmb352(Pattern(65536))}));
  bench.Open("/opt/kelm/bin");
  Engineering(bench);
  const std::string file = File("old.bak", "backup");
  bench.dialog.answers = {std::nullopt, file, std::nullopt};

  bench.Button("BackupBtn")->click();  // cancelled: nothing changes
  EXPECT_EQ(bench.Edit("BackupFileEdit")->text().toStdString(), "");
  EXPECT_FALSE(bench.Button("UpdateBtn")->isEnabled());
  bench.Button("BackupBtn")->click();
  EXPECT_EQ(bench.window->options().backupFileName, file);
  EXPECT_TRUE(bench.Button("UpdateBtn")->isEnabled());
  bench.Button("LoadBtn")->click();

  ASSERT_EQ(bench.dialog.calls.size(), 3u);
  EXPECT_EQ(bench.dialog.calls[0].initialDir, "/opt/kelm/bin");
  EXPECT_EQ(bench.dialog.calls[1].initialDir, "/opt/kelm/bin");
  EXPECT_EQ(bench.dialog.calls[2].initialDir, dir_.string());
  for (const auto& call : bench.dialog.calls) {
    EXPECT_EQ(call.filter, "BinaryFile|*.bin|All Files|*.*");
  }
}

}  // namespace
}  // namespace kelm::test
