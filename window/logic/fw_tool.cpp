#include "window/logic/fw_tool.h"

#include <filesystem>
#include <optional>
#include <utility>

#include "chip/bridge_models.h"
#include "chip/firmware_file.h"
#include "chip/identification.h"
#include "device/commands.h"
#include "flash/engine_settings.h"
#include "flash/flash_identification.h"
#include "platform/utf8_path.h"

namespace kelm::window {

namespace {

constexpr std::string_view kFileFilter = "BinaryFile|*.bin|All Files|*.*";

}  // namespace

TZintFwTool::TZintFwTool(Controls& controls, Frame& frame, ui::WindowEnvironment env)
    : controls_(controls),
      frame_(frame),
      env_(std::move(env)),
      self_(std::make_shared<TZintFwTool*>(this)) {}

void TZintFwTool::Start() {
  for (std::string_view name : device::kParallelFlashTypeNames) {
    controls_.AddItem("FlashTypeList", name);
  }
  controls_.SetItemIndex("FlashTypeList", 0);
  controls_.SetColor("replugLable1", kBlack);
  controls_.SetColor("replugLable2", kBlack);

  EraseOnlyFlag = controls_.Checked("EraseOnlyCheck") ? 1 : 0;
  RefreshBtnClick();
  RdCheckBoxClick();
  // The notifier may outlive the window; a late event must not reach a destroyed one.
  std::weak_ptr<TZintFwTool*> self = self_;
  env_.notifications.Register([self](std::uint32_t eventCode) {
    if (const std::shared_ptr<TZintFwTool*> window = self.lock()) {
      (*window)->DeviceChange(eventCode);
    }
  });
}

TZintFwTool::~TZintFwTool() {
  self_.reset();
  if (!heldDrive_.empty()) env_.diskClaim.Release();
  for (const std::string& path : releaseAtExit_) device::LeaveCommand(env_.services, path);
}

const DriveRecord* TZintFwTool::SelectedDrive() const {
  const int index = controls_.ItemIndex("DeviceList");
  if (DriveCount == 0 || index < 0 || index >= controls_.ItemCount("DeviceList") ||
      index >= static_cast<int>(DriveRecords.size())) {
    return nullptr;
  }
  return &DriveRecords[static_cast<std::size_t>(index)];
}

// --- platform::Host ---

void TZintFwTool::SetStatus(std::string_view text) { controls_.SetText("StatusEdit", text); }

std::string TZintFwTool::Status() const { return controls_.Text("StatusEdit"); }

void TZintFwTool::ProcessMessages() { frame_.ProcessMessages(); }

platform::Options TZintFwTool::options() const {
  platform::Options options;
  options.rdCheckBox = controls_.Checked("RdCheckBox");
  options.backupFwCheckBox = controls_.Checked("BackupFWCheckBox");
  options.eraseOnlyFlag = EraseOnlyFlag != 0;
  options.a1ChipCheck = controls_.Checked("A1ChipCheck");
  options.backupFileName = controls_.Text("BackupFileEdit");
  options.sFlashTypeText = controls_.Text("SFlashTypeLable");
  options.flashCode = FlashCode;
  return options;
}

void TZintFwTool::StatusEditChange(const std::string& text) {
  if (env_.statusChanged) env_.statusChanged(text);
}

// --- the selected drive and the options ---

bool TZintFwTool::FirmwareFileFits() {
  return chip::CheckFirmwareFile(env_.services, controls_.Text("FwFilenameEdit"), ChipCode);
}

void TZintFwTool::UpdateBtnCheck() {
  // The drive being written must hear from nobody but its procedure.
  if (updateRunning_) return;
  controls_.SetVisible("NVRAMCheck", false);
  const DriveRecord* selected = SelectedDrive();
  if (selected == nullptr) return;
  // A copy: a message box below lets a device change rebuild the records.
  const DriveRecord drive = *selected;
  const platform::Services& io = env_.services;

  ChipCode = BridgeCodeOf(drive);

  if (controls_.Enabled("DeviceList") && !controls_.Text("FwFilenameEdit").empty()) {
    if (FirmwareFileFits()) {
      controls_.SetEnabled("UpdateBtn", true);
    } else {
      io.boxes.Show("Message", "The firmware file seems not match this chip!",
                    platform::MessageIcon::None);
      controls_.SetEnabled("UpdateBtn", false);
    }
  }

  SetStatus("");
  controls_.SetText("SFlashTypeLable", "");
  controls_.SetText("FwVerLableEdit", "");
  controls_.SetText("ChipLabelEdit", chip::ModelName(Model()));

  switch (chip::ProcedureFor(Model())) {
    case chip::UpdateProcedure::SerialFlash:
    case chip::UpdateProcedure::Jmb352: {
      controls_.SetVisible("SFlashTypeLable", true);
      controls_.SetVisible("FlashTypeList", false);
      controls_.SetVisible("FlashTypeLabel", false);
      controls_.SetVisible("A1ChipCheck", false);
      if (Model() == 6) controls_.SetVisible("NVRAMCheck", true);
      const flash::SerialFlashIdentity identity = SerialFlashOf(drive);
      FlashCode = identity.flashCode;
      controls_.SetText("SFlashTypeLable", identity.makerText);
      break;
    }
    case chip::UpdateProcedure::Jm20336:
      controls_.SetVisible("SFlashTypeLable", false);
      controls_.SetVisible("A1ChipCheck", true);
      controls_.SetEnabled("A1ChipCheck", true);
      break;
    case chip::UpdateProcedure::None:
      controls_.SetVisible("SFlashTypeLable", false);
      controls_.SetVisible("FlashTypeList", false);
      controls_.SetVisible("FlashTypeLabel", false);
      controls_.SetVisible("A1ChipCheck", false);
      SetStatus("The chip not support Firmware Update!");
      break;
  }

  const chip::VersionReport report = VersionOf(drive);
  controls_.SetText("FwVerLableEdit", report.firmwareVersion);
  if (!report.status.empty()) SetStatus(report.status);

  controls_.SetText("DiskLetterLable", drive.DriveText);
}

chip::ChipCode TZintFwTool::BridgeCodeOf(const DriveRecord& drive) const {
  if (env_.service != nullptr) return drive.served.code;
  return chip::IdentifyBridgeChip(env_.services, drive.DevicePath);
}

flash::SerialFlashIdentity TZintFwTool::SerialFlashOf(const DriveRecord& drive) const {
  if (env_.service != nullptr) return {drive.served.flashCode, drive.served.flashMaker};
  return flash::IdentifySerialFlash(env_.services, drive.DevicePath);
}

chip::VersionReport TZintFwTool::VersionOf(const DriveRecord& drive) const {
  // The window lists JMicron bridges alone, so a served drive has no status to report.
  if (env_.service != nullptr) return {drive.served.firmwareVersion, {}};
  return chip::ReportFirmwareVersion(env_.services, drive.DevicePath, ChipCode);
}

void TZintFwTool::RdCheckBoxClick() {
  if (controls_.Checked("RdCheckBox")) {
    controls_.SetVisible("RdPanel", true);
    frame_.SetClientSize(kClientWidth, kClientHeight);
    return;
  }
  controls_.SetVisible("RdPanel", false);
  frame_.SetClientSize(kClientWidth, kClientHeight - controls_.Height("RdPanel"));
  controls_.SetVisible("FwSizeCheck", false);
  controls_.SetVisible("FwSizeLable", false);
  controls_.SetEnabled("FwFilenameEdit", true);
  controls_.SetEnabled("UpdateBtn", false);
  UpdateBtnCheck();
}

void TZintFwTool::EraseOnlyCheckClick(int tag) {
  constexpr std::string_view eraseOnly = "EraseOnlyCheck";
  constexpr std::string_view backup = "BackupFWCheckBox";
  // The two runs exclude each other.
  if (tag == 0) {
    if (Model() == 6) controls_.SetVisible("NVRAMCheck", true);
    if (controls_.Checked(eraseOnly)) controls_.SetChecked(backup, false);
  } else if (controls_.Checked(backup)) {
    controls_.SetChecked(eraseOnly, false);
  }

  const bool sizesApply =
      Model() == 4 && (controls_.Checked(eraseOnly) || controls_.Checked(backup));
  controls_.SetVisible("FwSizeCheck", sizesApply);
  controls_.SetEnabled("FwSizeCheck", sizesApply);
  controls_.SetVisible("FwSizeLable", sizesApply);

  EraseOnlyFlag = controls_.Checked(eraseOnly) ? 1 : 0;

  const bool driveKnown = DriveCount != 0 && Model() != 0;
  bool run = false;
  if (controls_.Checked(eraseOnly)) {
    controls_.SetEnabled("FwFilenameEdit", false);
    run = driveKnown;
  } else {
    controls_.SetEnabled("FwFilenameEdit", true);
    run = driveKnown && !controls_.Text("FwFilenameEdit").empty() && FirmwareFileFits();
  }
  if (!run && controls_.Checked(backup)) run = true;
  controls_.SetEnabled("UpdateBtn", run);
}

std::string TZintFwTool::ChooseFile() {
  if (dialogDir_.empty()) dialogDir_ = env_.programDir;
  const std::optional<std::string> chosen =
      env_.fileDialog.GetOpenFileName(dialogDir_, std::string(kFileFilter));
  if (!chosen || chosen->empty()) return {};
  dialogDir_ = platform::Utf8Text(platform::Utf8Path(*chosen).parent_path());
  return *chosen;
}

void TZintFwTool::LoadBtnClick() {
  SetStatus("");
  const std::string file = ChooseFile();
  if (file.empty()) return;
  controls_.SetText("FwFilenameEdit", file);  // its change runs UpdateBtnCheck
  controls_.SetEnabled("UpdateBtn", true);
}

void TZintFwTool::BackupBtnClick() {
  SetStatus("");
  const std::string file = ChooseFile();
  if (file.empty()) return;
  controls_.SetText("BackupFileEdit", file);
  controls_.SetEnabled("UpdateBtn", true);
}

void TZintFwTool::FwSizeCheckChange(int index) {
  if (index >= 0 && index < static_cast<int>(flash::kFirmwareSizes.size())) {
    flash::FirmwareSize = flash::kFirmwareSizes[static_cast<std::size_t>(index)];
  }
}

void TZintFwTool::FwPgSizeCheckChange(int index) {
  if (index >= 0 && index < static_cast<int>(flash::kTransferPageSizes.size())) {
    flash::TransferPageSize = flash::kTransferPageSizes[static_cast<std::size_t>(index)];
  }
}

// --- closing ---

void TZintFwTool::ExitBtnClick() { frame_.Close(); }

bool TZintFwTool::CloseRequested() {
  // Closing destroys the window and its state; never under a running procedure.
  if (updateRunning_) {
    closePending_ = true;
    return false;
  }
  closed_ = true;
  return true;
}

}  // namespace kelm::window
