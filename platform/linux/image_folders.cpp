#include "platform/linux/image_folders.h"

#include <cstdlib>

#ifndef KELM_SYSTEM_FIRMWARE_DIR
#define KELM_SYSTEM_FIRMWARE_DIR "/usr/lib/firmware/kelm-fwupdate"
#endif

namespace kelm::linux_platform {

namespace {

// A variable's value when it is set to an absolute path (relative ones are ignored, as the
// XDG base directories ask).
std::string AbsolutePath(const char* variable) {
  const char* value = std::getenv(variable);
  return value != nullptr && value[0] == '/' ? std::string(value) : std::string();
}

}  // namespace

std::string SystemImageFolder() { return KELM_SYSTEM_FIRMWARE_DIR; }

std::vector<std::string> ImageFolders() {
  std::vector<std::string> folders;
  std::string data = AbsolutePath("XDG_DATA_HOME");
  if (data.empty()) {
    const std::string home = AbsolutePath("HOME");
    if (!home.empty()) data = home + "/.local/share";
  }
  if (!data.empty()) folders.push_back(data + "/kelm-fwupdate/firmware");
  folders.push_back(SystemImageFolder());
  return folders;
}

}  // namespace kelm::linux_platform
