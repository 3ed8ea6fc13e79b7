#include "ui/fwupdate.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QPalette>
#include <QPointer>

#include <algorithm>
#include <filesystem>
#include <utility>

#include "chip/bridge_models.h"
#include "chip/firmware_file.h"
#include "chip/identification.h"
#include "device/commands.h"
#include "flash/engine_settings.h"
#include "flash/flash_identification.h"
#include "ui/qt_text.h"
#include "ui_fwupdate.h"

namespace kelm::ui {

namespace {

constexpr int kClientWidth = 338;
constexpr int kClientHeight = 229;

// The design gives these fonts in pixels, which the form file cannot carry.
struct PixelFont {
  const char* control;
  int pixels;
};
constexpr std::array<PixelFont, 6> kPixelFonts = {{
    {"devLable", 19},
    {"replugLable1", 19},
    {"replugLable2", 19},
    {"EraseButton", 13},
    {"ExitBtn", 13},
    {"ExtBtn", 13},
}};

// Byte counts by item index of FwPgSizeCheck (those of FwSizeCheck are the engine's).
constexpr std::array<std::uint32_t, 5> kTransferPageSizes = {32768, 16384, 8192, 4096, 2048};

constexpr std::string_view kFileFilter = "BinaryFile|*.bin|All Files|*.*";

QColor ToQColor(ColorRef color) {
  return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                static_cast<int>((color >> 16) & 0xFF));
}

}  // namespace

TZintFwTool::TZintFwTool(WindowEnvironment env, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      ui_(std::make_unique<::Ui::TZintFwTool>()),
      env_(std::move(env)) {
  ui_->setupUi(this);
  setAttribute(Qt::WA_DeleteOnClose, false);
  setFixedSize(kClientWidth, kClientHeight);
  ApplyFonts();
  for (std::string_view name : device::kParallelFlashTypeNames) {
    ui_->FlashTypeList->addItem(ToQString(name));
  }
  ui_->FlashTypeList->setCurrentIndex(0);
  SetLabelColor(ui_->replugLable1, kBlack);
  SetLabelColor(ui_->replugLable2, kBlack);
  ConnectHandlers();

  EraseOnlyFlag = ui_->EraseOnlyCheck->isChecked() ? 1 : 0;
  RefreshBtnClick();
  RdCheckBoxClick();
  // The notifier may outlive the window; a late event must not reach a destroyed one.
  QPointer<TZintFwTool> self(this);
  env_.notifications.Register([self](std::uint32_t eventCode) {
    if (self) self->DeviceChange(eventCode);
  });
}

TZintFwTool::~TZintFwTool() {
  for (const std::string& path : releaseAtExit_) device::LeaveCommand(env_.services, path);
}

void TZintFwTool::ConnectHandlers() {
  if (env_.statusChanged) {
    connect(ui_->StatusEdit, &QLineEdit::textChanged, this,
            [this](const QString& text) { env_.statusChanged(text.toStdString()); });
  }
  connect(ui_->EraseButton, &QAbstractButton::clicked, this, &TZintFwTool::EraseButtonClick);
  connect(ui_->ExitBtn, &QAbstractButton::clicked, this, &TZintFwTool::ExitBtnClick);
  connect(ui_->ExtBtn, &QAbstractButton::clicked, this, &TZintFwTool::ExitBtnClick);
  connect(ui_->RefreshBtn, &QAbstractButton::clicked, this, &TZintFwTool::RefreshBtnClick);
  connect(ui_->UpdateBtn, &QAbstractButton::clicked, this, &TZintFwTool::UpdateBtnClick);
  connect(ui_->LoadBtn, &QAbstractButton::clicked, this, &TZintFwTool::LoadBtnClick);
  connect(ui_->BackupBtn, &QAbstractButton::clicked, this, &TZintFwTool::BackupBtnClick);
  connect(ui_->RdCheckBox, &QAbstractButton::clicked, this, &TZintFwTool::RdCheckBoxClick);
  for (QCheckBox* box : {ui_->EraseOnlyCheck, ui_->BackupFWCheckBox}) {
    connect(box, &QAbstractButton::clicked, this,
            [this, box] { EraseOnlyCheckClick(box->property("tag").toInt()); });
  }
  connect(ui_->DeviceList, &QComboBox::currentIndexChanged, this, &TZintFwTool::UpdateBtnCheck);
  connect(ui_->FlashTypeList, &QComboBox::currentIndexChanged, this,
          &TZintFwTool::UpdateBtnCheck);
  connect(ui_->FwFilenameEdit, &QLineEdit::textChanged, this, &TZintFwTool::UpdateBtnCheck);
  connect(ui_->FwSizeCheck, &QComboBox::currentIndexChanged, this,
          &TZintFwTool::FwSizeCheckChange);
  connect(ui_->FwPgSizeCheck, &QComboBox::currentIndexChanged, this,
          &TZintFwTool::FwPgSizeCheckChange);
}

void TZintFwTool::ApplyFonts() {
  for (const PixelFont& entry : kPixelFonts) {
    auto* control = findChild<QWidget*>(QString::fromLatin1(entry.control));
    QFont font = control->font();
    font.setPixelSize(entry.pixels);
    control->setFont(font);
  }
}

void TZintFwTool::SetShown(QWidget* control, bool shown) {
  control->setVisible(shown);
  // A labelled edit's caption comes and goes with it.
  for (QLabel* label : findChildren<QLabel*>()) {
    if (label->buddy() == control) label->setVisible(shown);
  }
}

void TZintFwTool::SetLabelColor(QLabel* label, ColorRef color) {
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, ToQColor(color));
  label->setPalette(palette);
}

