#pragma once
// The user's files for a procedure run in the firmware update service: opened here, with the
// user's own rights, and handed over as descriptors (a backup through
// linux_platform::HiddenBackupFile).

#include <string>

#include "platform/linux/hidden_backup_file.h"

namespace kelm::kelmtool {

// The backup's hidden file beside `target`; exit 1 when none can be made there.
void RequireMade(const linux_platform::HiddenBackupFile& backup);

// A descriptor of the user's regular file `path` open for reading; exit 2 when it cannot be.
int OpenUserFile(const std::string& path);

}  // namespace kelm::kelmtool
