#pragma once
// Where the programs on Linux look for the vendor's firmware images at run time, after the
// images built in and a folder named on the command line: the user's own data folder, then
// the system's folder for device firmware that no package of ours ships (another package or
// the administrator fills it).

#include <string>
#include <vector>

namespace kelm::linux_platform {

// $XDG_DATA_HOME/kelm-fwupdate/firmware (default ~/.local/share/...), then the system's
// folder; a user folder is left out when neither variable names a home.
std::vector<std::string> ImageFolders();

// /usr/lib/firmware/kelm-fwupdate unless the build chose another.
std::string SystemImageFolder();

}  // namespace kelm::linux_platform
