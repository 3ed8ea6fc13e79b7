#include "programs/fwupdate-service/operations.h"

#include <algorithm>

#include "chip/bridge_models.h"
#include "chip/chip_code.h"
#include "chip/firmware_file.h"
#include "device/commands.h"
#include "device/flash_change_span.h"
#include "flash/backup_file.h"
#include "flash/drive_procedures.h"
#include "flash/drive_survey.h"
#include "flash/engine_settings.h"
#include "flash/image_folders.h"
#include "flash/images.h"
#include "platform/text/printable_text.h"

namespace kelm::service {

namespace {

using linux_platform::fwbus::EnclosureFacts;
using Kind = OperationError::Kind;

// The backup taken before every update or restore: the engine's initial flash size.
constexpr std::uint32_t kBackupBeforeChange = 65536;

// Where nobody sees the boxes of a survey: the service's log.
class LoggedMessageBoxes final : public platform::MessageBoxes {
 public:
  explicit LoggedMessageBoxes(platform::DebugOutput& debug) : debug_(debug) {}
  void Show(std::string_view caption, std::string_view text, platform::MessageIcon) override {
    debug_.OutputDebugString(std::string(caption) + ": " + std::string(text));
  }

 private:
  platform::DebugOutput& debug_;
};

platform::Services ServicesOf(Machine& machine, platform::MessageBoxes& boxes,
                              const platform::ImageSource& images, platform::FileStore& files) {
  return {machine.file, machine.setup, machine.clock, machine.debug, machine.out, boxes, images, files};
}

// The survey on the wire: UTF-8, as the bus carries texts.
EnclosureFacts FactsOf(const flash::DriveReport& drive, const linux_platform::DriveNodeNames& nodes) {
  const auto utf8 = [](const std::string& text) { return text::Latin1ToUtf8(text); };
  EnclosureFacts facts;
  facts.path = utf8(drive.path);
  facts.name = utf8(drive.name);
  facts.code = drive.code;
  facts.modelName = utf8(drive.modelName);
  facts.firmwareVersion = utf8(drive.firmwareVersion);
  facts.hasSerialFlash = drive.hasSerialFlash;
  facts.flashCode = drive.flashCode;
  facts.flashMaker = utf8(drive.flashMaker);
  facts.flashSize = drive.flashSize;
  facts.kind = static_cast<std::uint8_t>(drive.kind);
  facts.procedure = drive.procedure;
  facts.imageName = drive.imageName;
  facts.imageSize = drive.imageSize;
  facts.imageCurrent = drive.imageCurrent;
  facts.sgNode = utf8(nodes.sgNode);
  facts.blockDevice = utf8(nodes.blockDevice);
  facts.usbId = utf8(nodes.usbId);
  return facts;
}

std::string BridgeText(const flash::DriveReport& drive) {
  return drive.modelName + " rev " + std::to_string(chip::RevisionOf(drive.code));
}

// The drive surveyed, after discovery's probes proved a bridge behind it.
flash::DriveReport SurveyBridge(const platform::Services& io, const std::string& path) {
  const std::vector<std::string> drives = flash::DiscoverDrives(io);
  if (std::find(drives.begin(), drives.end(), path) == drives.end()) {
    throw OperationError(Kind::Refused, path + ": no bridge answers behind this drive");
  }
  return flash::SurveyDrive(io, path);
}

// The image the update writes: the client's, the backup to restore, or the service's own.
std::vector<std::uint8_t> ImageOfRun(const platform::Services& io, const DescriptorFileStore& files,
                                     const flash::DriveReport& drive, bool restore) {
  if (restore) {
    auto bytes = files.ReadWholeFile(kRestoreFile, flash::kLargestFlashSize);
    if (!bytes) throw OperationError(Kind::BadInput, "the backup to restore is larger than the largest flash");
    return std::move(*bytes);
  }
  if (files.Exists(kImageFile)) {
    if (!chip::CheckFirmwareFile(io, kImageFile, drive.code)) {
      throw OperationError(Kind::Refused, "The firmware file seems not match this chip! (" + BridgeText(drive) + ")");
    }
    auto bytes = files.ReadWholeFile(kImageFile, flash::kLargestFlashSize);
    if (!bytes) throw OperationError(Kind::BadInput, "the image is larger than the largest flash");
    return std::move(*bytes);
  }
  const std::span<const std::uint8_t> image = io.images.TakeImageFor(drive.imageName, drive.path);
  if (image.empty()) {
    throw OperationError(Kind::Refused, "no image " + drive.imageName + " for a " + BridgeText(drive) +
                                            ": none built in, and no usable " + drive.imageName +
                                            ".bin in the system's image folder; give one with --image FILE");
  }
  return {image.begin(), image.end()};
}

// The engine's backup run into kBackupFile; Refused with the engine's last status on failure.
void BackUpInto(const platform::Services& io, CallerSignals& signals,
                const flash::DriveReport& drive, std::uint32_t size) {
  platform::Options options = flash::DriveOptions(drive);
  options.rdCheckBox = options.backupFwCheckBox = true;
  options.backupFileName = kBackupFile;
  SignalledHost host(io, options, signals);
  switch (flash::RunBackupProcedure(host, drive, size)) {
    case flash::BackupOutcome::Done: break;
    case flash::BackupOutcome::Failed:
      throw OperationError(Kind::Refused, "backup failed: " + text::Latin1ToUtf8(host.Status()));
    case flash::BackupOutcome::WrongSize:
      throw OperationError(Kind::BadInput, "the parallel flash of a " + drive.modelName + " holds 65536 bytes");
    case flash::BackupOutcome::NoBackupRun:
      throw OperationError(Kind::Refused, drive.modelName + ": no backup run for this bridge's flash");
  }
  signals.BackupWritten();
}

// The engine's settings for one run, given back after it: the service serves many.
class EngineSettingsScope {
 public:
  EngineSettingsScope(std::uint32_t firmwareSize, std::uint32_t pageSize)
      : firmwareSize_(flash::FirmwareSize), pageSize_(flash::TransferPageSize) {
    flash::FirmwareSize = firmwareSize;
    flash::TransferPageSize = pageSize;
  }
  ~EngineSettingsScope() {
    flash::FirmwareSize = firmwareSize_;
    flash::TransferPageSize = pageSize_;
  }
  EngineSettingsScope(const EngineSettingsScope&) = delete;
  EngineSettingsScope& operator=(const EngineSettingsScope&) = delete;

