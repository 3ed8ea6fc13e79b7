#include "ui/hardware/scripted/simulated_bus_file.h"

namespace kelm::hardware {

platform::Handle SimulatedBusOnlyFile::Open(const std::string& path, platform::ShareMode share) {
  refused_ = !linux_platform::OnSimulatedBus(roots_, path);
  if (!refused_) return inner_.Open(path, share);
  if (named_.insert(path).second) {
    notes_ << "kelm-fwupdate-scripted: " << path
           << " is not on the simulated USB bus (dummy_hcd); left alone" << std::endl;
  }
  return platform::kInvalidHandle;
}

}  // namespace kelm::hardware
