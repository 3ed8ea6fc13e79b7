#include "programs/fwupdate-scripted/simulated_bus_file.h"

namespace kelm::hardware {

platform::Handle SimulatedBusOnlyFile::Open(const std::string& path, platform::ShareMode share) {
  // A path once resolved below dummy_hcd names that bus in its own components (the walk
  // matches them one for one), so the verdict holds for every later open of it.
  refused_ = !simulated_.contains(path) && !linux_platform::OnSimulatedBus(roots_, path);
  if (!refused_) {
    simulated_.insert(path);
    return inner_.Open(path, share);
  }
  if (named_.insert(path).second) {
    notes_ << "kelm-fwupdate-scripted: " << path
           << " is not on the simulated USB bus (dummy_hcd); left alone" << std::endl;
  }
  return platform::kInvalidHandle;
}

}  // namespace kelm::hardware
