// Rebuilding the drive list: at start-up, on the refresh button and on every USB arrival
// or removal.

#include <QSignalBlocker>

#include <algorithm>
#include <array>

#include "chip/firmware_file.h"
#include "chip/identification.h"
#include "device/commands.h"
#include "device/discovery.h"
#include "ui/fwupdate.h"
#include "ui_fwupdate.h"

namespace kelm::ui {

namespace {

constexpr char kNoDevice[] = "                 No device found!!";
constexpr char kAlreadyUpdated[] = "        The chip already updated!!";
constexpr char kQuestion[] = "Please ensure to update the firmware";
constexpr char kNoAvailableDevice[] = "No available device!!!";
constexpr char kUsbPrefix[] = "<<USB>> ";

constexpr std::uint8_t kJmb352 = 6;

// The bridges the program carries an embedded image for.
bool TakesEmbeddedImage(chip::ChipCode code) {
  const std::uint8_t revision = chip::RevisionOf(code);
  return chip::ModelOf(code) == kJmb352 && (revision == 1 || revision == 2);
}

// ASCII only: the path's other bytes must not change with the process's locale.
void ToLowerInPlace(std::string& text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
}

// Vendor and product identification of the inquiry answer: 24 characters, cut at a zero
// byte; empty when the drive does not answer.
QString DriveName(const platform::Services& io, const std::string& path) {
  std::array<std::uint8_t, 40> answer{};
  if (!device::Inquiry(io, path, answer)) return {};
  const auto first = answer.begin() + 8;
  const auto last = std::find(first, first + 24, std::uint8_t{0});
  return QString::fromLatin1(reinterpret_cast<const char*>(&*first), last - first);
}

}  // namespace

void TZintFwTool::RefreshBtnClick() {
  // Not in the middle of an update: it would re-enable YES and talk to the drive being written.
  if (updateRunning_) return;
  // A message box of a running refresh lets device changes through. Rebuilding the list under
  // that refresh would part its items from their records, so run once more after it instead.
  if (refreshing_) {
    refreshPending_ = true;
    return;
  }
  refreshing_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{refreshing_};
  do {
    refreshPending_ = false;
    Refresh();
  } while (refreshPending_);
}

void TZintFwTool::Refresh() {
  const platform::Services& io = env_.services;

  SetShown(ui_->replugLable1, false);
  SetShown(ui_->replugLable2, false);
  SetShown(ui_->ExtBtn, false);
  SetShown(ui_->devLable, true);

  device::DevicePathTable paths{};
  const int disks = device::EnumerateDiskDrives(io, paths);
  const int cdroms = device::EnumerateCdromDrives(io, paths, disks);
  DriveCount = std::min(disks + cdroms, static_cast<int>(paths.size()));

  int listed = 0;
  bool already = false;
  releaseAtExit_.clear();
  if (DriveCount != 0) {
    {
      const QSignalBlocker quiet(ui_->DeviceList);
      ui_->DeviceList->clear();
    }
    for (int i = 0; i < DriveCount; ++i) {
      std::string& path = paths[static_cast<std::size_t>(i)];
      if (!TakesEmbeddedImage(chip::IdentifyBridgeChip(io, path))) continue;
      ToLowerInPlace(path);
      const QString name = DriveName(io, path);
      DriveRecords[static_cast<std::size_t>(listed)].DevicePath = path;
      device::EnterCommand(io, path);
      if (chip::IsEmbeddedImageCurrent(io, path)) {
        already = true;
        continue;
      }
      const QSignalBlocker quiet(ui_->DeviceList);
      ui_->DeviceList->addItem(QString::fromLatin1(kUsbPrefix) + name);
      ++listed;
    }
    // The CD-ROM-class drives get the command session too, and leave it at exit.
    for (int i = disks; i < DriveCount; ++i) {
      const std::string& path = paths[static_cast<std::size_t>(i)];
      releaseAtExit_.push_back(path);
      device::EnterCommand(io, path);
    }
    ui_->DeviceList->setEnabled(true);
    {
      const QSignalBlocker quiet(ui_->DeviceList);
      ui_->DeviceList->setCurrentIndex(0);
    }
    UpdateBtnCheck();
  } else {
    {
      const QSignalBlocker quiet(ui_->DeviceList);
      ui_->DeviceList->clear();
      ui_->DeviceList->addItem(QString::fromLatin1(kNoAvailableDevice));
      ui_->DeviceList->setCurrentIndex(0);
    }
    ui_->DeviceList->setEnabled(false);
    ui_->UpdateBtn->setEnabled(false);
    ui_->ChipLabelEdit->clear();
    ui_->DiskLetterLable->clear();
    ui_->FwVerLableEdit->clear();
    ui_->SFlashTypeLable->clear();
    SetStatus("");
    ui_->FlashTypeList->setEnabled(false);
    ui_->A1ChipCheck->setEnabled(false);
    SetShown(ui_->NVRAMCheck, false);
  }

  const bool question = listed != 0;
  SetLabelColor(ui_->devLable, question ? kBlack : kRed);
  ui_->devLable->setText(
      QString::fromLatin1(question ? kQuestion : already ? kAlreadyUpdated : kNoDevice));
  SetShown(ui_->ExtBtn, !question);
  for (QWidget* button : {static_cast<QWidget*>(ui_->EraseButton),
                          static_cast<QWidget*>(ui_->ExitBtn)}) {
    button->setEnabled(question);
    SetShown(button, question);
  }
}

void TZintFwTool::DeviceChange(std::uint32_t eventCode) {
  if (eventCode != platform::kDeviceArrival && eventCode != platform::kDeviceRemoveComplete) {
    return;
  }
  // Dropped while an update runs: the end screen stays until the next event.
  if (updateRunning_) return;
  RefreshBtnClick();
}

}  // namespace kelm::ui