 private:
  std::uint32_t firmwareSize_;
  std::uint32_t pageSize_;
};

template <typename Values>
bool OneOf(const Values& values, std::uint32_t value) {
  return std::find(values.begin(), values.end(), value) != values.end();
}

}  // namespace

std::string WhyBadRun(const PanelRunRequest& request) {
  const auto types = static_cast<std::int32_t>(device::kParallelFlashTypeNames.size());
  if (request.flashType < -1 || request.flashType >= types) {
    return "flash type " + std::to_string(request.flashType) + " is not one of the list's (0 to " +
           std::to_string(types - 1) + ")";
  }
  if (!OneOf(flash::kFirmwareSizes, request.firmwareSize)) return WhyBadBackupSize(request.firmwareSize);
  if (!OneOf(flash::kTransferPageSizes, request.pageSize)) {
    return std::to_string(request.pageSize) + " bytes is not a page size (32768, 16384, 8192, 4096 or 2048)";
  }
  if (request.backupFile >= 0) {
    if (std::string why = WhyNotWritable(request.backupFile); !why.empty()) return "the backup's file: " + why;
  }
  if (request.image >= 0) {
    if (std::string why = WhyNotReadable(request.image); !why.empty()) return "the image: " + why;
  }
  return {};
}

bool RunOnlyReads(std::uint8_t model, const platform::Options& options) {
  switch (chip::ProcedureFor(model)) {
    case chip::UpdateProcedure::SerialFlash: return platform::IsBackupOnly(options);
    case chip::UpdateProcedure::Jm20336: return !options.eraseOnlyFlag && options.backupFwCheckBox;
    case chip::UpdateProcedure::Jmb352: return false;  // its procedure always updates
    case chip::UpdateProcedure::None: return true;
  }
  return false;
}

PanelRunEnd RunPanel(Machine& machine, CallerSignals& signals, DescriptorFileStore& files,
                     const std::string& path, const PanelRunRequest& request,
                     const std::function<void()>& authorizeChange) {
  // The names the procedures know the handed files by: the panel's empty name is the default.
  const std::string backupName =
      request.defaultBackupName ? std::string(flash::kDefaultBackupFileName) : std::string(kBackupFile);
  if (request.backupFile >= 0) files.AddWritable(backupName, request.backupFile);
  if (request.image >= 0) files.AddReadable(kImageFile, request.image);

  SignalledMessageBoxes boxes(signals);
  const platform::Services surveyIo = ServicesOf(machine, boxes, machine.images, files);
  const flash::DriveReport drive = SurveyBridge(surveyIo, path);
  const std::uint8_t model = chip::ModelOf(drive.code);
  if (chip::ProcedureFor(model) == chip::UpdateProcedure::None) {
    throw OperationError(Kind::Refused, BridgeText(drive) + ": The chip not support Firmware Update!");
  }
  if (!RunOnlyReads(model, request.options)) authorizeChange();

  // The window's image when handed over, else the service's own, as the window finds its own.
  std::vector<std::uint8_t> image;
  if (request.image >= 0) {
    auto bytes = files.ReadWholeFile(kImageFile, flash::kLargestFlashSize);
    if (!bytes) throw OperationError(Kind::BadInput, "the image is larger than the largest flash");
    image = std::move(*bytes);
    if (flash::IsSyntheticImage(image) && !machine.takesSyntheticImages(drive.path)) {
      throw OperationError(Kind::Refused, "a synthetic test image is never written to a real device");
    }
  }
  const flash::ReplacedImage replaced(machine.images, drive.imageName, std::move(image));
  const platform::ImageSource& images = request.image >= 0 ? replaced : machine.images;
  const platform::Services io = ServicesOf(machine, boxes, images, files);

  if (!machine.claim.Claim(drive.path)) {
    throw OperationError(Kind::Refused, "the drive cannot be claimed (mounted, or in use by another "
                                        "program); unmount it first");
  }
  platform::Options options = request.options;
  options.backupFileName = request.defaultBackupName ? std::string() : backupName;
  options.sFlashTypeText = drive.flashMaker;
  options.flashCode = drive.flashCode;
  PanelRunEnd end;
  try {
    const EngineSettingsScope settings(request.firmwareSize, request.pageSize);
    device::EnterCommand(io, drive.path);
    // From the first erase on, shutdown and sleep wait for the procedure's end.
    device::FlashChangeSpan span(io, machine.holdOff);
    SignalledHost host(span.services(), options, signals);
    end.result = flash::RunModelProcedure(host, model, drive.path, request.flashType);
    span.End();
  } catch (...) {
    machine.claim.Release();
    throw;
  }
  end.flashChanged = end.result != 0 && !RunOnlyReads(model, request.options);
  if (!end.flashChanged) machine.claim.Release();
  // A flash's backup is never empty: a file with bytes in it is the complete backup.
  const auto written = files.ReadWholeFile(backupName, flash::kLargestFlashSize);
  if (end.result != 0 && written && !written->empty()) signals.BackupWritten();
  return end;
}

std::string WhyBadBackupSize(std::uint32_t size) {
  const auto& sizes = flash::kFirmwareSizes;
  if (std::find(sizes.begin(), sizes.end(), size) != sizes.end()) return {};
  return std::to_string(size) + " bytes is not a flash size (32768, 65536, 131072, 262144, 524288 or 1048576)";
}

std::vector<EnclosureFacts> SurveyAll(Machine& machine) {
  LoggedMessageBoxes boxes(machine.debug);
  DescriptorFileStore noFiles;
  const platform::Services io = ServicesOf(machine, boxes, machine.images, noFiles);
  std::vector<EnclosureFacts> all;
  for (const std::string& path : flash::DiscoverDrives(io)) {
    all.push_back(FactsOf(flash::SurveyDrive(io, path), machine.describe(path)));
  }
  return all;
}

EnclosureFacts Identify(Machine& machine, const std::string& path) {
  LoggedMessageBoxes boxes(machine.debug);
  DescriptorFileStore noFiles;
  const platform::Services io = ServicesOf(machine, boxes, machine.images, noFiles);
  return FactsOf(SurveyBridge(io, path), machine.describe(path));
}

std::string Backup(Machine& machine, CallerSignals& signals, DescriptorFileStore& files,
                   const std::string& path, std::uint32_t size) {
  SignalledMessageBoxes boxes(signals);
  const platform::Services io = ServicesOf(machine, boxes, machine.images, files);
  const flash::DriveReport drive = SurveyBridge(io, path);
  // The command session the window opens on every drive it lists.
  device::EnterCommand(io, drive.path);
  BackUpInto(io, signals, drive, size);
  return "backup of the " + BridgeText(drive) + " written";
}

UpdateEnd Update(Machine& machine, CallerSignals& signals, DescriptorFileStore& files,
                 const std::string& path, bool restore) {
  SignalledMessageBoxes boxes(signals);
  const platform::Services surveyIo = ServicesOf(machine, boxes, machine.images, files);
  const flash::DriveReport drive = SurveyBridge(surveyIo, path);
  signals.Surveyed(FactsOf(drive, machine.describe(path)));
  if (drive.procedure.empty() || drive.imageName.empty()) {
    throw OperationError(Kind::Refused, BridgeText(drive) + ": The chip not support Firmware Update!");
  }
  std::vector<std::uint8_t> image = ImageOfRun(surveyIo, files, drive, restore);
  if (flash::IsSyntheticImage(image) && !machine.takesSyntheticImages(drive.path)) {
    throw OperationError(Kind::Refused, "a synthetic test image is never written to a real device");
  }
  const flash::ReplacedImage images(machine.images, drive.imageName, std::move(image));
  const platform::Services io = ServicesOf(machine, boxes, images, files);
  if (drive.kind == chip::UpdateProcedure::Jmb352 && chip::IsEmbeddedImageCurrent(io, drive.path)) {
    return {BridgeText(drive) + " already holds the image; nothing to do", false};
  }

  if (!machine.claim.Claim(drive.path)) {
    throw OperationError(Kind::Refused, "the drive cannot be claimed (mounted, or in use by another "
                                        "program); unmount it first");
  }
  try {
    device::EnterCommand(io, drive.path);
    BackUpInto(io, signals, drive, kBackupBeforeChange);
    // From the first erase on, shutdown and sleep wait for the procedure's end.
    device::FlashChangeSpan span(io, machine.holdOff);
    SignalledHost host(span.services(), flash::DriveOptions(drive), signals);
    const std::uint32_t result = flash::RunUpdateProcedure(host, drive);
    span.End();
    if (result == 0) throw OperationError(Kind::Refused, "Update fail!!");
  } catch (...) {
    machine.claim.Release();
    throw;
  }
  return {std::string(restore ? "restore" : "update") + " of the " + BridgeText(drive) +
              " done; unplug the enclosure's power and plug it again",
          true};
}

}  // namespace kelm::service
