#include "platform/linux/simulated_bus.h"

#include <filesystem>

#include "platform/linux/scsi_device_path.h"

namespace kelm::linux_platform {

namespace {
constexpr std::string_view kSimulatedHostController = "dummy_hcd.";
}  // namespace

bool OnSimulatedBus(const SystemRoots& roots, const std::string& devicePath) {
  const std::optional<std::string> resolved = ResolveScsiDevice(roots, devicePath);
  if (!resolved) return false;
  const std::filesystem::path device(*resolved);
  for (const std::filesystem::path& part : device) {
    if (part.string().starts_with(kSimulatedHostController)) return true;
  }
  return false;
}

}  // namespace kelm::linux_platform