const DriveRecord* TZintFwTool::SelectedDrive() const {
  const int index = ui_->DeviceList->currentIndex();
  if (DriveCount == 0 || index < 0 || index >= ui_->DeviceList->count() ||
      index >= static_cast<int>(DriveRecords.size())) {
    return nullptr;
  }
  return &DriveRecords[static_cast<std::size_t>(index)];
}

// --- platform::Host ---

void TZintFwTool::SetStatus(std::string_view text) { ui_->StatusEdit->setText(ToQString(text)); }

std::string TZintFwTool::Status() const { return ui_->StatusEdit->text().toStdString(); }

void TZintFwTool::ProcessMessages() { QCoreApplication::processEvents(); }

platform::Options TZintFwTool::options() const {
  platform::Options options;
  options.rdCheckBox = ui_->RdCheckBox->isChecked();
  options.backupFwCheckBox = ui_->BackupFWCheckBox->isChecked();
  options.eraseOnlyFlag = EraseOnlyFlag != 0;
  options.a1ChipCheck = ui_->A1ChipCheck->isChecked();
  options.backupFileName = QFile::encodeName(ui_->BackupFileEdit->text()).toStdString();
  options.sFlashTypeText = ui_->SFlashTypeLable->text().toStdString();
  options.flashCode = FlashCode;
  return options;
}

// --- the selected drive and the options ---

bool TZintFwTool::FirmwareFileFits() {
  const std::string fileName = QFile::encodeName(ui_->FwFilenameEdit->text()).toStdString();
  return chip::CheckFirmwareFile(env_.services, fileName, ChipCode);
}

void TZintFwTool::UpdateBtnCheck() {
  // The drive being written must hear from nobody but its procedure.
  if (updateRunning_) return;
  SetShown(ui_->NVRAMCheck, false);
  const DriveRecord* drive = SelectedDrive();
  if (drive == nullptr) return;
  const std::string path = drive->DevicePath;
  const platform::Services& io = env_.services;

  ChipCode = chip::IdentifyBridgeChip(io, path);

  if (ui_->DeviceList->isEnabled() && !ui_->FwFilenameEdit->text().isEmpty()) {
    if (FirmwareFileFits()) {
      ui_->UpdateBtn->setEnabled(true);
    } else {
      io.boxes.Show("Message", "The firmware file seems not match this chip!",
                    platform::MessageIcon::None);
      ui_->UpdateBtn->setEnabled(false);
    }
  }

  SetStatus("");
  ui_->SFlashTypeLable->clear();
  ui_->FwVerLableEdit->clear();
  ui_->ChipLabelEdit->setText(ToQString(chip::ModelName(Model())));

  switch (chip::ProcedureFor(Model())) {
    case chip::UpdateProcedure::SerialFlash:
    case chip::UpdateProcedure::Jmb352: {
      SetShown(ui_->SFlashTypeLable, true);
      SetShown(ui_->FlashTypeList, false);
      SetShown(ui_->FlashTypeLabel, false);
      SetShown(ui_->A1ChipCheck, false);
      if (Model() == 6) SetShown(ui_->NVRAMCheck, true);
      const flash::SerialFlashIdentity identity = flash::IdentifySerialFlash(io, path);
      FlashCode = identity.flashCode;
      ui_->SFlashTypeLable->setText(ToQString(identity.makerText));
      break;
    }
    case chip::UpdateProcedure::Jm20336:
      SetShown(ui_->SFlashTypeLable, false);
      SetShown(ui_->A1ChipCheck, true);
      ui_->A1ChipCheck->setEnabled(true);
      break;
    case chip::UpdateProcedure::None:
      SetShown(ui_->SFlashTypeLable, false);
      SetShown(ui_->FlashTypeList, false);
      SetShown(ui_->FlashTypeLabel, false);
      SetShown(ui_->A1ChipCheck, false);
      SetStatus("The chip not support Firmware Update!");
      break;
  }

  const chip::VersionReport report = chip::ReportFirmwareVersion(io, path, ChipCode);
  ui_->FwVerLableEdit->setText(ToQString(report.firmwareVersion));
  if (!report.status.empty()) SetStatus(report.status);

  ui_->DiskLetterLable->setText(ToQString(drive->DriveText));
}

