// The window's design: exact captions (their blanks and spelling are part of the screen),
// list items, fonts, and the controls that no screen shows.

#include <QCheckBox>
#include <QDialog>

#include "tests/qt_face/window_bench.h"

namespace kelm::test {
namespace {

// A button's or label's caption, a labelled edit's label, or a list's items and selection.
std::string Caption(const ui::TZintFwTool& window, QWidget* control) {
  if (auto* label = qobject_cast<QLabel*>(control)) return label->text().toStdString();
  if (auto* button = qobject_cast<QAbstractButton*>(control)) return button->text().toStdString();
  if (auto* list = qobject_cast<QComboBox*>(control)) {
    std::string items;
    for (int i = 0; i < list->count(); ++i) items += list->itemText(i).toStdString() + "|";
    return items + "@" + std::to_string(list->currentIndex());
  }
  for (QLabel* label : window.findChildren<QLabel*>()) {
    if (label->buddy() == control) return label->text().toStdString();
  }
  return "";
}

TEST(Design, CaptionsAndItemsAreExact) {
  const std::pair<const char*, const char*> expected[] = {
      {"replugLable1", "Please un-plug AC adapter "}, {"replugLable2", "and plug it again"},
      {"EraseButton", "YES"}, {"ExitBtn", "NO"}, {"ExtBtn", "EXIT"},
      {"RefreshBtn", "Refresh Device"}, {"ChipLabelEdit", "Chip "},
      {"DiskLetterLable", "Drives "}, {"FwVerLableEdit", "Firmware Ver. "},
      {"SFlashTypeLable", "Flash Type"},
      {"FlashTypeList", "ATMELAT 49BV512|PMC OM39LV512|SST SST39LF512|@0"},
      {"FlashTypeLabel", "Flash Type "}, {"FwFilenameEdit", "Firmware File "},
      {"LoadBtn", "Load File"}, {"StatusEdit", "Status "}, {"UpdateBtn", "Run"},
      {"FwPgSizeCheck", "32 KB|16 KB| 8 KB| 4 KB| 2 KB|@1"}, {"RdCheckBox", "RD Version"},
      {"diskLabel", "USB Disk"}, {"Label1", "Transfer PgSzie"}, {"A1ChipCheck", "A1 Chip"},
      {"EraseOnlyCheck", "Erase All Flash Only "}, {"NVRAMCheck", "Include 4K NVRAM"},
      {"BackupFWCheckBox", "Backup Old Firmware Only"},
      {"FwSizeCheck", "32KB|64KB|128KB|256KB|512KB|   1MB|@0"},
      {"FwSizeLable", "Firmware size"}, {"BackupBtn", "Browse"},
      {"BackupFileEdit", "Backup FileName "},
  };
  WindowBench bench(Devices({Jmb352(Pattern(65536))}));
  ui::TZintFwTool& window = bench.Open();
  for (const auto& [name, caption] : expected) {
    EXPECT_EQ(Caption(window, bench.Control<QWidget>(name)), caption) << name;
  }
  EXPECT_EQ(bench.Control<QCheckBox>("EraseOnlyCheck")->property("tag").toInt(), 0);
  EXPECT_EQ(bench.Control<QCheckBox>("BackupFWCheckBox")->property("tag").toInt(), 1);
}

TEST(Design, FontsAreTheDesignedOnes) {
  WindowBench bench(Devices({}));
  ui::TZintFwTool& window = bench.Open();
  EXPECT_EQ(window.font().family().toStdString(), "MS Sans Serif");
  EXPECT_EQ(window.font().pointSize(), 8);
  EXPECT_EQ(bench.Control<QWidget>("FwSizeCheck")->font().pointSize(), 10);
  for (const auto& [name, pixels] : {std::pair{"devLable", 19}, {"replugLable1", 19},
                                     {"replugLable2", 19}, {"EraseButton", 13},
                                     {"ExitBtn", 13}, {"ExtBtn", 13}}) {
    const QFont font = bench.Control<QWidget>(name)->font();
    EXPECT_EQ(font.family().toStdString(), "Arial") << name;
    EXPECT_EQ(font.pixelSize(), pixels) << name;
  }
}

TEST(Design, NeverShownControlsStayHiddenThroughAnUpdateAndARefresh) {
  WindowBench bench(Devices({Jmb352(Pattern(65536))}));
  bench.Open();
  const char* const neverShown[] = {
      "RefreshBtn", "DeviceList", "ChipLabelEdit", "DiskLetterLable", "FwVerLableEdit",
      "FlashTypeList", "FlashTypeLabel", "FwFilenameEdit", "LoadBtn", "StatusEdit",
      "UpdateBtn", "FwPgSizeCheck", "RdCheckBox", "diskLabel", "Label1", "Panel1"};
  const auto check = [&](const char* when) {
    for (const char* name : neverShown) EXPECT_FALSE(bench.Shown(name)) << name << " " << when;
  };
  check("at start");
  bench.Button("EraseButton")->click();
  check("after YES");
  bench.notifications.Fire(platform::kDeviceArrival);
  check("after a refresh");
}

}  // namespace
}  // namespace kelm::test
