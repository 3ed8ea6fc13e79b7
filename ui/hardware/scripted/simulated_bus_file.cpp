#include "ui/hardware/scripted/simulated_bus_file.h"

#include <filesystem>

#include "platform/linux/scsi_device_path.h"

namespace kelm::hardware {

namespace {
constexpr std::string_view kSimulatedHostController = "dummy_hcd.";
}  // namespace

bool OnSimulatedBus(const linux_platform::SystemRoots& roots, const std::string& devicePath) {
  const std::optional<std::string> resolved = linux_platform::ResolveScsiDevice(roots, devicePath);
  if (!resolved) return false;
  const std::filesystem::path device(*resolved);
  for (const std::filesystem::path& part : device) {
    if (part.string().starts_with(kSimulatedHostController)) return true;
  }
  return false;
}

platform::Handle SimulatedBusOnlyFile::Open(const std::string& path, platform::ShareMode share) {
  refused_ = !OnSimulatedBus(roots_, path);
  if (!refused_) return inner_.Open(path, share);
  if (named_.insert(path).second) {
    notes_ << "kelm-fwupdate-scripted: " << path
           << " is not on the simulated USB bus (dummy_hcd); left alone" << std::endl;
  }
  return platform::kInvalidHandle;
}

}  // namespace kelm::hardware
