#include "flash/drive_procedures.h"
#include "flash/engine_settings.h"

#include "chip/bridge_models.h"
#include "chip/jm20336_update.h"
#include "flash/jmb352_update.h"
#include "flash/programming.h"

namespace kelm::flash {

platform::Options DriveOptions(const DriveReport& drive) {
  platform::Options options;
  options.flashCode = drive.flashCode;
  options.sFlashTypeText = drive.flashMaker;
  return options;
}

std::uint32_t RunModelProcedure(platform::Host& host, std::uint8_t model, const std::string& path,
                                std::int32_t flashType) {
  switch (chip::ProcedureFor(model)) {
    case chip::UpdateProcedure::SerialFlash: return ProgramFirmware(host, path);
    case chip::UpdateProcedure::Jmb352: return UpdateJmb352(host, path);
    case chip::UpdateProcedure::Jm20336: return chip::UpdateJm20336(host, path, flashType) ? 1 : 0;
    case chip::UpdateProcedure::None: break;
  }
  return 0;
}

std::uint32_t RunUpdateProcedure(platform::Host& host, const DriveReport& drive) {
  return RunModelProcedure(host, chip::ModelOf(drive.code), drive.path, 0);
}

BackupOutcome RunBackupProcedure(platform::Host& host, const DriveReport& drive, std::uint32_t size) {
  switch (chip::ProcedureFor(chip::ModelOf(drive.code))) {
    case chip::UpdateProcedure::SerialFlash:
    case chip::UpdateProcedure::Jmb352:
      FirmwareSize = size;
      return BackupFirmware(host, drive.path, 0) != 0 ? BackupOutcome::Done : BackupOutcome::Failed;
    case chip::UpdateProcedure::Jm20336:
      if (size != kParallelFlashSize) return BackupOutcome::WrongSize;
      // The window's Run with the backup box ticked: internal ROM first, then the backup.
      return chip::UpdateJm20336(host, drive.path, 0) ? BackupOutcome::Done : BackupOutcome::Failed;
    case chip::UpdateProcedure::None: break;
  }
  return BackupOutcome::NoBackupRun;
}

}  // namespace kelm::flash
