#include "ui/hardware/scripted/simulated_bus_file.h"

#include <filesystem>

namespace kelm::hardware {

namespace {
constexpr std::string_view kSimulatedHostController = "dummy_hcd.";
}  // namespace

bool OnSimulatedBus(const linux_platform::SystemRoots& roots, const std::string& devNode) {
  const std::optional<std::string> name = linux_platform::SgNameOfDevicePath(roots, devNode);
  if (!name) return false;
  std::error_code ec;
  const std::filesystem::path device =
      std::filesystem::canonical(roots.sys + "/class/scsi_generic/" + *name, ec);
  if (ec) return false;
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
