#include "platform/native_names.h"

namespace kelm::platform {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>{};
}

std::filesystem::path NativePath(const std::string& utf8) { return utf8; }

}  // namespace kelm::platform
