#pragma once
// The procedures a surveyed drive takes, chosen by its bridge's family: the update the
// window's YES runs, and the engine's backup run. Shared by kelmtool and the service.

#include <cstdint>
#include <string>

#include "flash/drive_survey.h"
#include "platform/host.h"

namespace kelm::flash {

// The parallel flash of the JM20336 family, which its backup run reads whole.
inline constexpr std::uint32_t kParallelFlashSize = 65536;

// The options the window's evaluation of the drive gives the procedures.
platform::Options DriveOptions(const DriveReport& drive);

// The procedure of a bridge model as the window's YES (flash type 0) and its panel's Run call
// it: the host's options choose the run. Nonzero is success; 0, nothing sent, for a model
// without one.
std::uint32_t RunModelProcedure(platform::Host& host, std::uint8_t model, const std::string& path,
                                std::int32_t flashType);

// The update procedure of the drive's family, with the image the host's services hold under
// the drive's image name; nonzero is success.
std::uint32_t RunUpdateProcedure(platform::Host& host, const DriveReport& drive);

enum class BackupOutcome { Done, Failed, NoBackupRun, WrongSize };

// The engine's backup run of the drive's family, `size` bytes into the file the host's
// options name (a parallel flash is read whole: any other size is WrongSize, nothing sent).
BackupOutcome RunBackupProcedure(platform::Host& host, const DriveReport& drive, std::uint32_t size);

}  // namespace kelm::flash
