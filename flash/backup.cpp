// The engineering run that saves the flash contents to a file.

#include <algorithm>

#include "flash/backup_file.h"
#include "flash/engine_settings.h"
#include "flash/procedure_support.h"
#include "flash/programming.h"

namespace kelm::flash {

std::uint32_t BackupFirmware(platform::Host& host, const std::string& path,
                             std::uint32_t bytesToDrop) {
  const platform::Services& io = host.services();
  std::string fileName = host.options().backupFileName;
  if (fileName.empty()) {
    fileName = kDefaultBackupFileName;
    io.boxes.Show("Message", "Default backup firmware as OldFalsh.bak!",
                  platform::MessageIcon::None);
  }

  // A device node, pipe or folder of that name is never replaced; said before the flash is read.
  if (!io.files.MayReplace(fileName)) {
    ShowStatus(host, "Open Backup File Error!!");
    return 0;
  }
  ShowStatus(host, "Backup ...");
  const std::uint32_t size = FirmwareSize;
  auto contents = AllocateZeroed(size);
  if (!contents) {
    ShowStatus(host, "Allocate read buffer Error!!");
    return 0;
  }
  // A short read would leave zero bytes in the file that the flash never held.
  if (!ReadFlashFully(io, path, 0, *contents)) {
    ShowStatus(host, "Read Back to Backup Error!!");
    return 0;
  }

  const std::uint32_t dropped = std::min(bytesToDrop, size);
  const std::span<const std::uint8_t> kept(contents->data() + dropped, size - dropped);
  if (!io.files.WriteWholeFile(fileName, kept)) {
    ShowStatus(host, "Open Backup File Error!!");
    return 0;
  }
  ShowStatus(host, "Read flash and backup success!");
  return 1;
}

}  // namespace kelm::flash