void TZintFwTool::RdCheckBoxClick() {
  if (ui_->RdCheckBox->isChecked()) {
    SetShown(ui_->RdPanel, true);
    setFixedSize(kClientWidth, kClientHeight);
    return;
  }
  SetShown(ui_->RdPanel, false);
  setFixedSize(kClientWidth, kClientHeight - ui_->RdPanel->height());
  SetShown(ui_->FwSizeCheck, false);
  SetShown(ui_->FwSizeLable, false);
  ui_->FwFilenameEdit->setEnabled(true);
  ui_->UpdateBtn->setEnabled(false);
  UpdateBtnCheck();
}

void TZintFwTool::EraseOnlyCheckClick(int tag) {
  QCheckBox* eraseOnly = ui_->EraseOnlyCheck;
  QCheckBox* backup = ui_->BackupFWCheckBox;
  // The two runs exclude each other.
  if (tag == 0) {
    if (Model() == 6) SetShown(ui_->NVRAMCheck, true);
    if (eraseOnly->isChecked()) backup->setChecked(false);
  } else if (backup->isChecked()) {
    eraseOnly->setChecked(false);
  }

  const bool sizesApply = Model() == 4 && (eraseOnly->isChecked() || backup->isChecked());
  SetShown(ui_->FwSizeCheck, sizesApply);
  ui_->FwSizeCheck->setEnabled(sizesApply);
  SetShown(ui_->FwSizeLable, sizesApply);

  EraseOnlyFlag = eraseOnly->isChecked() ? 1 : 0;

  const bool driveKnown = DriveCount != 0 && Model() != 0;
  bool run = false;
  if (eraseOnly->isChecked()) {
    ui_->FwFilenameEdit->setEnabled(false);
    run = driveKnown;
  } else {
    ui_->FwFilenameEdit->setEnabled(true);
    run = driveKnown && !ui_->FwFilenameEdit->text().isEmpty() && FirmwareFileFits();
  }
  if (!run && backup->isChecked()) run = true;
  ui_->UpdateBtn->setEnabled(run);
}

QString TZintFwTool::ChooseFile() {
  if (dialogDir_.empty()) dialogDir_ = env_.programDir;
  const std::optional<std::string> chosen =
      env_.fileDialog.GetOpenFileName(dialogDir_, std::string(kFileFilter));
  if (!chosen || chosen->empty()) return {};
  dialogDir_ = std::filesystem::path(*chosen).parent_path().string();
  return QFile::decodeName(QByteArray::fromStdString(*chosen));
}

void TZintFwTool::LoadBtnClick() {
  SetStatus("");
  const QString file = ChooseFile();
  if (file.isEmpty()) return;
  ui_->FwFilenameEdit->setText(file);  // its change runs UpdateBtnCheck
  ui_->UpdateBtn->setEnabled(true);
}

void TZintFwTool::BackupBtnClick() {
  SetStatus("");
  const QString file = ChooseFile();
  if (file.isEmpty()) return;
  ui_->BackupFileEdit->setText(file);
  ui_->UpdateBtn->setEnabled(true);
}

void TZintFwTool::FwSizeCheckChange(int index) {
  if (index >= 0 && index < static_cast<int>(flash::kFirmwareSizes.size())) {
    flash::FirmwareSize = flash::kFirmwareSizes[static_cast<std::size_t>(index)];
  }
}

void TZintFwTool::FwPgSizeCheckChange(int index) {
  if (index >= 0 && index < static_cast<int>(kTransferPageSizes.size())) {
    flash::TransferPageSize = kTransferPageSizes[static_cast<std::size_t>(index)];
  }
}

// --- closing ---

void TZintFwTool::ExitBtnClick() { close(); }

void TZintFwTool::closeEvent(QCloseEvent* event) {
  // Closing destroys the window and its state; never under a running procedure.
  if (updateRunning_) {
    closePending_ = true;
    event->ignore();
    return;
  }
  closed_ = true;
  event->accept();
  emit windowClosed();
}

void TZintFwTool::reject() { close(); }

}  // namespace kelm::ui
